#include "transfer/sdcard/CelvaneTables.h"

const CelvaneTarget CelvaneTargetTable[kCelvaneTargets] = {
    {32782, "696", "696"},         {32778, "G1000", "G1000"}, {32779, "G500/600", "G500"},
    {32780, "GTN650", "GTN650"},   {32781, "G3X", "G3X"},     {32783, "G3XT", "G3XT"},
};

bool IsPortableTarget(int model) { return model == 0 || model == 4 || model == 5; }

bool IsPortableProduct(int productId) { return productId == 745 || productId == 746 || productId == 1727; }

namespace {

struct ModelRow {
    const char* name;
    int productId;
};

constexpr ModelRow kModels[] = {
    {"G95AVD", 22}, {"G95XL", 36},  {"G89", 39},     {"G90", 45},    {"195", 48},     {"G3P", 71},
    {"G92", 112},   {"G295", 128},  {"G196", 145},   {"G1000", 191}, {"G296", 260},   {"G96", 364},
    {"G96C", 365},  {"G396", 402},  {"G600", 498},   {"496", 595},   {"696", 745},    {"G3X", 746},
    {"G3XT", 1727}, {"G495", 887},  {"G795", 1173},  {"Aera6", 660}, {"GNC500", 400}, {"GTN650", 1026},
    {"Aera7", 1560},
};

struct RegionRow {
    int region;
    const char* name;
};

constexpr RegionRow kRegions[] = {
    {0, "Aviation"},        {1, "Navdata"},         {2, "Navdata db2"},     {3, "Basemap"},
    {4, "Software"},        {10, "Map"},            {12, "Loader"},         {13, "Workspace"},
    {14, "Firmware"},       {15, "Region 0F"},      {16, "Splash Screen"},  {17, "Sounds"},
    {20, "Panel FCharts"},  {26, "IFR/VFR Charts"}, {33, "Terrain 30as"},   {34, "Terrain 9as"},
    {35, "Terrain 2.5as"},  {36, "FCharts dat"},    {37, "Fcharts fca"},    {38, "New Obstacles"},
    {39, "Obstacles"},      {40, "APT Terrain"},    {41, "Region 29"},      {50, "Aera Aviation"},
    {51, "Aera AirSports"}, {52, "Aera Terrain"},   {53, "Aera Obstacles"}, {54, "Aera SafeTaxi"},
    {55, "Aera AOPA Data"}, {57, "Aera FCharts.d"}, {58, "Aera FCharts.f"}, {76, "AOPA"},
    {77, "SafeTaxi"},       {78, "1000 AOPA"},      {79, "VRP/AirSports"},
};

constexpr CardFile kCardFiles[] = {
    {1, "avtn_db.bin", "ldr_sys"},
    {2, "nav_db2.bin", "ldr_sys"},
    {3, "bmap.bin", ""},
    {10, "safetaxi.bin", ""},
    {20, "fc_tpc.dat", "fc_tpc"},
    {33, "terrain.tdb", ""},
    {34, "terrain_9as.tdb", ""},
    {35, "trn.dat", ""},
    {36, "fc_tpc.dat", "fc_tpc"},
    {37, "fc_tpc.fca", "fc_tpc"},
    {38, "standard.odb", ""},
    {39, "terrain.odb", ""},
    {40, "terrain.adb", ""},
    {76, "fbo.gpi", ""},
    {77, "safetaxi.bin", ""},
    {78, "apt_dir.gca", ""},
    {79, "air_sport.gpi", ""},
    {26, "rasters.xml", "rasters"},
    {57, "fc_tpc.dat", ".System\\AVTN\\FliteCharts"},
    {58, "fc_tpc.fca", ".System\\AVTN\\FliteCharts"},
};

}  // namespace

const char* CelvaneModelName(int productId) {
    for (const ModelRow& row : kModels) {
        if (row.productId == productId) return row.name;
    }
    return "UNKNOWN";
}

const char* CelvaneRegionName(int region) {
    for (const RegionRow& row : kRegions) {
        if (row.region == region) return row.name;
    }
    return "Unknown";
}

const CardFile* FindCardFile(int region) { return FindCardFileIn(kCardFiles, region); }

#include "transfer/usb/UsbTables.h"

#include <cstring>

const UsbModelRow ProductNameTable[] = {
    {"95AVD", 22}, {"95XL", 36},   {"89", 39},     {"90", 45},     {"195", 48},    {"3P", 71},
    {"92", 112},   {"295", 128},   {"196", 145},   {"1000", 191},  {"296", 260},   {"96", 364},
    {"96C", 365},  {"396", 402},   {"376", 406},   {"496", 595},   {"495", 887},   {"696", 745},
    {"695", 745},  {"Aera5", 1063}, {"796", 1364}, {"Aera6", 660}, {"Aera7", 1560}, {"UNKNOWN", 0},
};
const int kUsbModelRows = static_cast<int>(sizeof ProductNameTable / sizeof ProductNameTable[0]) - 1;

const char* UsbModelName(int productId) {
    for (int i = 0; i < kUsbModelRows; ++i) {
        if (ProductNameTable[i].productId == productId) return ProductNameTable[i].name;
    }
    return ProductNameTable[kUsbModelRows].name;
}

int UsbModelId(const char* name) {
    for (int i = 0; i < kUsbModelRows; ++i) {
        if (std::strcmp(ProductNameTable[i].name, name) == 0) return ProductNameTable[i].productId;
    }
    return 0;
}

const UsbDatabaseRow UsbDatabaseTable[kUsbDatabases] = {
    {"Aviation", 36, 13}, {"USR Waypoints", 35, 7}, {"Routes", 29, 4}, {"Proximity Points", 19, 3},
    {"Almanac", 31, 1},   {"Track", 34, 6},         {"Screen", 69, 32}, {"VRP/TAWS", 36, -1},
};

namespace {

struct RegionRow {
    int region;
    const char* name;
};

constexpr RegionRow kRegionNames[] = {
    {0, "Aviation"},        {1, "Aviation"},        {2, "NewAVDB"},          {3, "Basemap"},
    {4, "Software"},        {10, "Map"},            {12, "Loader"},          {13, "Workspace"},
    {14, "Firmware"},       {15, "Region 0F"},      {16, "Splash Screen"},   {17, "Sounds"},
    {20, "FCharts panel"},  {26, "IFR/VFR charts"}, {33, "Terrain 30as"},    {34, "Terrain 9as"},
    {35, "Terrain 2.5as"},  {36, "FCharts.dat"},    {37, "Fcharts.fca"},     {38, "New Obstacles"},
    {39, "Obstacles"},      {40, "APT Terrain"},    {41, "Region 29"},       {50, "Aera Aviation"},
    {51, "Aera AirSports"}, {52, "Aera Terrain"},   {53, "Aera Obstacles"},  {54, "Aera SafeTaxi"},
    {55, "Aera AOPA Data"}, {57, "Aera FCharts.dat"}, {58, "Aera FCharts.fca"}, {76, "AOPA"},
    {77, "SafeTaxi"},       {78, "G660 AOPA"},      {79, "VRP/AirSports"},
};

constexpr const char* kStateNames[] = {
    "START", "S05",     "S10",      "S1C",      "S20E",    "RQUD",    "RQTS",   "RDJOB",    "WRJOB",   "WRND",
    "LDRERASE", "LDRSEND", "NDLOADER", "AVDERASE", "AVDSEND", "NDAVD", "FINISH", "RTIMEOUT", "TTIMEOUT",
};

}  // namespace

const char* UsbRegionName(int region) {
    for (const RegionRow& row : kRegionNames) {
        if (row.region == region) return row.name;
    }
    return "Unknown";
}

const char* UsbStateName(int state) {
    return state >= 0 && state <= kStTTimeout ? kStateNames[state] : "unknown";
}

namespace {

constexpr CardFile kDriveFiles[] = {
    {1, "avtn_db.bin", "ldr_sys"},
    {2, "avtn_db.bin", "ldr_sys"},
    {3, "bmap.bin", ""},
    {10, "safetaxi.bin", ""},
    {34, "terrain.tdb", ""},
    {36, "fc_tpc.dat", "fc_tpc"},
    {37, "fc_tpc.fca", "fc_tpc"},
    {38, "obstacle.odb", ".System\\AVTN"},
    {39, "terrain.odb", ""},
    {50, "avtn_db.bin", ".System\\AVTN"},
    {51, "air_sport.gpi", "POI"},
    {52, "terrain.tdb", ".System\\AVTN"},
    {53, "obstacle.odb", ".System\\AVTN"},
    {54, "safetaxi.img", ".System\\AVTN"},
    {55, "fbo.gpi", "POI"},
    {76, "fbo.gpi", ""},
    {77, "safetaxi.bin", ""},
    {78, "apt_dir.gca", ""},
    {26, "rasters.xml", "rasters"},
    {57, "fc_tpc.dat", ".System\\AVTN\\FliteCharts"},
    {58, "fc_tpc.fca", ".System\\AVTN\\FliteCharts"},
};

}  // namespace

const CardFile* FindDriveFile(int region) { return FindCardFileIn(kDriveFiles, region); }

#include "manager/SymbolTable.h"

#include <cstring>

const WaypointSymbol kWaypointSymbols[56] = {
    {64, "Airport"},           {43264, "Ball Park"},        {1536, "Bank"},
    {3328, "Bar"},             {38400, "Boat Ramp"},        {38656, "Campground"},
    {43520, "Car"},            {1568, "City (Small)"},      {1824, "City (Medium)"},
    {2080, "City (Large)"},    {41984, "Dam"},              {3584, "Danger Area"},
    {39424, "Drinking Water"}, {1792, "Fishing Area"},      {3648, "First Approach Fix"},
    {2048, "Gas Station"},     {2368, "Glider Area"},       {1312, "Golf Course"},
    {1088, "Heliport"},        {43776, "Hunting Area"},     {40192, "Information"},
    {320, "Intersection"},     {0, "Marina"},               {39936, "Medical Facility"},
    {4160, "Missed Approach Point"}, {576, "NDB"},          {3904, "Outer Marker"},
    {2880, "Parachute Area"},  {40704, "Park"},             {37632, "Parking Area"},
    {40960, "Picnic Area"},    {1344, "Private Field"},     {2560, "Residence"},
    {2816, "Restaurant"},      {38912, "Restroom"},         {41216, "Scenic Area"},
    {6176, "School"},          {4672, "Seaplane Base"},     {4864, "Shipwreck"},
    {44032, "Shopping Centre"}, {2112, "Short Tower"},      {39168, "Shower"},
    {41472, "Skiing Area"},    {1600, "Soft Field"},        {41728, "Swimming Area"},
    {4416, "TACAN"},           {1856, "Tall Tower"},        {39680, "Telephone"},
    {1056, "TracBack Point"},  {43008, "Transparent"},      {2624, "Ultralight Area"},
    {4608, "Waypoint"},        {832, "VOR"},                {3392, "VOR-DME"},
    {3136, "VOR-TACAN"},       {65535, nullptr},
};

const char* SymbolName(uint32_t code) {
    for (const WaypointSymbol& s : kWaypointSymbols) {
        if (s.code == 65535) break;
        if (s.code == code) return s.name;
    }
    return nullptr;
}

uint32_t SymbolCodeFromName(const char* name) {
    for (const WaypointSymbol& s : kWaypointSymbols) {
        if (s.code == 65535) break;
        if (std::strcmp(s.name, name) == 0) return s.code << 8;
    }
    return 0x120000;
}

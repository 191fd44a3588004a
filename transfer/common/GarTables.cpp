#include "transfer/common/GarTables.h"

namespace {

struct IdName {
    int id;
    const char* name;
};

constexpr IdName ProductNameTable[] = {
    {22, "95AVD"}, {36, "95XL"}, {39, "89"},   {41, "45XL"}, {45, "90"},   {48, "195"},   {53, "COM190"},
    {71, "3P"},    {77, "12XL"}, {112, "92"},  {128, "295"}, {145, "196"}, {260, "296"},  {364, "96"},
    {365, "96C"},  {402, "396"}, {595, "496"}, {887, "495"}, {0, nullptr},
};

constexpr IdName KindNames[] = {
    {19, "Proximity"}, {29, "Routes"},         {31, "Alamanac"},    {34, "Track"},
    {35, "User Waypoints"}, {69, "Screen Dump"},
};

constexpr const char* WaypointClassNames[] = {"APT", "INT", "NDB", "VOR", "USR", "RWY", "LocINT", "LocNDB"};

constexpr IdName GarSymbolTable[] = {
    {0, "Marina"},
    {6, "Bank"},
    {7, "Fishing Area"},
    {8, "Gas Station"},
    {10, "Residence"},
    {11, "Restaurant"},
    {13, "Bar"},
    {14, "Danger Area"},
    {18, "Waypoint"},
    {19, "Shipwreck"},
    {20, "Transparent"},
    {150, "Boat Ramp"},
    {151, "Campground"},
    {152, "Restroom"},
    {154, "Drinking Water"},
    {156, "Medical Facility"},
    {157, "Information"},
    {147, "Parking Area"},
    {153, "Shower"},
    {155, "Telephone"},
    {159, "Park"},
    {160, "Picnic Area"},
    {161, "Scenic Area"},
    {162, "Skiing Area"},
    {163, "Swimming Area"},
    {164, "Dam"},
    {168, "Transparent"},
    {169, "Ball Park"},
    {170, "Car"},
    {171, "Hunting Area"},
    {172, "Shopping Centre"},
    {8196, "TracBack Point"},
    {8197, "Golf Course"},
    {8198, "City (Small)"},
    {8199, "City (Medium)"},
    {8200, "City (Large)"},
    {8216, "School"},
    {16384, "Airport"},
    {16385, "Intersection"},
    {16386, "NDB"},
    {16387, "VOR"},
    {16388, "Heliport"},
    {16389, "Private Field"},
    {16390, "Soft Field"},
    {16391, "Tall Tower"},
    {16392, "Short Tower"},
    {16393, "Glider Area"},
    {16394, "Ultralight Area"},
    {16395, "Parachute Area"},
    {16396, "VORTAC"},
    {16397, "VORDME"},
    {16399, "NDB Low Power"},
    {16402, "Seaplane Base"},
    {-1, "End of Table"},
};

constexpr const char* OlderDisplayTexts[] = {"(Symb only)", "(Symb only)", "", "", "(Symb & Cmnt)", "(Symb & Cmnt)"};
constexpr const char* NewerDisplayTexts[] = {"", "(Symb only)", "(Symb & Cmnt)"};

constexpr int MonthLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr const char* MonthNames[] = {"JAN.", "FEB.", "MAR.", "APR.", "MAY.", "JUN.",
                                      "JUL.", "AUG.", "SEP.", "OCT.", "NOV.", "DEC."};

}  // namespace

const char* ProductName(int productId) {
    for (const IdName* row = ProductNameTable; row->id != 0; ++row) {
        if (row->id == productId) return row->name;
    }
    return nullptr;
}

const char* GarKindName(int kind) {
    for (const IdName& row : KindNames) {
        if (row.id == kind) return row.name;
    }
    return "Unknown";
}

const char* WaypointClassName(int waypointClass, bool newer) {
    const int count = newer ? 8 : 5;
    if (waypointClass < 0 || waypointClass >= count) return "unknown";
    return WaypointClassNames[waypointClass];
}

const char* GarSymbolName(int symbol) {
    for (const IdName* row = GarSymbolTable; row->id != -1; ++row) {
        if (row->id == symbol) return row->name;
    }
    return nullptr;
}

const char* SymbolDisplayText(int code, bool newer) {
    if (newer) return code >= 0 && code < 3 ? NewerDisplayTexts[code] : "";
    return code >= 0 && code < 6 ? OlderDisplayTexts[code] : "";
}

int MonthLength(int month, int year) {
    if (month == 1 && year % 4 == 0) return 29;
    return month >= 0 && month < 12 ? MonthLengths[month] : 0;
}

const char* MonthName(int month) { return month >= 0 && month < 12 ? MonthNames[month] : ""; }

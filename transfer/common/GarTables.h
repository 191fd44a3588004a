// Tables of the GAR file listings: unit product names, database kinds, waypoint classes,
// symbols and their display codes, months.
#pragma once

#include <cstdint>

#include "common/GarPacketIds.h"

// Units from this product id on use the newer record layouts.
constexpr int kNewerUnitProductId = 128;

// The model word of a unit product id ("496" for 595), or null when the table has none.
const char* ProductName(int productId);

// The title word of a database kind: "Proximity", "Routes", ..., "Unknown".
const char* GarKindName(int kind);

// The class name of a waypoint class ("APT" ... "LocNDB", "unknown").
const char* WaypointClassName(int waypointClass, bool newer);

// The name of a symbol number, or null when the table has none.
const char* GarSymbolName(int symbol);

// The text of a symbol display code ("(Symb only)", "(Symb & Cmnt)" or empty).
const char* SymbolDisplayText(int code, bool newer);

// Days of a month (0-11) of a year, and the month's name ("JAN." ...).
int MonthLength(int month, int year);
const char* MonthName(int month);

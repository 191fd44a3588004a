// The field writers of Save As: the batch fields of a point-record listing line, and the two
// SBS waypoint forms (the compact one, and the long airport one of the -P switch).
#pragma once

#include <string>
#include <string_view>

#include "gen/listing/ListingToBatchLine.h"

// The name part of a record line in its dump form: "CITY (FACILITY) [MIL] COUNTRY-ID". The
// views point into the names that were split.
struct ListingNames {
    bool bracketed = false;     // a facility name in brackets was found
    std::string_view city;      // the text before the blank in front of the facility's '('
    std::string_view facility;  // the text between the facility's brackets
    size_t open = 0;            // the facility's '(' and ')' in the names
    size_t close = 0;
};
// Finds the facility's brackets: the last ')' and the '(' that matches it, so that a facility
// or city whose own name holds brackets ("SNOHOMISH COUNTY (PAINE FLD)") keeps them.
ListingNames SplitListingNames(std::string_view names);

// The batch fields that follow the ident of an APT, INT, NDB or VOR line, from the names on:
// country and region, city and facility, latitude and longitude, the value at column 35, the
// flag and class fields, "VRP", the bracket flags (the last one first), the time zone and the
// NDB's 'L'; joined by '|'. AppendBatchFields appends them to `out`.
void AppendBatchFields(const SplitListingLine& line, std::string& out);
std::string BatchFieldsFromListing(const SplitListingLine& line);

// The compact SBS line of a point record: "%s,,%d,%d,%s,%s,%s" (name, two numbers, latitude,
// longitude, height); "" for lines that are not APT, INT, NDB or VOR lines.
std::string SbsWaypointLine(const SplitListingLine& line);

// The long SBS form of airports: an airport line is held back until its first detail line
// gives it a frequency and a runway; then it is written once. Other lines give "".
class SbsAirportLine {
public:
    std::string Convert(const SplitListingLine& line);

private:
    std::string pending_;
};

// The text pieces of the listings that read image records: names, countries, idents, record
// positions and runway designators, the airport's runway-and-frequency lines, approach titles
// and waypoints (the SUA vertex texts are in ListingFormatSua.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/ListingLine.h"
#include "gen/listing/AirportLoader.h"
#include "gen/image/ImageReader.h"

// What a listing line depends on besides the image.
struct ListingFlags {
    bool recordNumbers = false;  // View > Record Numbers, -r
    uint32_t debugLevel = 0;     // -d
    uint32_t extraLevel = 0;     // -x
    bool dump = false;           // Save As dumps: raw-code forms
    bool decimal = false;        // decimal coordinates (one Save As form)
    bool rawReferences = false;  // -p: runway remarks show their raw values

    bool RawCoordinates() const;  // debug bit 16: coordinates as raw values
};

// The name text of a pointer with at most limit - 1 characters, or "<UNSET>",
// "<**name ptr too big**>", "<**name ptr corrupt**>".
std::string FormatName(const ImageInfo& info, const NamePosition& name, size_t limit = kListingNameLimit);
// The same into `text` (room for `limit` and for kListingNameLimit bytes, NUL included);
// returns the text's length.
size_t FormatNameTo(const ImageInfo& info, const NamePosition& name, char* text, size_t limit = kListingNameLimit);

// "NAME-ID" of a country index (name and id without trailing blanks); "?%02x?" outside the table.
std::string FormatCountry(const ImageInfo& info, uint32_t index);
// The same as a pointer to the text kept in the image information, or written into `scratch`
// (16 bytes) when it keeps none.
const char* CountryText(const ImageInfo& info, uint32_t index, char scratch[16]);

// The ident of record `number` of a point section: the first character from the bucket table,
// the others from the record; trailing blanks cut.
std::string FormatIdent(const ImageReader& reader, int section, uint32_t number, const uint8_t* record);

// The position of a point record: latitude, a blank, longitude in notation 1 (4 when decimal).
std::string FormatPositionPair(const uint8_t* record, const ListingFlags& flags);

// A runway end: "%02d%c", " .." (forward) or ".." (reciprocal) for number 0.
std::string FormatRunwayId(uint32_t designator, bool reciprocal);

// Sub-line `index` (0-79) of the airport's runway and frequency lines into the line (which the
// call clears); false when there is no such line.
bool FormatRunwayFrequencyLine(const AirportTables& tables, uint32_t index, const GeoPoint& airport,
                               const ListingFlags& flags, ListingLine& line);

// "%s Approach: %s" of approach `index` of the list.
std::string FormatApproachTitle(const ImageInfo& info, const ApproachList& list, uint32_t index,
                                const ListingFlags& flags);

// The text of waypoint `w` of approach `index`. `recordLine` gives the line of an INT, NDB or
// VOR record (section, record number).
using RecordLineFormatter = std::function<std::string(int section, uint32_t number)>;
std::string FormatApproachWaypoint(const AirportTables& tables, const ApproachList& list, uint32_t index, uint32_t w,
                                   const GeoPoint& airport, const ListingFlags& flags,
                                   const RecordLineFormatter& recordLine);

// Latitude and longitude in notation 3 (5 when decimal), as AppendPositionPair writes them.
std::string PositionPairText(const GeoPoint& p, const ListingFlags& flags);

// Lines of the title, country and name listings that every image family shares: the counts
// line "(%u APTs, %u INTs, %u NDBs, %u VORs, %u TOTAL)", a country with its number from 1
// ("%3ld: %s") when record numbers are shown, and a name with the byte offset ("%6lx: %s", at a
// debug level "%6lx(%ld): %s" with its start bit) when record numbers are shown.
std::string PointCountsLine(const uint32_t counts[4]);
std::string CountryListingLine(const std::string& country, uint32_t index, const ListingFlags& flags);
std::string NameListingLine(const std::string& name, unsigned long offset, uint32_t bit, const ListingFlags& flags);

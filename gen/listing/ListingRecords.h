// The record lines of the point sections: the shared prefix (type or record number, ident,
// position), the name and country part, and the airport, INT, NDB and VOR lines built from them.
#pragma once

#include <cstdint>
#include <string>

#include "common/ListingLine.h"
#include "gen/listing/ListingFormat.h"

// Columns of the record lines.
constexpr int kIdentColumn = 5;
constexpr int kPositionColumn = 11;
constexpr int kValueColumn = 35;

// Clears the line and writes the type name at column 0 ("%4x" of the record number with Record
// Numbers on and the dump flag off), the ident at column 5 and the position from column 11;
// returns the column after the position.
// The start of a point line: the type name (or "%4x" of the record number when record numbers
// are shown outside a dump), the ident at kIdentColumn and the position at kPositionColumn;
// returns the column after the position.
int FormatPointPrefix(const char* typeName, const std::string& ident, int32_t latitude, int32_t longitude,
                      uint32_t number, const ListingFlags& flags, ListingLine& line);
int FormatRecordPrefix(const ImageReader& reader, const ListingFlags& flags, int section, uint32_t number,
                       const uint8_t* record, ListingLine& line);

// Writes the names (city name first, or the facility name when there is none; the facility name
// in brackets when it differs), "[PRV]"/"[MIL]" for airports whose `airportFlags` have bit 128 or
// 64, and the country text, from column + 1. INT records get the country text only.
void FormatRecordNames(const ImageReader& reader, const ListingFlags& flags, int section, const uint8_t* record,
                       int column, uint32_t airportFlags, ListingLine& line);

// The airport record line: prefix, elevation, flag letters, names. `infoFlags` is the first byte
// of the airport's rwy/com/appr entry, or -1 when it has none. The line replaces `out`.
void FormatAirportRecordLine(const ImageReader& reader, const ListingFlags& flags, uint32_t number,
                             const uint8_t* record, int infoFlags, std::string& out);

// The line of an INT, NDB or VOR record (section 1, 2 or 3); it replaces `out`.
void FormatWaypointLine(const ImageReader& reader, const ListingFlags& flags, int section, uint32_t number,
                        const uint8_t* record, std::string& out);

// The line of record `number` of a point section read from the image; a record outside its
// section gives a line that says so.
std::string FormatWaypointLineOf(const ImageReader& reader, const ListingFlags& flags, int section, uint32_t number);

// The record's bytes, each " %02x".
std::string FormatRawRecord(const uint8_t* record, uint32_t size);

// GAR waypoint records in the layout of a waypoint format: built from and taken apart into the
// exchange texts and fields. Formats 1-5 have the old fixed layout, 6-9 the new layout whose
// six texts follow the fixed part. Readers never look past the packet's size; a field beyond it
// counts as absent.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The six texts a record carries (Windows-1252). The city may end in "@" and two state
// characters.
struct GarTexts {
    std::string ident, comment, name, city, address, crossRoad;
};

// The same texts seen where they stand, for building a record.
struct GarTextViews {
    std::string_view ident, comment, name, city, address, crossRoad;
};

// The bits of the float 1.0e25, the unknown altitude of the new layout.
uint32_t GarUnknownAltitudeBits();

bool GarNewLayout(int format);
// The shortest record a reader takes: the old layout's ident and position, the new layout's
// fixed part. Shorter packets are skipped.
int GarFixedPart(int format);

// Builders on a 256-byte record buffer.
void GarInitRecord(uint8_t* record, int format);
void GarSetWaypointType(uint8_t* record, int format, int type);
void GarSetPosition(uint8_t* record, int format, int32_t latitude, int32_t longitude, uint32_t time);
// Country code (two characters) and altitude as the bits of a 32-bit float.
void GarSetCountryAltitude(uint8_t* record, int format, const char* country, uint32_t altitudeBits);
void GarSetSymbol(uint8_t* record, int format, uint32_t symbol);
// Writes the texts; returns the record length plus 3 (the packet's size is that minus 3).
int GarPutTexts(uint8_t* record, int format, const GarTextViews& texts);
int GarPutTexts(uint8_t* record, int format, const GarTexts& texts);
// The same for a user waypoint's two texts, from its record fields (ident and comment; no
// name, city, address or cross road). The fields are read and copied whole: bytes of the buffer
// past the record may change.
int GarPutWaypointTexts(uint8_t* record, int format, const char (&ident)[8], const char (&comment)[32]);
// The same for a route waypoint's texts from its record fields: the ident, the first name as
// the comment (`firstIsComment`) or as the name, and the second name as the city (which may
// end in "@" and the state).
int GarPutRoutePointTexts(uint8_t* record, int format, const char (&ident)[8], const char (&first)[32],
                          bool firstIsComment, const char (&second)[32]);
// Old layout comment: the first underscore or NUL among the first 30 bytes becomes the
// terminator, every later underscore or NUL among them a blank.
void GarFixComment(uint8_t* comment);

// Readers of a record of `size` bytes.
GarTexts GarGetTexts(const uint8_t* record, int size, int format);
void GarGetPosition(const uint8_t* record, int size, int format, int32_t& latitude, int32_t& longitude,
                    uint32_t& time);
int GarGetWaypointType(const uint8_t* record, int size, int format);
// Two country characters (empty when absent) and the altitude as float bits.
void GarGetCountryAltitude(const uint8_t* record, int size, int format, std::string& country,
                           uint32_t& altitudeBits);
uint32_t GarGetSymbol(const uint8_t* record, int size, int format);

// Route packets: the header of a route by format (returns its size) and the link between two
// route waypoints (21 bytes).
int GarPutRouteHeader(uint8_t* record, int format, int routeNumber, const std::string& title);
int GarPutRouteLink(uint8_t* record);
// The title a route header carries (formats 6-9 from byte 0, 1-5 from byte 1), trailing fill cut.
std::string GarGetRouteTitle(const uint8_t* record, int size, int format);

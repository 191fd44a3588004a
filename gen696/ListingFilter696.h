// The filters of the 696 listings: the record filter of the point kinds (country number,
// ident, name, rectangle), the airspace filter (rectangle, name anywhere, airspace kind), the
// start record of a "0X<hex>" ident filter, and the inversion of -X. The rectangle test takes a
// record as a box and lets through what overlaps the rectangle, comparing longitudes by their
// signed 32-bit difference so that it holds across the date line.
#pragma once

#include <cstdint>
#include <string>

#include "gen/shell/GenSettings.h"

// A country filter whose country the image lacks: no record has it.
inline constexpr int kCountryNotInImage696 = -2;

struct Box696 {
    int32_t south = 0;
    int32_t west = 0;
    int32_t north = 0;
    int32_t east = 0;
    static Box696 Point(int32_t lat, int32_t lon) { return {lat, lon, lat, lon}; }
};

// The rectangle test: a corner that is not set does not bound.
bool RectanglePasses696(const GeoRect& rect, const Box696& box);

// The bounding box of an airspace record (sections 39, 40).
Box696 AirspaceBox696(const uint8_t* record);
// The point of an FSS record and the box of a TCC record.
Box696 FssBox696(const uint8_t* record);
Box696 TccBox696(const uint8_t* record);

struct ListingFilter696 {
    int country = -1;        // country number; -1 none, kCountryNotInImage696
    std::string ident;       // prefix of the ident (or of the airway's name)
    bool hasStart = false;   // the ident filter read "0X<hex>": the start record of kinds 8 and 12
    uint32_t start = 0;
    std::string name;
    GeoRect rect;
    bool invert = false;     // -X
    int suaKind = 0;         // -SUAT code: 32 + row (first group), 64 + row (second); 0 all

    // The filters of the settings; the country number as the image resolved it.
    static ListingFilter696 From(const GenSettings& settings, int countryNumber, bool invert, int suaKind);

    bool NameBegins(const std::string& text) const { return text.compare(0, name.size(), name) == 0; }
    bool IdentBegins(const std::string& text) const { return text.compare(0, ident.size(), ident) == 0; }
    // The record filter of the point kinds, before the inversion.
    bool PointPasses(uint32_t countryNumber, const std::string& recordIdent, const std::string& firstName,
                     const std::string& secondName, const Box696& box) const;
    // The airspace filter, before the inversion.
    bool AirspacePasses(const Box696& box, const std::string& firstName, const std::string& secondName, int type,
                        bool firstGroup) const;
    // The sense the filters must give for a record to be listed.
    bool Listed(bool passes) const { return passes != invert; }
};

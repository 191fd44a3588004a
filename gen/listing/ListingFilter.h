// The filters of the section listings: country, ICAO (or a hexadecimal start), name and the
// rectangle, which may cross the 180 degree meridian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen/shell/GenSettings.h"
#include "gen/image/ImageReader.h"

struct ListingFilter {
    int countryIndex = -1;  // the country filter found in the image's table (-1: every record)
    bool hasStart = false;  // the ICAO filter was "0X" and a hexadecimal start
    uint32_t start = 0;
    std::string icao;  // the ICAO filter when it is not a start
    std::string name;
    GeoRect rect;

    // The filters of the settings; the country filter is looked up in the image's countries.
    static ListingFilter From(const GenSettings& settings, const ImageInfo& info);

    bool PassesCountry(uint32_t country) const {
        return countryIndex < 0 || country == static_cast<uint32_t>(countryIndex);
    }
    // The text begins with the ICAO filter (an empty filter or a start passes everything).
    bool PassesIcao(const std::string& ident) const;
    // The text begins with the name filter (empty passes).
    bool NameBegins(const std::string& text) const;
    // The text contains the name filter (empty passes).
    bool NameContains(const std::string& text) const;
    bool PassesPoint(const GeoPoint& p) const;
    // The whole box lies inside the rectangle.
    bool PassesBox(const GeoBox& box) const;
};

// The index of a two-character country id in the image's country table (a missing second
// character counts as a blank), or -1.
int FindCountryIndex(const ImageInfo& info, const std::string& id);

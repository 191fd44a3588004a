#include "gen696/ListingFilter696.h"

#include <cstdlib>

#include "gen696/ListedImage696.h"

namespace {

// a - b as a signed 32-bit difference.
int32_t Diff(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }

// Bits 15-30 from a u16 and bits 10-14 from five more bits, the sign from bit 30.
int32_t Latitude31(uint32_t high16, uint32_t low5) {
    const uint32_t v = high16 << 15 | (low5 & 0x1F) << 10;
    return static_cast<int32_t>(v << 1) >> 1;
}

// Bits 16-31 from a u16, bits 13-15 and 10-12 from two three-bit groups.
int32_t Longitude32(uint32_t high16, uint32_t bits13, uint32_t bits10) {
    return static_cast<int32_t>(high16 << 16 | (bits13 & 7) << 13 | (bits10 & 7) << 10);
}

}  // namespace

bool RectanglePasses696(const GeoRect& rect, const Box696& box) {
    if (rect.SwSet()) {
        if (box.north < rect.swLat || Diff(box.east, rect.swLon) < 0) return false;
    }
    if (rect.NeSet()) {
        if (box.south > rect.neLat || Diff(box.west, rect.neLon) > 0) return false;
    }
    return true;
}

Box696 AirspaceBox696(const uint8_t* r) {
    Box696 box;
    box.south = Latitude31(U16At(r + 2), r[6] >> 3);
    box.west = Longitude32(U16At(r), r[6], r[5] >> 5);
    box.north = Latitude31(U16At(r + 9), r[13] >> 3);
    box.east = Longitude32(U16At(r + 7), r[13], r[12] >> 5);
    return box;
}

Box696 FssBox696(const uint8_t* r) {
    return Box696::Point(static_cast<int32_t>(U16At(r + 2) << 16) >> 1, static_cast<int32_t>(U16At(r) << 16));
}

Box696 TccBox696(const uint8_t* r) {
    const int32_t lat1 = static_cast<int32_t>(U16At(r + 2) << 16) >> 1;
    const int32_t lat2 = static_cast<int32_t>(U16At(r + 6) << 16) >> 1;
    const auto lon1 = static_cast<int32_t>(U16At(r) << 16);
    const auto lon2 = static_cast<int32_t>(U16At(r + 4) << 16);
    return {lat1 < lat2 ? lat1 : lat2, lon1, lat1 < lat2 ? lat2 : lat1, lon2};
}

ListingFilter696 ListingFilter696::From(const GenSettings& settings, int countryNumber, bool invert, int suaKind) {
    ListingFilter696 f;
    f.country = countryNumber;
    const std::string& ident = settings.icaoFilter;
    if (ident.size() >= 2 && ident[0] == '0' && (ident[1] == 'X' || ident[1] == 'x')) {
        f.hasStart = true;
        f.start = static_cast<uint32_t>(std::strtoul(ident.c_str() + 2, nullptr, 16));
    }
    f.ident = ident;
    f.name = settings.nameFilter;
    f.rect = settings.filterRect;
    f.invert = invert;
    f.suaKind = suaKind;
    return f;
}

bool ListingFilter696::PointPasses(uint32_t countryNumber, const std::string& recordIdent, const std::string& firstName,
                                   const std::string& secondName, const Box696& box) const {
    if (country != -1 && static_cast<int64_t>(countryNumber) != country) return false;
    if (!IdentBegins(recordIdent)) return false;
    if (!name.empty() && !NameBegins(firstName) && !NameBegins(secondName)) return false;
    return RectanglePasses696(rect, box);
}

bool ListingFilter696::AirspacePasses(const Box696& box, const std::string& firstName, const std::string& secondName,
                                      int type, bool firstGroup) const {
    if (!RectanglePasses696(rect, box)) return false;
    if (!name.empty() && firstName.find(name) == std::string::npos && secondName.find(name) == std::string::npos) {
        return false;
    }
    if (suaKind != 0) {
        if (type != (suaKind & 0x1F)) return false;
        if (firstGroup != ((suaKind & 0x20) != 0)) return false;
    }
    return true;
}

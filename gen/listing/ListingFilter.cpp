#include "gen/listing/ListingFilter.h"

#include <cctype>
#include <cstdlib>

#include "gen/image/CountryRecord.h"

namespace {

bool BeginsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Offset of a longitude east of the rectangle's west edge, 0 to 2^32 - 1.
uint32_t East(int32_t lon, int32_t west) { return static_cast<uint32_t>(lon) - static_cast<uint32_t>(west); }

}  // namespace

int FindCountryIndex(const ImageInfo& info, const std::string& filter) {
    if (filter.empty()) return -1;
    std::string key = filter.substr(0, 2);
    if (key.size() < 2) key += ' ';
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (size_t i = 0; i < info.countries.size(); ++i) {
        std::string id;
        std::string name;
        UnpackCountryRecord(info.countries[i].data(), &id, &name);
        if (id == key) return static_cast<int>(i);
    }
    return -1;
}

ListingFilter ListingFilter::From(const GenSettings& settings, const ImageInfo& info) {
    ListingFilter f;
    f.countryIndex = FindCountryIndex(info, settings.countryFilter);
    const std::string& icao = settings.icaoFilter;
    if (icao.size() >= 2 && icao[0] == '0' && (icao[1] == 'X' || icao[1] == 'x')) {
        f.hasStart = true;
        f.start = static_cast<uint32_t>(std::strtoul(icao.c_str() + 2, nullptr, 16));
    } else {
        f.icao = icao;
    }
    f.name = settings.nameFilter;
    f.rect = settings.filterRect;
    return f;
}

bool ListingFilter::PassesIcao(const std::string& ident) const { return BeginsWith(ident, icao); }

bool ListingFilter::NameBegins(const std::string& text) const { return BeginsWith(text, name); }

bool ListingFilter::NameContains(const std::string& text) const { return text.find(name) != std::string::npos; }

bool ListingFilter::PassesPoint(const GeoPoint& p) const { return PassesBox(GeoBox{p, p}); }

bool ListingFilter::PassesBox(const GeoBox& box) const {
    const bool sw = rect.SwSet();
    const bool ne = rect.NeSet();
    if (sw && box.sw.lat < rect.swLat) return false;
    if (ne && box.ne.lat > rect.neLat) return false;
    if (sw && ne) {
        // Longitudes counted eastwards from the west edge, so a rectangle may cross 180 degrees.
        const uint32_t width = East(rect.neLon, rect.swLon);
        const uint32_t west = East(box.sw.lon, rect.swLon);
        const uint32_t east = East(box.ne.lon, rect.swLon);
        return west <= width && east <= width && west <= east;
    }
    if (sw && box.sw.lon < rect.swLon) return false;
    if (ne && box.ne.lon > rect.neLon) return false;
    return true;
}

#include "gen/ListingFormat.h"

#include <algorithm>

#include "common/CLocale.h"
#include "common/CoordinateFormat.h"
#include "common/NameCode.h"
#include "common/RunwayDesignator.h"
#include "common/SixBitCode.h"
#include "gen/CountryRecord.h"
#include "gen/GenSettings.h"
#include "gen/IdentCoder.h"
#include "gen/PositionField.h"

bool ListingFlags::RawCoordinates() const { return (debugLevel & kDebugRawCoordinates) != 0; }

std::string FormatName(const ImageInfo& info, const NamePosition& name, size_t limit) {
    if (name.absent) return "<UNSET>";
    if (name.Offset() >= info.names.size()) return "<**name ptr too big**>";
    if (!std::binary_search(info.nameStarts.begin(), info.nameStarts.end(), name.bit)) return "<**name ptr corrupt**>";
    std::string text(limit < 1 ? 1 : limit, '\0');
    DecodeName(info.names.data(), info.names.size(), text.data(), text.size(), name.bit);
    text.resize(std::char_traits<char>::length(text.c_str()));
    return text;
}

std::string FormatCountry(const ImageInfo& info, uint32_t index) {
    if (index >= info.countries.size()) return StringFormatC("?%02x?", index);
    std::string id;
    std::string name;
    UnpackCountryRecord(info.countries[index].data(), &id, &name);
    while (!id.empty() && id.back() == ' ') id.pop_back();
    return name + "-" + id;
}

std::string FormatIdent(const ImageReader& reader, int section, uint32_t number, const uint8_t* record) {
    const SectionParams& s = reader.Params().sections[section];
    const int bucket = reader.BucketOf(section, number);
    std::string ident(1, bucket < 0 ? ' ' : IdentCodeChar(static_cast<unsigned>(bucket) / 4 + 1));
    ident += UnpackIdentTail(s, record, bucket < 0 ? 0 : static_cast<uint32_t>(bucket));
    while (!ident.empty() && ident.back() == ' ') ident.pop_back();
    return ident;
}

std::string FormatPositionPair(const uint8_t* record, const ListingFlags& flags) {
    int32_t lat = 0;
    int32_t lon = 0;
    DecodePosition(record, &lat, &lon);
    char text[kPositionPairTextSize];
    FormatPositionPair(text, lat, lon, flags.decimal, flags.RawCoordinates());
    return text;
}

std::string FormatRunwayId(uint32_t designator, bool reciprocal) {
    char text[kRunwayDesignatorSize];
    FormatRunwayDesignator(text, designator, reciprocal);
    return text;
}

std::string PositionPairText(const GeoPoint& p, const ListingFlags& flags) {
    char text[2 * kCoordinateTextSize + 2] = {};
    AppendPositionPair(text, sizeof text, p.lat, p.lon, flags.decimal);
    return text;
}

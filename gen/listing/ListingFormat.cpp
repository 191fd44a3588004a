#include "gen/listing/ListingFormat.h"

#include <algorithm>
#include <cstring>

#include "common/CLocale.h"
#include "common/CoordinateFormat.h"
#include "common/NameCode.h"
#include "common/RunwayDesignator.h"
#include "common/SixBitCode.h"
#include "gen/image/CountryRecord.h"
#include "gen/shell/GenSettings.h"
#include "gen/image/IdentCoder.h"
#include "gen/image/PositionField.h"

bool ListingFlags::RawCoordinates() const { return (debugLevel & kDebugRawCoordinates) != 0; }

namespace {

// The whole text of the name at nameStarts[index], decoded on its first use.
const std::string& NameText(const ImageInfo& info, size_t index) {
    if (info.nameTexts.size() != info.nameStarts.size()) {
        info.nameTexts.assign(info.nameStarts.size(), std::string());
        info.nameDecoded.assign(info.nameStarts.size(), false);
    }
    if (!info.nameDecoded[index]) {
        // At most one character per three bits.
        char text[kNameCodeMaxBits / 3 + 2] = {};
        DecodeName(info.names.data(), info.names.size(), text, sizeof text, info.nameStarts[index]);
        info.nameTexts[index] = text;
        info.nameDecoded[index] = true;
    }
    return info.nameTexts[index];
}

}  // namespace

size_t FormatNameTo(const ImageInfo& info, const NamePosition& name, char* text, size_t limit) {
    const char* fixed = nullptr;
    auto found = info.nameStarts.end();
    if (name.absent) {
        fixed = "<UNSET>";
    } else if (name.Offset() >= info.names.size()) {
        fixed = "<**name ptr too big**>";
    } else {
        found = std::lower_bound(info.nameStarts.begin(), info.nameStarts.end(), name.bit);
        if (found == info.nameStarts.end() || *found != name.bit) fixed = "<**name ptr corrupt**>";
    }
    if (fixed) {
        const size_t length = std::strlen(fixed);
        std::memcpy(text, fixed, length + 1);
        return length;
    }
    const size_t room = limit < 1 ? 1 : limit;
    const std::string& whole = NameText(info, static_cast<size_t>(found - info.nameStarts.begin()));
    const size_t length = std::min(whole.size(), room - 1);
    std::memcpy(text, whole.data(), length);
    std::memset(text + length, 0, room - length);
    return length;
}

std::string FormatName(const ImageInfo& info, const NamePosition& name, size_t limit) {
    std::string text(std::max<size_t>(limit < 1 ? 1 : limit, 32), '\0');
    text.resize(FormatNameTo(info, name, text.data(), limit));
    return text;
}

std::string FormatCountry(const ImageInfo& info, uint32_t index) {
    if (info.countryTexts.size() == info.countries.size() && index < info.countryTexts.size()) {
        return info.countryTexts[index];
    }
    if (index >= info.countries.size()) return StringFormatC("?%02x?", index);
    std::string id;
    std::string name;
    UnpackCountryRecord(info.countries[index].data(), &id, &name);
    while (!id.empty() && id.back() == ' ') id.pop_back();
    return name + "-" + id;
}

const char* CountryText(const ImageInfo& info, uint32_t index, char scratch[16]) {
    if (info.countryTexts.size() == info.countries.size() && index < info.countryTexts.size()) {
        return info.countryTexts[index].c_str();
    }
    if (index >= info.countries.size()) {
        FormatC(scratch, 16, "?%02x?", index);
        return scratch;
    }
    static thread_local std::string text;
    text = FormatCountry(info, index);
    return text.c_str();
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

std::string PointCountsLine(const uint32_t counts[4]) {
    const uint32_t total = counts[0] + counts[1] + counts[2] + counts[3];
    return StringFormatC("(%u APTs, %u INTs, %u NDBs, %u VORs, %u TOTAL)", counts[0], counts[1], counts[2], counts[3],
                         total);
}

std::string CountryListingLine(const std::string& country, uint32_t index, const ListingFlags& flags) {
    if (!flags.recordNumbers) return country;
    return StringFormatC("%3ld: %s", static_cast<long>(index) + 1, country.c_str());
}

std::string NameListingLine(const std::string& name, unsigned long offset, uint32_t bit, const ListingFlags& flags) {
    if (!flags.recordNumbers) return name;
    if (flags.debugLevel) return StringFormatC("%6lx(%ld): %s", offset, static_cast<long>(7 - bit % 8), name.c_str());
    return StringFormatC("%6lx: %s", offset, name.c_str());
}

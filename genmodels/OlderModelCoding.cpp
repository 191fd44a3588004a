#include "genmodels/OlderModelCoding.h"

#include <cmath>
#include <cstdio>

#include "common/CLocale.h"
#include "common/LatLonText.h"
#include "gen/image/CountryRecord.h"
#include "gen/image/IdentCoder.h"
#include "gen/image/PositionField.h"
#include "gen/image/RecordCoder.h"

namespace {

constexpr uint32_t kLowKeyBits = 0x3FFF;
constexpr uint32_t kCityFallback = 0x1FFFF8;
constexpr uint32_t kDebugRawPositions = 16;
constexpr uint32_t kNoBit = 0xFFFFFFFF;

char BucketChar(uint32_t code) {
    if (code == 0) return ' ';
    if (code < 32) return static_cast<char>(0x40 + code);
    if (code < 48) return static_cast<char>(code + 16);
    return static_cast<char>(code - 16);
}

uint32_t BitAddress(const NamePosition& p) { return p.absent ? kNoBit : p.bit; }

}  // namespace

void PackPosition(uint8_t* record, int32_t lat, int32_t lon) { EncodePosition(record, lat, lon); }

void UnpackPosition(const uint8_t* record, int32_t* lat, int32_t* lon) { DecodePosition(record, lat, lon); }

void PositionKeys(const uint8_t* record, int32_t* lat, int32_t* lon) {
    DecodePosition(record, lat, lon);
    if (*lat < 0) *lat = static_cast<int32_t>(static_cast<uint32_t>(*lat) | kLowKeyBits);
    if (*lon < 0) *lon = static_cast<int32_t>(static_cast<uint32_t>(*lon) | kLowKeyBits);
}

ImageResult OlderIdentBucket(const SectionParams& section, const std::string& ident, uint32_t* bucket) {
    return IdentBucket(section, ident, bucket);
}

ImageResult PackOlderIdent(const SectionParams& section, const std::string& ident, uint8_t* record) {
    return PackIdentCode(section, ident, record);
}

std::string UnpackIdent92(const SectionParams& section, const uint16_t* buckets, uint32_t n, const uint8_t* record) {
    uint32_t bucket = 0;
    for (uint32_t b = 0; b < kBucketCount; ++b) {
        if (buckets[b] == 0xFFFF) continue;
        if (buckets[b] > n) break;
        bucket = b;
    }
    std::string ident(1, BucketChar(bucket / 4 + 1));
    ident += UnpackIdentTail(section, record, bucket);
    while (!ident.empty() && ident.back() == ' ') ident.pop_back();
    return ident;
}

std::string UnpackCountryName92(const uint8_t* table, uint32_t count, uint32_t n) {
    if (n >= count) return "";
    std::string id;
    std::string name;
    UnpackCountryRecord(table + kCountryRecordSize * n, &id, &name);
    while (!id.empty() && id.back() == ' ') id.pop_back();
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name + "-" + id;
}

ImageResult PackNameFields(const ImageParams& params, const SectionParams& section, const NamePosition& facility,
                           const NamePosition& city, uint32_t countryIndex, uint8_t* record,
                           const std::string& ident) {
    if (countryIndex >= kMaxCountries) {
        return ImageResult::Data(StringFormatC("%s \"%s\": country index %u does not fit its byte (limit %u)",
                                               section.name, TrimmedIdent(ident).c_str(), countryIndex,
                                               kMaxCountries - 1));
    }
    record[section.countryByte] = static_cast<uint8_t>(countryIndex);
    if (!section.hasNames) return ImageResult::Ok();
    if (ImageResult r = PutNamePointer(params, section, NameField::Facility, facility, record, ident); !r) return r;
    return PutNamePointer(params, section, NameField::City, city, record, ident);
}

void NameBitAddresses(const ImageParams& params, const SectionParams& section, const uint8_t* record,
                      uint32_t* facility, uint32_t* city) {
    *facility = BitAddress(GetNamePointer(params, section, NameField::Facility, record));
    *city = BitAddress(GetNamePointer(params, section, NameField::City, record));
    if (*city >= kCityFallback) *city = *facility;
}

bool OlderVorFrequencyByte(int32_t vfreq, uint8_t* code) { return VorFrequencyCode(vfreq, code); }

uint32_t OlderElevationCode(int32_t feet) { return ElevationCode(feet); }

std::string FormatRecordPosition(const uint8_t* record, uint32_t debugLevel) {
    int32_t lat = 0;
    int32_t lon = 0;
    UnpackPosition(record, &lat, &lon);
    std::string out;
    if (debugLevel & kDebugRawPositions) {
        out = StringFormatC("[%08x] ", static_cast<unsigned>(lat));
    } else {
        const double degrees = std::fabs(static_cast<double>(lat)) * 360.0 / 4294967296.0;
        long whole = static_cast<long>(degrees);
        double minutes = (degrees - static_cast<double>(whole)) * 60.0;
        if (minutes + 0.0005 >= 60.0) {
            ++whole;
            minutes = 0;
        }
        out = StringFormatC("%c %02ld\xB0%06.3f", lat < 0 ? 'S' : 'N', whole, minutes);
    }
    out.resize(11, ' ');
    out += ' ';
    char text[kLatLonTextSize];
    FormatLatLon(text, lon, true, 1);
    out += text;
    return out;
}

void AppendCompactPosition(std::string& out, int32_t lat, int32_t lon, uint32_t debugLevel) {
    if (debugLevel & kDebugRawPositions) {
        out += StringFormatC("[%08x] [%08x] ", static_cast<unsigned>(lat), static_cast<unsigned>(lon));
        return;
    }
    char text[kLatLonTextSize];
    FormatLatLon(text, lat, false, 3);
    out += text;
    out += ' ';
    FormatLatLon(text, lon, true, 3);
    out += text;
}

// The texts of SUA vertex entries that carry no position: the heights header, the arc markers,
// arcs and circles.
#include "gen/listing/ListingFormatSua.h"

#include <cstring>

#include "common/CLocale.h"
#include "common/CoordinateFormat.h"
#include "common/GreatCircle.h"
#include "common/HeightRange.h"
#include "gen/shell/GenSettings.h"
#include "gen/listing/ListingFormatText.h"

namespace {

// Radius fields count units of 500/6060 nautical miles.
constexpr uint64_t kRadiusNmNumerator = 500;
constexpr uint64_t kRadiusNmDenominator = 6060;
constexpr uint8_t kClockwise = 0x40;

const SuaVertex* Positioned(const SuaVertexList& list, size_t v) {
    return v < list.entries.size() && list.entries[v].positioned ? &list.entries[v] : nullptr;
}

// "%.*f" of units * scale * 500 / 6060 nautical miles with `decimals` (1 or 2) places: rounded
// half up in integers. The quotient's denominator is odd once reduced, so no value lies on a
// tie, and printf of the double quotient rounds the same way.
void AppendNm(std::string& text, uint64_t units, uint64_t scale, int decimals) {
    const uint64_t power = decimals == 1 ? 10 : 100;
    const uint64_t numerator = units * scale * kRadiusNmNumerator * power;
    const uint64_t shown = (2 * numerator + kRadiusNmDenominator) / (2 * kRadiusNmDenominator);
    char digits[32];
    char* at = listfmt::PutUnsigned(digits, shown / power);
    *at++ = '.';
    at = listfmt::PutUnsigned(at, shown % power, decimals, '0');
    text.append(digits, at);
}

}  // namespace

char* PutPositionText(char* at, const GeoPoint& p, const ListingFlags& flags) {
    // The notations of AppendPositionPair, written in place.
    const int notation = flags.decimal ? kNotationSigned10 : kNotationCompact;
    FormatCoordinate(at, p.lat, false, notation);
    at += std::strlen(at);
    *at++ = ' ';
    FormatCoordinate(at, p.lon, true, notation);
    return at + std::strlen(at);
}

void AppendPositionText(std::string& text, const GeoPoint& p, const ListingFlags& flags) {
    char pair[kPositionTextRoom];
    text.append(pair, PutPositionText(pair, p, flags));
}

uint32_t SuaVertexPosition(const SuaVertexList& list, uint32_t v, int32_t* lat, int32_t* lon) {
    *lat = *lon = 0;
    if (v >= list.entries.size()) return 0;
    const SuaVertex& e = list.entries[v];
    *lat = e.positioned ? e.lat : e.centreLat;
    *lon = e.positioned ? e.lon : e.centreLon;
    return e.radius;
}

void AppendSuaEntryText(const SuaVertexList& list, uint32_t v, const ListingFlags& flags, std::string& text) {
    if (v >= list.entries.size()) return;
    const SuaVertex& e = list.entries[v];
    if (e.subKind == kSuaHeights) {
        char range[80] = {};
        AppendHeightRange(range, sizeof range, e.bytes[0], e.bytes[1], e.bytes[2], 0);
        text += range;
        return;
    }
    if (e.positioned || (e.KindByte() & ~1u) != 2) return;
    GeoPoint centre;
    const uint32_t radius = SuaVertexPosition(list, v, &centre.lat, &centre.lon);
    switch (e.subKind) {
        case kSuaArcPoints:
            text += "Arc Points Follow";
            break;
        case kSuaArcEnd:
            text += "End of Arc Points";
            break;
        case kSuaArc:
        case kSuaArcOver180: {
            char points[8];
            text += (e.pointByte & kClockwise) ? "CW " : "ACW ";
            text.append(points, listfmt::PutUnsigned(points, e.pointByte & 63u));
            text += e.subKind == kSuaArcOver180 ? "pt Arc>180, " : "pt Arc, ";
            AppendNm(text, radius, 1, 2);
            text += "nm Radius, Centre ";
            AppendPositionText(text, centre, flags);
            break;
        }
        case kSuaCircle:
            text += "Circle, ";
            AppendNm(text, radius, 2, 1);
            text += "nm Diam, Centre ";
            AppendPositionText(text, centre, flags);
            if (flags.debugLevel & kDebugRawCoordinates) text += FormatCircleCheck(list, v);
            break;
        default:
            break;
    }
}

std::string FormatCircleCheck(const SuaVertexList& list, uint32_t v) {
    if (v >= list.entries.size()) return {};
    const SuaVertex& e = list.entries[v];
    const SuaVertex* edge = Positioned(list, v + 1);
    if (!edge && v > 0) edge = Positioned(list, v - 1);
    if (!edge) return {};
    const double distance = GreatCircleNm(e.centreLat, e.centreLon, edge->lat, edge->lon);
    int points = 0;
    for (size_t i = v + 1; Positioned(list, i); ++i) ++points;
    double difference = 0;
    const SuaVertex* before = v > 0 ? Positioned(list, v - 1) : nullptr;
    const SuaVertex* after = Positioned(list, v + 1);
    if (before && after) {
        const auto mid = [](int32_t a, int32_t b) {
            return static_cast<int32_t>((static_cast<int64_t>(a) + static_cast<int64_t>(b)) / 2);
        };
        difference = distance - GreatCircleNm(e.centreLat, e.centreLon, mid(before->lat, after->lat),
                                              mid(before->lon, after->lon));
    }
    return StringFormatC(" diam=%.1fnm, pts=%d, rad=%d, subrad=%d (%.2fnm)", 2 * distance, points,
                         static_cast<int>(distance * 608), static_cast<int>(e.radius), difference);
}

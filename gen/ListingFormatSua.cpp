// The texts of SUA vertex entries that carry no position: the heights header, the arc markers,
// arcs and circles.
#include "common/CLocale.h"
#include "common/GreatCircle.h"
#include "common/HeightRange.h"
#include "gen/GenSettings.h"
#include "gen/ListingFormat.h"

namespace {

// Radius fields count units of 500/6060 nautical miles.
constexpr double kRadiusUnitsPerNm = 6060.0 / 500.0;
constexpr uint8_t kClockwise = 0x40;

const SuaVertex* Positioned(const SuaVertexList& list, size_t v) {
    return v < list.entries.size() && list.entries[v].positioned ? &list.entries[v] : nullptr;
}

}  // namespace

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
        case kSuaArcOver180:
            text +=
                StringFormatC("%s %dpt Arc%s, %.2fnm Radius, Centre ", (e.pointByte & kClockwise) ? "CW" : "ACW",
                              e.pointByte & 63, e.subKind == kSuaArcOver180 ? ">180" : "", radius / kRadiusUnitsPerNm);
            text += PositionPairText(centre, flags);
            break;
        case kSuaCircle:
            text += StringFormatC("Circle, %.1fnm Diam, Centre ", 2 * radius / kRadiusUnitsPerNm);
            text += PositionPairText(centre, flags);
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

// SUA listing lines: the arc and circle texts over every radius, and lines asked for in any
// order against the same lines walked in turn.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/CLocale.h"
#include "gen/listing/ListingFormatSua.h"
#include "gen/testsupport/ListingExample.h"

using namespace listtest;

namespace {

// Entry 0 and one arc or circle entry of a 12-bit radius field, point byte and centre.
SuaVertexList ArcList(uint8_t subKind, uint32_t radius, uint8_t pointByte, const GeoPoint& centre) {
    SuaVertexList list;
    SuaVertex start;
    start.positioned = true;
    list.entries.push_back(start);
    SuaVertex arc;
    arc.bytes[0] = 3;
    arc.bytes[1] = subKind;
    arc.subKind = subKind;
    arc.radius = radius;
    arc.pointByte = pointByte;
    arc.centreLat = centre.lat;
    arc.centreLon = centre.lon;
    list.entries.push_back(arc);
    return list;
}

TEST(SuaEntryText, EveryRadiusReadsAsItsPrintfText) {
    const double unitsPerNm = 6060.0 / 500.0;
    const GeoPoint centre{Deg(42.0268), Deg(-71.4523)};
    for (const bool decimal : {false, true}) {
        ListingFlags flags;
        flags.decimal = decimal;
        const std::string position = PositionPairText(centre, flags);
        for (uint32_t radius = 0; radius < 4096; ++radius) {
            const auto pointByte = static_cast<uint8_t>(radius * 37);
            for (const uint8_t kind : {kSuaArc, kSuaArcOver180}) {
                std::string text = "x";
                AppendSuaEntryText(ArcList(kind, radius, pointByte, centre), 1, flags, text);
                const std::string expected =
                    StringFormatC("x%s %dpt Arc%s, %.2fnm Radius, Centre ", (pointByte & 0x40) ? "CW" : "ACW",
                                  pointByte & 63, kind == kSuaArcOver180 ? ">180" : "", radius / unitsPerNm);
                ASSERT_EQ(text, expected + position) << "radius " << radius;
            }
            std::string text;
            AppendSuaEntryText(ArcList(kSuaCircle, radius, 0, centre), 1, flags, text);
            ASSERT_EQ(text, StringFormatC("Circle, %.1fnm Diam, Centre ", 2 * radius / unitsPerNm) + position)
                << "radius " << radius;
        }
    }
}

// The view asks for lines by handle in any order, the same area's lines many times over.
TEST(ListingSua, LinesAskedForInAnyOrderMatchTheWalk) {
    imgtest::TempDir dir;
    const std::string path = dir.File("sua.img");
    BuildExample(path);
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir.File(""));
    for (const uint32_t debug : {0u, 3u}) {
        SCOPED_TRACE(debug);
        ListingSource source;
        source.settings.debugLevel = debug;
        source.settings.extraDebugLevel = debug;
        source.Open(path);
        ListingRequest request;
        request.kind = kListSuas;
        source.context.kind = kListSuas;
        source.context.ResetListingPosition();
        std::vector<std::pair<int32_t, std::string>> walked;
        for (int32_t h; (h = NextListingItem(source.context, request)) >= 0;) {
            std::string text;
            ListSection(source.context, request, h, text);
            walked.emplace_back(h, text);
        }
        ASSERT_GT(walked.size(), 10u);
        for (auto it = walked.rbegin(); it != walked.rend(); ++it) {
            std::string text = "stale";
            ListSection(source.context, request, it->first, text);
            EXPECT_EQ(text, it->second) << "handle " << std::hex << it->first;
        }
        // An area that is not there, between two that are.
        std::string text;
        ListSection(source.context, request, 0x7FFF << 10, text);
        EXPECT_EQ(text, "SUA 7fff: no such record");
        ListSection(source.context, request, walked.front().first, text);
        EXPECT_EQ(text, walked.front().second);
    }
    std::filesystem::current_path(old);
}

}  // namespace

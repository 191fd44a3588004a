// The rwy/com/appr entry of an airport and the main-runway summary.
#include <gtest/gtest.h>

#include "gen/image/AirportDetail.h"
#include "gen/image/Image.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(AirportDetail, SummaryOrEntry) {
    const DetailRunway plain{5000, 100, 0x12, 0, 0, 0, 0};
    const DetailRunway longer{7050, 100, 0x21, 0, 0, 0, 0};
    const DetailRunway designated{3000, 100, 0x12, 9, 0, 0, 0};
    const DetailFrequency tower{4, 11830, 0, {}};
    struct Case {
        const char* what;
        bool brief;
        int32_t afuel;
        std::vector<DetailRunway> runways;
        std::vector<DetailFrequency> freqs;
        bool entry;
        uint32_t summary;
    };
    const Case cases[] = {
        {"plain runways", false, 31, {plain, longer, longer}, {}, false, 0x21 * 256 + 70},
        {"no runway: placeholder", false, 0, {}, {}, false, 5 * 256},
        {"frequency", false, 0, {plain}, {tower}, true, 0},
        {"brief with a frequency", true, 0, {plain}, {tower}, false, 0x12 * 256 + 50},
        {"designator", false, 0, {designated}, {}, true, 0},
        {"flag word above 31", false, 32, {plain}, {}, true, 0},
    };
    for (const Case& c : cases) {
        AirportDetailInput in;
        in.brief = c.brief;
        in.afuel = c.afuel;
        in.runways = c.runways;
        in.frequencies = c.freqs;
        AirportDetail out;
        ASSERT_TRUE(BuildAirportDetail(ImageParams496, in, &out).ok()) << c.what;
        EXPECT_EQ(out.hasEntry, c.entry) << c.what;
        if (!c.entry) {
            EXPECT_EQ(out.summary, c.summary) << c.what;
        }
    }
}

TEST(AirportDetail, RunwayAndFrequencyBytes) {
    AirportDetailInput in;
    in.afuel = 0xA0;
    in.runways = {
        // Picture, and a designator with bit 7: one more designator byte.
        {9000, 150, 0x41, 0x1284, 0x05, 0x1234, static_cast<int32_t>(0x89ABCDEF)},
        // Flag word -1: the picture's top byte is the flag byte and no picture follows.
        {3050, 75, 0x45, 0x09, -1, 0x1111, static_cast<int32_t>(0xC2000000)},
    };
    in.frequencies = {
        {0x44, 11830, 0x3000, {3, 0x04, 0x88, 0x13, 0, 0, 0, 0}},  // chain bytes padded to 8
        {0x45, 12190, 0, {}},
    };
    AirportDetail out;
    ASSERT_TRUE(BuildAirportDetail(ImageParams496, in, &out).ok());
    ASSERT_TRUE(out.hasEntry);
    const Bytes expected = {
        0xA3,                                                                   // flags
        90, 0xC1, 30, 0x84, 0x05, 0x12, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89,     // runway 1
        30, 0x05, 15, 0x09, 0xC2,                                               // runway 2
        0x06, 0xB4, 0x44, 0x04, 0x88, 0x13,                                     // 118.30 with restriction
        0x6E, 0x05, 0x05,                                                       // 121.90
    };
    EXPECT_EQ(out.entry, expected);
}

TEST(AirportDetail, ApproachesWithLocalWaypoints) {
    const int32_t lat = 0x10000000;
    const int32_t lon = 0x20000000;
    LocalWaypoint faf{lat - 4096, lon - 3 * 2048, "FAF01", 0};
    LocalWaypoint map{lat + 2048, lon, "MAP", 0x1234};
    AirportDetailInput in;
    in.asno = 0x2A;
    in.lat = lat;
    in.lon = lon;
    DetailApproach a;
    a.sequence = 1;
    a.type = 0x12;
    a.idIndex = 3;
    a.waypointCount = 3;
    a.slots[0] = {0x21, 500, -1, {}};
    a.slots[1] = {0x1A2, 0, 1, {}};  // runway, other end
    a.slots[2] = {0xC3, 0, -1, faf};
    DetailApproach b;
    b.sequence = 0;
    b.type = 0x05;
    b.idIndex = 1;
    b.waypointCount = 2;
    b.slots[0] = {0xC1, 0, -1, faf};  // the same local waypoint: one table entry
    b.slots[1] = {0xE2, 0, -1, map};
    in.approaches = {a, b};
    in.approachCount = 2;
    AirportDetail out;
    const ImageResult r = BuildAirportDetail(ImageParams496, in, &out);
    ASSERT_TRUE(r.ok()) << r.text;

    const uint32_t fafIdent = 6u << 26 | 1u << 20 | 6u << 14 | 32u << 8 | 33u << 2;
    const uint32_t mapIdent = 13u << 12 | 1u << 6 | 16u;
    Bytes expected = {0x1D, 0x00, 0x05, 0x00, 0x00, 0x00};                        // flags, placeholder
    Bytes tableA = {3, 0, 2, 0};                                                   // lon, lat differences
    for (int i = 0; i < 4; ++i) tableA.push_back(static_cast<uint8_t>(fafIdent >> (8 * i)));
    Bytes tableB = {0x00, 0xF8, static_cast<uint8_t>(0x3F | (mapIdent & 3) << 6),
                    static_cast<uint8_t>(mapIdent >> 2), static_cast<uint8_t>(mapIdent >> 10), 0x34, 0x12};
    const Bytes list = {0x05, 0x01, 0x00, 0xC1, 0x00, 0xE2, 0x00,                 // approach 0
                        0x12, 0x03, 0x00, 0x21, 0xF4, 0x01, 0xA2, 0x81, 0xC3, 0x00};  // approach 1
    expected.insert(expected.end(), tableA.begin(), tableA.end());
    expected.insert(expected.end(), tableB.begin(), tableB.end());
    expected.insert(expected.end(), list.begin(), list.end());
    EXPECT_EQ(out.entry, expected);

    // The GPS III Pilot carries no approach data: this airport then needs no entry at all.
    ASSERT_TRUE(BuildAirportDetail(ImageParamsIIIPilot, in, &out).ok());
    EXPECT_FALSE(out.hasEntry);
    EXPECT_EQ(out.summary, 5u * 256);
}

TEST(AirportDetail, LimitsAndMissingParts) {
    auto approach = [](int32_t seq, uint32_t count, uint32_t slots) {
        DetailApproach a;
        a.sequence = seq;
        a.waypointCount = count;
        for (uint32_t i = 0; i < slots; ++i) a.slots[i] = {0x41, i, -1, {}};
        return a;
    };
    struct Case {
        const char* what;
        AirportDetailInput in;
        const char* text;
    };
    std::vector<Case> cases;
    {
        AirportDetailInput in;
        in.runways.assign(81, DetailRunway{1000, 50, 1, 0, 0, 0, 0});
        cases.push_back({"runways", in, "81 runways (limit 80)"});
    }
    {
        AirportDetailInput in;
        in.approaches = {approach(64, 1, 1)};
        cases.push_back({"sequence", in, "approach sequence number 64 outside 0-63"});
    }
    {
        AirportDetailInput in;
        in.approaches = {approach(0, 1, 1), approach(0, 1, 1)};
        in.approachCount = 2;
        cases.push_back({"duplicate sequence", in, "only 1 approaches out of 2"});
    }
    {
        AirportDetailInput in;
        in.approaches = {approach(5, 3, 2)};
        in.approachCount = 1;
        cases.push_back({"waypoints", in, "Approach 5: only 2 wpts found out of 3"});
    }
    {
        AirportDetailInput in;
        for (int i = 0; i < 17; ++i) {
            DetailApproach x;
            x.sequence = i;
            x.slots[0] = {0xE1, 0, -1, {static_cast<int32_t>(i * 2048), 0, "W", 0}};
            in.approaches.push_back(x);
        }
        cases.push_back({"table B", in, "17 local waypoints in table B (limit 16)"});
    }
    {
        AirportDetailInput in;
        Bytes restriction(32, 0);
        restriction[0] = 31;
        in.frequencies.assign(80, DetailFrequency{1, 12000, 0, restriction});
        cases.push_back({"entry length", in, "is too big (limit 2048)"});
    }
    {
        AirportDetailInput in;
        in.approaches = {approach(0, 1, 1)};
        in.approaches[0].slots[0].kind = 0x81;
        cases.push_back({"waypoint kind", in, "Unknown appr wpt type 80"});
    }
    for (const Case& c : cases) {
        AirportDetail out;
        const ImageResult r = BuildAirportDetail(ImageParams496, c.in, &out);
        EXPECT_FALSE(r.ok()) << c.what;
        EXPECT_NE(r.text.find(c.text), std::string::npos) << c.what << ": " << r.text;
    }
}

TEST(AirportDetail, LocalDifferencesAndIdents) {
    EXPECT_EQ(LocalDifference(4096, 0), 2);
    EXPECT_EQ(LocalDifference(0, 4096), -2);
    // Across zero: 2048 is added first when the airport is not negative and the waypoint is.
    EXPECT_EQ(LocalDifference(0, -1), 1);
    EXPECT_EQ(LocalDifference(-1, 0), -1);
    uint8_t area[4] = {0, 0, 0, 0x00};
    PackLocalIdent(std::string("A\0B", 3), 3, area, 3);  // after a NUL every code is 0
    EXPECT_EQ(area[2], 1 << 2);
    EXPECT_EQ(area[1], 0);
    uint8_t blank[3] = {};
    PackLocalIdent("- ", 2, blank, 3);  // below '0': the character code itself
    EXPECT_EQ(blank[2] >> 2, '-');
    EXPECT_EQ(((blank[2] & 3) << 4) | blank[1] >> 4, ' ');
}

}  // namespace

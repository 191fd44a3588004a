// Airways through Create Image and back through Create ISAM: the point references made image
// record numbers, the waypoint index with its chains, the airway fields of the points, the
// grid; the image built again from the database is the same.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dblib/DbDir.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/shell/CGenFrame.h"
#include "gen/testsupport/ShellTestSupport.h"
#include "gen696/PointRecords696.h"
#include "gen696/SectionFile696.h"
#include "gen696/Settings696.h"
#include "gen696/Tessily696.h"
#include "gen696/tests/ImageRun696.h"
#include "platform/testsupport/ScratchDir.h"

namespace {


using Airways696 = ImageRun696;

void AddPoints(bool missingNavaid = false) {
    TestDatabase db;
    CountryRecord c{};
    std::strcpy(c.cid, "US");
    std::strcpy(c.cname, "UNITED STATES");
    dbif_add(c);
    const int32_t g = kGridCell696;
    const struct {
        const char* ident;
        int32_t lat, lon;
    } ints[] = {{"ALPHA", 20 * g + 100, 89 * g + 5000},
                // A little past -180 degrees, that is just short of +180.
                {"BRAVO", 20 * g + 200, static_cast<int32_t>(-90LL * g + 7000 + (1LL << 32))},
                {"CHARL", 22 * g + 300, -88 * g + 9000}};
    for (int i = 0; i < 3; ++i) {
        IntRecord r{};
        r.isno = 10 + i;   // serial numbers that are not the record numbers
        std::strcpy(r.iident, ints[i].ident);
        r.ilat = ints[i].lat;
        r.ilong = ints[i].lon;
        r.iname = r.iparent = -1;
        dbif_add(r);
    }
    // Airway 0: ALPHA BRAVO (across 180 degrees); airway 1: BRAVO CHARL.
    const uint8_t points[][6] = {{12, 0, 0, 0, 0x11, 0x22}, {0x48, 10, 0, 0, 1, 2}, {0x40, 11, 0, 0, 3, 4},
                                 {12, 1, 0, 0, 0x33, 0x44}, {0x48, 11, 0, 0, 5, 6}, {0x40, 12, 0, 0, 7, 8}};
    for (int i = 0; i < 6; ++i) {
        AwpsRecord p{};
        p.wpsno = i;
        p.wpwno = i / 3;
        p.wpseq = i % 3;
        std::memcpy(p.wprec, points[i], 6);
        p.wprec[0] |= 8;   // the head and the first point say another follows
        if (i % 3 == 2) p.wprec[0] &= ~8;
        dbif_add(p);
    }
    for (int k = 0; k < 2; ++k) {
        AwysRecord w{};
        w.wsno = k;
        std::strcpy(w.wname, k ? "J2" : "V1");
        const uint8_t rec[8] = {0, 0x40, 0x22, 0x33, 0x44, 0, static_cast<uint8_t>(3 * k), 0};
        std::memcpy(w.wrec, rec, 8);
        dbif_add(w);
    }
    if (missingNavaid) {
        AwpsRecord p{};
        p.wpsno = 6;
        p.wpwno = 1;
        p.wpseq = 3;
        const uint8_t rec[6] = {0x80, 0x77, 0, 0, 0, 0};   // an NDB that is not there
        std::memcpy(p.wprec, rec, 6);
        dbif_add(p);
    }
}

TEST_F(Airways696, AirwaysGoIntoTheImageAndComeBack) {
    AddPoints();
    Start();
    Run(kModeCreateImage, "a.img");
    const std::vector<uint8_t> a = suitetest::ReadAll("a.img");
    ASSERT_GT(a.size(), 1344u) << ::testing::PrintToString(Doc().Lines());
    const auto [s46, n46] = Entry(a, 46);
    ASSERT_EQ(n46, 6u);
    // References made record numbers (ALPHA 0, BRAVO 1, CHARL 2), the other bits kept.
    EXPECT_EQ(a[s46 + 6 + 1], 0);
    EXPECT_EQ(a[s46 + 12 + 1], 1);
    EXPECT_EQ(a[s46 + 30 + 1], 2);
    EXPECT_EQ(a[s46 + 30 + 4], 7);
    EXPECT_EQ(Entry(a, 45).second, 2u);
    // The waypoint index: ALPHA {0}, BRAVO {2 | bit 18, 4}... sorted by record, positions.
    const auto [s47, n47] = Entry(a, 47);
    ASSERT_EQ(n47, 4u);
    const std::vector<uint32_t> index = {U24(a, s47), U24(a, s47 + 3), U24(a, s47 + 6), U24(a, s47 + 9)};
    EXPECT_EQ(index, (std::vector<uint32_t>{0, 2 | 0x40000, 3, 5}));
    // BRAVO's airway field points at its first entry.
    const auto [recs, nrecs] = Entry(a, 15);
    ASSERT_EQ(nrecs, 3u);
    EXPECT_EQ(AirwayReference696(kInt696, &a[recs + 19]), 1u);
    EXPECT_EQ(AirwayReference696(kInt696, &a[recs + 38]), 3u);
    EXPECT_GT(Entry(a, 74).second, 3u);
    EXPECT_GT(Entry(a, 73).second, 1u);

    std::filesystem::rename("a.img", "keep.img");
    Run(kModeCreateIsam, "keep.img");
    Run(kModeCreateImage, "b.img");
    EXPECT_EQ(suitetest::ReadAll("b.img"), a) << ::testing::PrintToString(Doc().Lines());
}

// An image made where one is replaces it whole, an image made by the run before as well.
TEST_F(Airways696, AnImageMadeOverAnotherReplacesIt) {
    AddPoints();
    Start();
    WriteFile("a.img", std::string(100000, 'Z'));
    Run(kModeCreateImage, "a.img");
    Run(kModeCreateImage, "b.img");
    const std::vector<uint8_t> b = suitetest::ReadAll("b.img");
    ASSERT_GT(b.size(), 1344u) << ::testing::PrintToString(Doc().Lines());
    EXPECT_EQ(suitetest::ReadAll("a.img"), b) << ::testing::PrintToString(Messages());
    Run(kModeCreateImage, "a.img");
    EXPECT_EQ(suitetest::ReadAll("a.img"), b) << ::testing::PrintToString(Messages());
}

// Work begun on threads of their own (the names table from the flagging of names on, the
// airport information from the static data on, the grid from the INT records on) ends with a
// run stopped before its step takes it.
TEST_F(Airways696, StopWhileWorkIsUnderWayEndsTheRunAndTheNextCompletes) {
    AddPoints();
    Start();
    Run(kModeCreateImage, "whole.img");
    const auto last = [this] { return Doc().Lines().empty() ? std::string() : Doc().Lines().back(); };
    for (const char* stopAt : {"Copying static data", "Writing INT records", "Writing AIRWAYS records"}) {
        SCOPED_TRACE(stopAt);
        AddAnswer("Your ISAM database", {}, "Yes");
        View().mode = kModeCreateImage;
        View().fileName = "new.img";
        App().SetState(kStateStartPending);
        for (long i = 1; i < 100000 && last().rfind(stopAt, 0) != 0; ++i) App().OnIdle(i);
        ASSERT_EQ(last().rfind(stopAt, 0), 0u) << ::testing::PrintToString(Doc().Lines());
        ASSERT_TRUE(App().RouteCommand(kCmdStopReset));
        EXPECT_EQ(App().State(), kStateIdle);
        EXPECT_FALSE(std::filesystem::exists("new.img"));
        Run(kModeCreateImage, "new.img");
        EXPECT_EQ(suitetest::ReadAll("new.img"), suitetest::ReadAll("whole.img")) << ::testing::PrintToString(Doc().Lines());
        std::filesystem::remove("new.img");
    }
}

TEST_F(Airways696, AnAirwayPointWhoseNavaidIsMissingEndsTheRun) {
    AddPoints(true);
    Start();
    Run(kModeCreateImage, "a.img");
    const std::vector<std::string> messages = Messages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Cannot continue with airways because NDB(77) is missing"),
              messages.end())
        << ::testing::PrintToString(messages);
    EXPECT_FALSE(std::filesystem::exists("a.img"));
}

}  // namespace

// Approaches through Create Image and back through Create ISAM: the approach ID table, the
// approaches an image can carry, local intersections, local NDBs and ILS records kept once in
// the airport's block, the approach groups; the APPR and LWPT records made again from them; the
// image built again from the database is the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "gen/image/ApproachId.h"
#include "gen/image/RunwayPicture.h"
#include "gen696/AirportInfo696.h"
#include "gen696/tests/ImageRun696.h"
#include "platform/testsupport/ScratchDir.h"

namespace {

using Approaches696 = ImageRun696;

constexpr int32_t kAptLat = 0x21000000;
constexpr int32_t kAptLon = -0x56000000;
constexpr int32_t kRunwayA = 3;   // 14R-32L, with its picture words
constexpr int32_t kRunwayB = 4;   // 09-27

void AddAirport(int32_t asno, const char* ident, int32_t lat, int32_t lon) {
    AptRecord a{};
    a.asno = asno;
    std::strcpy(a.aident, ident);
    a.alat = lat;
    a.along = lon;
    a.afacil = a.acity = -1;
    dbif_add(a);
}

ApprRecord Approach(int32_t psno, int32_t pseq, const char* pid, int32_t p6typ, int32_t pntyp, int32_t pnsno,
                    std::vector<std::pair<int32_t, int32_t>> waypoints) {
    ApprRecord p{};
    p.psno = psno;
    p.paptno = 0;
    p.pseq = pseq;
    p.p6typ = p6typ;
    p.ptyp = p6typ >= 0 && p6typ < 17 ? kApproachTypeTable696[p6typ] : 0;
    std::strcpy(p.pid, pid);
    p.pntyp = pntyp;
    p.pnsno = pnsno;
    for (size_t k = 0; k < waypoints.size(); ++k) {
        p.pwtyp[k] = waypoints[k].first;
        p.pwrecno[k] = waypoints[k].second;
    }
    return p;
}

void AddLocal(int32_t lsno, int32_t type, const char* ident, int32_t dlat, int32_t dlon, int32_t freq) {
    LwptRecord l{};
    l.lsno = lsno;
    l.laptno = 0;
    l.ltyp = type;
    std::strcpy(l.lid, ident);
    l.llat = kAptLat + dlat;
    l.llong = kAptLon + dlon;
    l.lfreq = freq;
    dbif_add(l);
}

// One airport with two runways, an INT, a VOR, an ILS, a local intersection and a local NDB,
// and three approaches: an ILS one, a legacy one (no navaid) and one sharing its local
// intersection; with `leftOut`, also one whose INT is missing, one whose type the database
// cannot hold, one whose VOR and one whose runway is missing.
void AddAirportWithApproaches(bool leftOut, bool approaches = true) {
    TestDatabase db;
    CountryRecord c{};
    std::strcpy(c.cid, "US");
    std::strcpy(c.cname, "UNITED STATES");
    dbif_add(c);
    AddAirport(0, "KXYZ", kAptLat, kAptLon);
    RwyRecord w{};
    w.rsno = kRunwayA;
    w.raptno = 0;
    w.rlen = 10007;
    w.rwidth = 200;
    w.rw = 14 | 96 | 0x80 | 14 << 8;
    w.rflags = 0x21;
    w.rpicfl = 1;
    w.rnpic = 0x00100020;
    w.rnpic2 = static_cast<int32_t>(0xFFF0FFE0u);
    dbif_add(w);
    w = RwyRecord{};
    w.rsno = kRunwayB;
    w.raptno = 0;
    w.rlen = 3700;
    w.rwidth = 100;
    w.rw = 9;
    w.rflags = -1;
    dbif_add(w);
    IntRecord i{};
    i.isno = 5;
    std::strcpy(i.iident, "FAFIX");
    i.ilat = kAptLat + 400000;
    i.ilong = kAptLon - 300000;
    i.iname = i.iparent = -1;
    dbif_add(i);
    VorRecord v{};
    v.vsno = 7;
    std::strcpy(v.vident, "SEA");
    v.vlat = kAptLat - 800000;
    v.vlong = kAptLon + 100000;
    v.vfacil = v.vcity = -1;
    v.vfreq = 11680;
    dbif_add(v);
    AddLocal(0, kRunwayA << 8 | 8 | 0x2000000, "ISEA", -20000, 30000, 11030);
    AddLocal(1, 0x60, "LOCAL", 150000, -260000, 0);
    AddLocal(2, 0x12 << 8 | 0x70, "LN", -90000, 70000, 3500);
    const ApprRecord fixture[] = {
        Approach(0, 0, "I14R", 0, 8, 0, {{1 << 5 | 3, 5}, {5 << 5 | 4 | 0x100, kRunwayA}}),
        Approach(1, 1, "V09", -1, 0, -1, {{6 << 5 | 3, 1}, {7 << 5 | 4, 2}}),
        Approach(2, 2, "V14R", 9, 3, 7, {{6 << 5 | 3, 1}, {1 << 5 | 4, 5}}),
        Approach(3, 3, "R27", 9, 3, 7, {{1 << 5 | 3, 99}, {1 << 5 | 4, 5}}),
        Approach(4, 4, "X1", 20, 3, 7, {{1 << 5 | 3, 5}, {1 << 5 | 4, 5}}),
        Approach(5, 5, "Y2", 9, 3, 8, {{1 << 5 | 3, 5}, {1 << 5 | 4, 5}}),   // a VOR not in the database
        Approach(6, 6, "Z3", 9, 3, 7, {{1 << 5 | 3, 5}, {5 << 5 | 4, 77}}),   // a runway not in the database
    };
    for (ApprRecord p : fixture) {
        if (!approaches || (p.psno >= 3 && !leftOut)) break;
        if (p.pnsno == -1) p.ptyp = 13;   // a legacy VOR approach
        dbif_add(p);
    }
}

std::vector<ApprRecord> ApproachRecords() {
    TestDatabase db;
    std::vector<ApprRecord> out;
    ApprRecord p{};
    dbif_index<ApprRecord>("psno");
    for (bool found = dbif_first(p); found; found = dbif_next(p)) out.push_back(p);
    return out;
}

// The approaches of the one airport of an image.
AirportInfo696 DecodedApproaches(const std::vector<uint8_t>& a, const std::pair<uint32_t, uint32_t>& recs,
                                 const std::pair<uint32_t, uint32_t>& info) {
    AirportInfo696 decoded;
    std::string error;
    const InfoLayout696 layout{9, 14, 7, 0};
    const size_t size = a.size() - info.first;
    EXPECT_TRUE(DecodeAirportInfo696(&a[recs.first], &a[info.first], size, layout, &decoded, &error)) << error;
    EXPECT_TRUE(DecodeAirportApproaches696(&a[info.first], size, layout, &decoded, &error)) << error;
    return decoded;
}

// Left-out approaches take their IDs with them: the ID table holds those of the approaches in
// the image, so the database made again from it builds the same image.
TEST_F(Approaches696, ApproachesTheImageCannotCarryAreLeftOutWithTheirIds) {
    AddAirportWithApproaches(true);
    Start();
    Run(kModeCreateImage, "a.img");
    const std::vector<uint8_t> a = suitetest::ReadAll("a.img");
    ASSERT_GT(a.size(), 1344u) << ::testing::PrintToString(Doc().Lines());
    const std::vector<std::string> lines = Doc().Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "APT 0 approach 4 (X1): image type 20 has no database type, left out"),
              lines.end())
        << ::testing::PrintToString(lines);
    // The IDs of the approaches carried, ascending: I14R V09 V14R (not R27, X1, Y2, Z3).
    const auto [idStart, idCount] = Entry(a, 11);
    ASSERT_EQ(idCount, 3u);
    const char* const want[] = {"I14R", "V09", "V14R"};
    for (uint32_t k = 0; k < idCount; ++k) {
        uint8_t packed[4];
        PackApproachId(packed, want[k]);
        EXPECT_EQ(std::vector<uint8_t>(&a[idStart + 4 * k], &a[idStart + 4 * k + 4]),
                  std::vector<uint8_t>(packed, packed + 4))
            << want[k];
    }
    const AirportInfo696 decoded = DecodedApproaches(a, Entry(a, 7), Entry(a, 10));
    ASSERT_EQ(decoded.approaches.size(), 3u);
    EXPECT_EQ(decoded.approaches[2].idIndex, 2u);

    std::filesystem::rename("a.img", "keep.img");
    Run(kModeCreateIsam, "keep.img");
    EXPECT_EQ(ApproachRecords().size(), 3u);
    Run(kModeCreateImage, "b.img");
    EXPECT_EQ(suitetest::ReadAll("b.img"), a) << ::testing::PrintToString(Doc().Lines());
}

TEST_F(Approaches696, ApproachesGoIntoTheImageAndComeBack) {
    AddAirportWithApproaches(false);
    Start();
    Run(kModeCreateImage, "a.img");
    const std::vector<uint8_t> a = suitetest::ReadAll("a.img");
    ASSERT_GT(a.size(), 1344u) << ::testing::PrintToString(Doc().Lines());
    // Every approach's ID, ascending: I14R V09 V14R.
    EXPECT_EQ(Entry(a, 11).second, 3u);
    ASSERT_EQ(Entry(a, 7).second, 1u);
    const AirportInfo696 decoded = DecodedApproaches(a, Entry(a, 7), Entry(a, 10));
    EXPECT_EQ(decoded.mask, 0x5Du);   // runways, local INTs, local NDBs, ILS, approaches
    EXPECT_EQ(decoded.LocalIntersectionCount(), 1u);   // shared by two approaches
    EXPECT_EQ(decoded.LocalNdbCount(), 1u);
    EXPECT_EQ(decoded.ils.size(), 1u);
    ASSERT_EQ(decoded.approaches.size(), 3u);
    const struct {
        uint32_t type, kind, reference, idIndex;
        uint32_t types[2], references[2];
    } want[] = {
        {0, 8, 0, 0, {0x15, 0x57}, {0, 128}},   // ILS; INT record 0, the runway's other end in slot 0
        {9, 9, 255, 1, {0x65, 0x77}, {0, 0}},   // legacy VOR type: no navaid
        {9, 3, 0, 2, {0x65, 0x17}, {0, 0}},
    };
    for (size_t k = 0; k < 3; ++k) {
        const ApproachEntry696& e = decoded.approaches[k];
        EXPECT_EQ(e.type, want[k].type) << k;
        EXPECT_EQ(e.navaidKind, want[k].kind) << k;
        EXPECT_EQ(e.navaidReference, want[k].reference) << k;
        EXPECT_EQ(e.idIndex, want[k].idIndex) << k;
        ASSERT_EQ(e.waypointCount, 2u) << k;
        for (int j = 0; j < 2; ++j) {
            EXPECT_EQ(e.waypoints[j].type, want[k].types[j]) << k << " " << j;
            EXPECT_EQ(e.waypoints[j].reference, want[k].references[j]) << k << " " << j;
        }
    }

    std::filesystem::rename("a.img", "keep.img");
    Run(kModeCreateIsam, "keep.img");
    const std::vector<ApprRecord> back = ApproachRecords();
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].pwtyp[1], 5 << 5 | 4 | 0x100);
    EXPECT_EQ(back[1].p6typ, 9);
    EXPECT_EQ(back[1].ptyp, 13);
    EXPECT_EQ(back[1].pntyp, 9);
    EXPECT_EQ(back[1].pnsno, 255);
    EXPECT_STREQ(back[1].pid, "V09");
    EXPECT_EQ((std::vector<int32_t>{back[1].pwtyp[0], back[1].pwtyp[1]}), (std::vector<int32_t>{0xC3, 0xE4}));
    // The local intersection of two approaches is one LWPT record.
    EXPECT_EQ(back[1].pwrecno[0], back[2].pwrecno[0]);
    {
        TestDatabase db;
        RwyRecord w{};
        dbif_index<RwyRecord>("rsno");
        ASSERT_TRUE(dbif_first(w));
        uint32_t kind = 0;
        int32_t first = 0;
        int32_t second = 0;
        UnpackRunwayPicture({static_cast<uint16_t>(w.rpicst), static_cast<uint32_t>(w.rpic)}, &kind, &first, &second);
        EXPECT_EQ(kind, 1u);
        EXPECT_EQ(first, w.rnpic);
        EXPECT_EQ(second, w.rnpic2);
        LwptRecord l{};
        dbif_index<LwptRecord>("lsno");
        ASSERT_TRUE(dbif_first(l));
        EXPECT_STREQ(l.lid, "ISEA");
        EXPECT_EQ(l.ltyp, w.rsno << 8 | 8 | 0x2000000);
        EXPECT_EQ(l.lfreq, 11030);
    }
    Run(kModeCreateImage, "b.img");
    EXPECT_EQ(suitetest::ReadAll("b.img"), a) << ::testing::PrintToString(Doc().Lines());
}

// Approaches Create Image cannot place end the run with a message naming the airport, and no
// image is left.
TEST_F(Approaches696, ApproachesThatCannotBePlacedEndTheRun) {
    const struct {
        const char* what;
        int approaches;
        ApprRecord (*make)(int k);
        const char* message;
    } cases[] = {
        {"16 local NDBs", 8,
         [](int k) {
             return Approach(k, k, "N1", 13, 0, -1, {{7 << 5 | 3, 10 + 2 * k}, {7 << 5 | 4, 11 + 2 * k}});
         },
         "*** APT 0: more than 15 local NDBs ***"},
        {"a runway of another airport", 1,
         [](int) { return Approach(0, 0, "R1", 9, 3, 7, {{1 << 5 | 3, 5}, {5 << 5 | 4, 9}}); },
         "*** Runway record 9 for APT 0 is absent ***"},
        {"a sequence number past the 64 slots", 1,
         [](int) { return Approach(0, 70, "R1", 9, 3, 7, {{1 << 5 | 3, 5}, {1 << 5 | 4, 5}}); },
         "*** APT=0x0: approach sequence 70 outside 0-63 ***"},
        {"a local intersection the database lacks", 1,
         [](int) { return Approach(0, 0, "L1", 13, 0, -1, {{6 << 5 | 3, 99}, {1 << 5 | 4, 5}}); },
         "*** Cannot find lwpt lsno = 99 ***"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all("db50");
        WriteSectionFiles696(16, true);
        AddAirportWithApproaches(false, false);
        {
            TestDatabase db;
            AddAirport(1, "KOTH", kAptLat + 1000000, kAptLon);
            RwyRecord w{};
            w.rsno = 9;
            w.raptno = 1;
            w.rw = 9;
            dbif_add(w);
            for (int k = 0; k < 18; ++k) {
                AddLocal(10 + k, 0x70, ("N" + std::to_string(k)).c_str(), 1000 * k, 0, 3000 + k);
            }
            for (int k = 0; k < c.approaches; ++k) dbif_add(c.make(k));
        }
        Start();
        Run(kModeCreateImage, "a.img");
        const std::vector<std::string> messages = Messages();
        EXPECT_NE(std::find(messages.begin(), messages.end(), c.message), messages.end())
            << ::testing::PrintToString(messages);
        EXPECT_FALSE(std::filesystem::exists("a.img"));
    }
}

}  // namespace

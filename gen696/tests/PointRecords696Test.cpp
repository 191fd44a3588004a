#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gen696/PointRecords696.h"

namespace {

TEST(PointRecords696, FieldCodingCases) {
    EXPECT_EQ(VorClassCode696(0x4404), 0x84);
    EXPECT_EQ(VorClassCode696(0x2104), 0x48);
    EXPECT_EQ(IndexCell696(-2 * kGridCell696), -3);
    EXPECT_EQ(IndexCell696(-1), -1);
    EXPECT_EQ(IndexCell696(kGridCell696 - 1), 0);
    EXPECT_EQ(IndexCell696(2 * kGridCell696), 2);

    uint8_t rec[32];
    AptRecord a{};
    std::strcpy(a.aident, "KSEA");
    for (const auto& [height, stored] : {std::pair{-5000, 0}, {27767, 32767}, {433, 5433}, {-6000, 0}}) {
        a.aheight = height;
        ASSERT_TRUE(PackApt696(a, {}, 0, false, rec));
        EXPECT_EQ(rec[10] | (rec[11] & 0x7F) << 8, stored) << height;
    }
    VorRecord v{};
    std::strcpy(v.vident, "SEA");
    v.vfreq = 11795;
    ASSERT_TRUE(PackVor696(v, {}, rec));
    EXPECT_EQ(rec[13], 199);
    v.vfreq = 12080;
    EXPECT_FALSE(PackVor696(v, {}, rec));
    v.vfreq = 11600;
    v.v221817 = -1;
    v.vdme = 0x4404;
    ASSERT_TRUE(PackVor696(v, {}, rec));
    EXPECT_EQ(rec[7] & 0xFC, 0x84);
    IntRecord i{};
    std::strcpy(i.iident, "A#B");
    EXPECT_FALSE(PackInt696(i, {}, rec));
}

TEST(PointRecords696, RecordsComeBackFromTheirBytes) {
    uint8_t rec[32];
    PointHead696 h;
    h.country = 300;
    h.first = {0x12345, 3};
    h.second = {0x1FFFF, 7};
    // X1 of a table whose only entry is the one of "K" + 'P'-'Z' at record 0.
    uint8_t x1[164 * 3];
    std::memset(x1, 0xFF, sizeof x1);
    const auto setX1 = [&](uint32_t entry) { std::memset(x1 + 3 * entry, 0, 3); };

    AptRecord a{};
    std::strcpy(a.aident, "KSEA");
    a.alat = 0x21400080;
    a.along = -0x57123480;
    a.aheight = 433;
    a.afuel = 0x80 | 0x20 | 0x4;
    a.autc = 0x2A;
    a.a212025 = 0x123456;
    a.a221507 = 0x00C0C0E0 & 0xF8C0E0;
    ASSERT_TRUE(PackApt696(a, h, 0x123456, true, rec));
    setX1((11 - 1) * 4 + 1);
    EXPECT_EQ(UnpackIdent696(kPointLayouts696[kApt696], x1, 0, rec), "KSEA");
    int32_t lat = 0;
    int32_t lon = 0;
    UnpackPosition696(rec, &lat, &lon);
    EXPECT_EQ(lat, a.alat);
    EXPECT_EQ(lon, a.along);
    EXPECT_EQ(RecordCountry696(rec), 300u);
    EXPECT_EQ(RecordNamePointer696(rec, 12).offset, 0x12345u);
    EXPECT_EQ(RecordNamePointer696(rec, 12).bit, 3);
    EXPECT_EQ(RecordNamePointer696(rec, 16).offset, 0x1FFFFu);
    AptRecord back = a;   // the common fields are the caller's
    UnpackApt696(rec, &back);
    EXPECT_EQ(back.aheight, 433);
    EXPECT_EQ(back.afuel, 0x80 | 0x20 | 0x4);
    EXPECT_EQ(back.autc, 0x2A);
    EXPECT_EQ(back.a212025, 0x123456);
    EXPECT_EQ(back.a221507, a.a221507);
    uint8_t again[32];
    ASSERT_TRUE(PackApt696(back, h, 0x123456, true, again));
    EXPECT_EQ(std::memcmp(rec, again, 29), 0);

    NdbRecord b{};
    std::strcpy(b.bident, "Xq");   // digits stored as 'p'-'y'
    b.bfreq = 3620;
    b.bcompat = 5;
    b.bflags = 0xD0;
    ASSERT_TRUE(PackNdb696(b, h, rec));
    std::memset(x1, 0xFF, sizeof x1);
    setX1((24 - 1) * 4 + 2);
    EXPECT_EQ(UnpackIdent696(kPointLayouts696[kNdb696], x1, 0, rec), "Xq");
    EXPECT_EQ(AirwayReference696(kNdb696, rec), kNoAirway696);
    SetAirwayReference696(kNdb696, rec, 0x2ABCD);
    EXPECT_EQ(AirwayReference696(kNdb696, rec), 0x2ABCDu);
    NdbRecord nb = b;
    UnpackNdb696(rec, &nb);
    EXPECT_EQ(nb.bfreq, 3620);
    EXPECT_EQ(nb.bcompat & 5, 5);
    ASSERT_TRUE(PackNdb696(nb, h, again));
    SetAirwayReference696(kNdb696, again, 0x2ABCD);
    EXPECT_EQ(std::memcmp(rec, again, 20), 0);

    VorRecord v{};
    std::strcpy(v.vident, "SEA");
    v.vfreq = 11680;
    v.vtr = 0xA8;
    v.vmag = 0xEC;
    v.v221817 = 0x00F41234;
    v.vdme = 1;
    ASSERT_TRUE(PackVor696(v, h, rec));
    VorRecord nv = v;
    UnpackVor696(rec, &nv);
    ASSERT_TRUE(PackVor696(nv, h, again));
    EXPECT_EQ(std::memcmp(rec, again, 23), 0);
    EXPECT_EQ(nv.vfreq, 11680);

    IntRecord i{};
    std::strcpy(i.iident, "ALDER");
    i.iflags = 0x3F0;
    ASSERT_TRUE(PackInt696(i, h, rec));
    std::memset(x1, 0xFF, sizeof x1);
    setX1(0);
    EXPECT_EQ(UnpackIdent696(kPointLayouts696[kInt696], x1, 0, rec), "ALDER");
    IntRecord ni = i;
    UnpackInt696(rec, &ni);
    ASSERT_TRUE(PackInt696(ni, h, again));
    EXPECT_EQ(std::memcmp(rec, again, 19), 0);
}

}  // namespace

#include "gen696/PointIndexes696.h"
#include "gen696/PointTraits696.h"

namespace {

uint32_t At(const IndexBytes696& b, size_t i) { return b[3 * i] | b[3 * i + 1] << 8 | b[3 * i + 2] << 16; }

TEST(PointIndexes696, OrdersAndBoxes) {
    constexpr int32_t G = kGridCell696;
    std::vector<IndexedPoint696> p(4);
    p[0] = {G + 5, G + 5, 30, 8, true};
    p[1] = {-2 * G, 0, 10, 8, true};        // latitude cell -3
    p[2] = {G + 9, G + 9, 10, 0, false};    // no city: not in X3
    p[3] = {G + 1, 2 * G, 20, 4, true};
    uint32_t x1[kX1Entries696];
    std::fill(std::begin(x1), std::end(x1), kNoRecord696);
    x1[5] = 2;
    PointIndexes696 out;
    std::string error;
    ASSERT_TRUE(BuildPointIndexes696(p, x1, &out, &error)) << error;
    EXPECT_EQ(out.x1.size(), 164u * 3);
    EXPECT_EQ(At(out.x1, 5), 2u);
    EXPECT_EQ(At(out.x1, 6), 0xFFFFFFu);
    EXPECT_EQ((std::vector<uint32_t>{At(out.x2, 0), At(out.x2, 1), At(out.x2, 2), At(out.x2, 3)}),
              (std::vector<uint32_t>{1, 0, 2, 3}));
    ASSERT_EQ(out.x3Count, 3u);
    EXPECT_EQ((std::vector<uint32_t>{At(out.x3, 0), At(out.x3, 1), At(out.x3, 2)}), (std::vector<uint32_t>{3, 0, 1}));
    EXPECT_EQ((std::vector<uint32_t>{At(out.x4, 0), At(out.x4, 1), At(out.x4, 2), At(out.x4, 3)}),
              (std::vector<uint32_t>{1, 2, 3, 0}));
    // Boxes: (-3, 0) alone; (1, 1) with two records; (1, 2) with one, in the same run as (1, 1).
    ASSERT_EQ(out.x5Count, 2u);
    const uint8_t* run = &out.x5[26];
    const int box = 1 * 180 + 1 + 8190;
    const int first = box % 5;
    EXPECT_EQ(run[5 + 4 * first], 2);   // count
    EXPECT_EQ(run[7 + 4 * first], 1);   // first X2 position
    EXPECT_EQ(run[5 + 4 * (first + 1)], 1);

    // A point outside the grid is refused.
    p[0].lat = 89 * G;
    EXPECT_FALSE(BuildPointIndexes696(p, x1, &out, &error));
    EXPECT_EQ(error.rfind("grid box out of range", 0), 0u);
}

// Many records with keys that tie, spread over every digit of the sort: each index holds them
// by key, then by record number.
TEST(PointIndexes696, TiesKeepRecordOrderOverManyRecords) {
    constexpr int32_t G = kGridCell696;
    std::vector<IndexedPoint696> p(70000);
    uint32_t x = 7;
    for (IndexedPoint696& q : p) {
        x = x * 1664525u + 1013904223u;
        q.lat = (static_cast<int32_t>(x >> 20) % 80 - 40) * G + 5;
        q.lon = (static_cast<int32_t>(x >> 12 & 0xFF) % 170 - 85) * G + 5;
        q.firstOffset = (x >> 8) % 3 == 0 ? 0x1FFFFF : (x >> 4) % 997 * 2099;
        q.secondOffset = x % 13 * 0x10000;
        q.hasSecond = (x >> 3) % 4 != 0;
    }
    uint32_t x1[kX1Entries696];
    std::fill(std::begin(x1), std::end(x1), kNoRecord696);
    PointIndexes696 out;
    std::string error;
    ASSERT_TRUE(BuildPointIndexes696(p, x1, &out, &error)) << error;
    const auto expect = [&p](auto key, bool seconds) {
        std::vector<uint32_t> order;
        for (uint32_t i = 0; i < p.size(); ++i) {
            if (!seconds || p[i].hasSecond) order.push_back(i);
        }
        std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return key(p[a]) < key(p[b]); });
        return order;
    };
    const auto got = [](const IndexBytes696& b) {
        std::vector<uint32_t> order;
        for (size_t i = 0; i < b.size() / 3; ++i) order.push_back(At(b, i));
        return order;
    };
    EXPECT_EQ(got(out.x2), expect([](const IndexedPoint696& q) {
                  return std::pair{IndexCell696(q.lat), IndexCell696(q.lon)};
              }, false));
    EXPECT_EQ(got(out.x3), expect([](const IndexedPoint696& q) { return q.secondOffset; }, true));
    EXPECT_EQ(got(out.x4), expect([](const IndexedPoint696& q) { return q.firstOffset; }, false));
}

TEST(PointTraits696, IntersectionWithFlagsOfAllOnesHasNeitherNameNorParent) {
    IntRecord i{};
    i.iname = 4;
    i.iparent = 5;
    i.iflags = -1;
    EXPECT_EQ(PointTraits696<IntRecord>::First(i), -1);
    EXPECT_EQ(PointTraits696<IntRecord>::Second(i), -1);
    uint8_t rec[32];
    std::strcpy(i.iident, "ABCDE");
    ASSERT_TRUE(PackInt696(i, {}, rec));
    EXPECT_EQ(rec[7] & 0xF0, 0);
    EXPECT_EQ(rec[8] & 3, 0);
    i.iflags = 0;
    EXPECT_EQ(PointTraits696<IntRecord>::Second(i), 4);
}

}  // namespace

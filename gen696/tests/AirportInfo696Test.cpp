// The airport information block decoder and the approach group decoder, on blocks laid out
// by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gen696/AirportInfo696.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A block: the mask, the length words, the parts in bit order.
Bytes Block(const std::vector<std::pair<int, Bytes>>& parts) {
    Bytes b;
    uint32_t mask = 0;
    for (const auto& p : parts) mask |= 1u << p.first;
    Put16(b, mask);
    for (const auto& p : parts) Put16(b, static_cast<uint32_t>(p.second.size()));
    for (const auto& p : parts) b.insert(b.end(), p.second.begin(), p.second.end());
    return b;
}

// An APT record pointing at `offset` of section 10.
void PointAt(uint8_t rec[29], uint32_t offset) {
    std::memset(rec, 0, 29);
    rec[11] = 0x80;
    rec[23] = offset & 0xFF;
    rec[24] = (offset >> 8) & 0xFF;
    rec[19] = static_cast<uint8_t>(((offset >> 16) & 0x7F) << 1);
}

InfoLayout696 Layout() {
    InfoLayout696 l;
    l.runwayFixedLength = 10;
    l.pictureLength = 14;
    l.approachFixedLength = 7;
    l.groupExtraBytes = 2;
    return l;
}

// A runway entry of fixed length 10 (11 with the long designator).
Bytes Runway(uint32_t length, uint8_t surface, bool more, uint32_t designator, uint8_t flags, uint32_t width,
             uint8_t pf, uint32_t pic1 = 0, uint32_t pic2 = 0, const Bytes& extra = {}) {
    Bytes b;
    Put16(b, length);
    b.push_back(static_cast<uint8_t>(surface | (more ? 0x80 : 0)));
    b.push_back(static_cast<uint8_t>(designator));
    b.push_back(flags);
    Put16(b, width << 5 | pf);
    if (pf & 4) b.push_back(static_cast<uint8_t>(designator >> 8));
    while (b.size() < ((pf & 4) ? 11u : 10u)) b.push_back(0);
    if (pf & 8) {
        Put32(b, pic1);
        Put32(b, pic2);
    }
    b.insert(b.end(), extra.begin(), extra.end());
    return b;
}

TEST(AirportInfo696, RunwaysAndFrequenciesDecodeWithPicturesExtrasAndRemarks) {
    Bytes runways = Runway(5000, 0x12, true, 0x0410, 0x21, 150, 0x1F, 0x11223344, 0x55667788,
                           {1, 2, 3, 4, 5, 6, 9, 8, 7, 6});
    const Bytes second = Runway(2300, 3, false, 9, 0, 60, 0);
    runways.insert(runways.end(), second.begin(), second.end());
    Bytes freqs;
    // 118.52 with flag bits 5, a remarks blob: sector, BELOW, text of 2 bytes.
    Put16(freqs, (11852 - 10800) | (5 << 12) | 0x8000);
    freqs.push_back(0x8A);
    freqs.push_back(0x33);
    const Bytes blob = {0x15, 10, 20, 1, 0x34, 0x12, 2, 0xAB, 0xCD};
    freqs.insert(freqs.end(), blob.begin(), blob.end());
    Put16(freqs, 12210 - 10800);
    freqs.push_back(0x05);
    freqs.push_back(0);
    Bytes section = {0xEE, 0xEE, 0xEE};   // another airport's bytes before
    const Bytes block = Block({{0, runways}, {1, freqs}});
    section.insert(section.end(), block.begin(), block.end());
    uint8_t rec[29];
    PointAt(rec, 3);

    AirportInfo696 info;
    std::string error;
    ASSERT_TRUE(DecodeAirportInfo696(rec, section.data(), section.size(), Layout(), &info, &error)) << error;
    ASSERT_EQ(info.runways.size(), 2u);
    const RunwaySlot696& r = info.runways[0];
    EXPECT_EQ(r.length, 5000u);
    EXPECT_EQ(r.surface, 0x12);
    EXPECT_EQ(r.designator, 0x0410u);
    EXPECT_EQ(r.flags, 0x21);
    EXPECT_EQ(r.width, 150u);
    EXPECT_EQ(r.pictureFlags, 0x1F);
    EXPECT_EQ(r.picture[0], 0x11223344u);
    EXPECT_EQ(r.picture[1], 0x55667788u);
    const uint8_t extra[16] = {1, 2, 3, 4, 5, 6, 9, 8, 7, 6, 0xFF, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(r.extra, extra, 16), 0);
    EXPECT_EQ(info.runways[1].length, 2300u);
    EXPECT_EQ(info.runways[1].designator, 9u);
    EXPECT_EQ(info.runways[1].extra[9], 0xFF);

    ASSERT_EQ(info.frequencies.size(), 2u);
    EXPECT_EQ(info.frequencies[0].value, 11852u - 10800u);
    EXPECT_EQ(info.frequencies[0].flagBits, 5u);
    EXPECT_EQ(info.frequencies[0].type, 0x8A);
    EXPECT_EQ(info.frequencies[0].further, 0x33);
    Bytes kept = {static_cast<uint8_t>(blob.size())};
    kept.insert(kept.end(), blob.begin(), blob.end());
    EXPECT_EQ(info.frequencies[0].remarks, kept);
    EXPECT_TRUE(info.frequencies[1].remarks.empty());
    EXPECT_EQ(info.frequencies[1].value, 12210u - 10800u);
}

TEST(AirportInfo696, ShortFormsLimitsAndMissingParts) {
    // No block: the single runway of the record.
    uint8_t rec[29] = {};
    rec[23] = 23;
    rec[24] = 0x12;
    AirportInfo696 info;
    std::string error;
    ASSERT_TRUE(DecodeAirportInfo696(rec, nullptr, 0, Layout(), &info, &error));
    EXPECT_FALSE(info.hasBlock);
    ASSERT_EQ(info.runways.size(), 1u);
    EXPECT_EQ(info.runways[0].length, 2300u);
    EXPECT_EQ(info.runways[0].surface, 0x12);
    EXPECT_EQ(info.runways[0].flags, -1);
    EXPECT_TRUE(info.frequencies.empty());

    // Frequencies only: no runways.
    Bytes freq;
    Put16(freq, 100);
    freq.push_back(1);
    freq.push_back(0);
    Bytes section = Block({{1, freq}});
    PointAt(rec, 0);
    ASSERT_TRUE(DecodeAirportInfo696(rec, section.data(), section.size(), Layout(), &info, &error));
    EXPECT_TRUE(info.runways.empty());
    EXPECT_EQ(info.frequencies.size(), 1u);

    // 81 runways chained: 80 read.
    Bytes many;
    for (int i = 0; i < 81; ++i) {
        const Bytes r = Runway(100u + i, 1, i < 80, 1, 0, 0, 0);
        many.insert(many.end(), r.begin(), r.end());
    }
    section = Block({{0, many}});
    ASSERT_TRUE(DecodeAirportInfo696(rec, section.data(), section.size(), Layout(), &info, &error));
    EXPECT_EQ(info.runways.size(), 80u);
    EXPECT_EQ(info.runways.back().length, 179u);

    // Damaged blocks: refused with a message, nothing read outside the section.
    const std::vector<Bytes> damaged = {
        {0x01},                                   // mask cut
        {0x03, 0x00, 0x04, 0x00},                 // a length word missing
        {0x01, 0x00, 0x40, 0x00, 1, 2, 3},        // a part past the section
        Block({{0, Runway(1, 1, true, 1, 0, 0, 0)}}),   // the chain says more, the part ends
    };
    for (const Bytes& d : damaged) {
        EXPECT_FALSE(DecodeAirportInfo696(rec, d.data(), d.size(), Layout(), &info, &error));
        EXPECT_FALSE(error.empty());
    }
    PointAt(rec, 0x7FFFFF);
    EXPECT_FALSE(DecodeAirportInfo696(rec, section.data(), section.size(), Layout(), &info, &error));
}

TEST(AirportInfo696, GroupLengthsFollowTheTable) {
    struct Case {
        Bytes group;
        size_t length;
    };
    const std::vector<Case> cases = {
        {{0x00, 0x10, 0, 0, 0, 0, 0}, 15},             // code 0 near
        {{0x00, 0x51, 0, 0, 0, 0, 0xC0}, 17},          // code 0 far, optional, byte 6 bits 6-7
        {{0x01}, 5},
        {{0x12}, 5},                                   // code 18
        {{0x03, 0x10, 0, 0, 0, 0, 0xC0}, 11},          // code 3: bits 6-7 of byte 6 add 2
        {{0x04, 0, 0, 0}, 4},
        {{0x04, 0, 0, 5}, 6},
        {{0x14, 0, 0, 7}, 8},                          // code 20, byte 3 = 7
        {{0x05, 0x31, 0, 0, 0, 0, 0, 3}, 13},          // code 5, VOR kind, optional, byte 7 = 3
        {{0x0E, 0x20, 0, 0}, 5},                       // code 14 near
        {{0x0E, 0x60, 0, 0}, 4},                       // far
        {{0x11, 0x80, 0, 0}, 1},                       // kind 8
        {{0x06, 0x21, 0, 3}, 9},                       // optional, byte 3 bits 0-1
        {{0x0A, 0x10}, 7},
        {{0x0B, 0x11, 0, 0, 0, 0, 0, 0}, 10},          // code 11 ignores the optional bytes
        {{0x10, 0x10, 0, 0x51}, 14},                   // code 16, byte 3 above 80
        {{0x10, 0x10, 0, 0x50}, 16},
        {{0x16, 0x60}, 8},                             // code 22 far
    };
    for (const Case& c : cases) {
        Bytes g = c.group;
        g.resize(20, 0);
        size_t n = 0;
        ASSERT_TRUE(GroupLength696(g.data(), 0, g.size(), &n)) << int(c.group[0]);
        EXPECT_EQ(n, c.length) << "header " << int(c.group[0]) << " type " << int(c.group[1]);
    }
    const Bytes cut = {0x00};
    size_t n = 0;
    EXPECT_FALSE(GroupLength696(cut.data(), 0, cut.size(), &n));
}

// An approach as the builder writes it: fixed part of 7 bytes (+1 for kinds below 7), one
// segment, groups 0x8E and 0x11.
Bytes Approach(uint32_t type, uint32_t id, uint32_t kind, uint32_t ref, bool last, const Bytes& g1, const Bytes& g2) {
    Bytes b = {static_cast<uint8_t>(type * 2 | (last ? 0 : 1))};
    Put16(b, id);
    b.push_back(static_cast<uint8_t>(kind));
    b.push_back(static_cast<uint8_t>(ref));
    Put16(b, 300);
    if (kind < 7) b.push_back(static_cast<uint8_t>(ref >> 8));
    b.insert(b.end(), {0x00, 0xFF, 0xFF, 0x8E});
    b.insert(b.end(), g1.begin(), g1.end());
    b.push_back(0x11);
    b.insert(b.end(), g2.begin(), g2.end());
    return b;
}

// A waypoint group's bytes after its header (near: the reference's bits 16-17 and 8-15).
Bytes Wpt(uint8_t type, uint32_t ref) {
    if (type < 0x50) {
        return {type, static_cast<uint8_t>(ref), static_cast<uint8_t>((ref >> 14) & 0x0C), static_cast<uint8_t>(ref >> 8)};
    }
    return {type, static_cast<uint8_t>(ref), 0};
}

TEST(AirportInfo696, ApproachesWithLocalWaypointsAndIls) {
    Bytes ints;
    for (int i = 0; i < 2; ++i) {
        Bytes e = {1, 2, 3, 4, 5, 0, 7, 8, static_cast<uint8_t>(i)};
        if (i == 0) e[5] |= 1;
        ints.insert(ints.end(), e.begin(), e.end());
    }
    Bytes ndbs = {9, 9, 9, 9, 9, 0x11, 0x22, 0x33, 0x44, 0x00, 0x55};
    Bytes ils(22, 0);
    ils[11] = 2;   // long form, the last
    ils[8] = 40;
    Bytes apps = Approach(3, 0x0102, 2, 0x2345, false, Wpt(0x14, 0x3ABCD), Wpt(0x66, 1));
    const Bytes a2 = Approach(0, 7, 8, 0, false, Wpt(0x74, 0), Wpt(0x56, 0x83));
    const Bytes a3 = Approach(20, 1, 7, 0, true, Wpt(0x10, 5), Wpt(0x66, 0));   // a group not kept
    apps.insert(apps.end(), a2.begin(), a2.end());
    apps.insert(apps.end(), a3.begin(), a3.end());
    Bytes runway = Runway(1000, 1, false, 1, 0, 0, 0);
    const Bytes section = Block({{0, runway}, {2, ints}, {3, ndbs}, {4, ils}, {6, apps}});
    uint8_t rec[29];
    PointAt(rec, 0);
    AirportInfo696 info;
    std::string error;
    ASSERT_TRUE(DecodeAirportInfo696(rec, section.data(), section.size(), Layout(), &info, &error)) << error;
    ASSERT_TRUE(DecodeAirportApproaches696(section.data(), section.size(), Layout(), &info, &error)) << error;
    EXPECT_EQ(info.LocalIntersectionCount(), 2u);
    EXPECT_EQ(info.LocalNdbCount(), 1u);
    ASSERT_EQ(info.ils.size(), 1u);
    EXPECT_EQ(info.ils[0].size(), 22u);
    ASSERT_EQ(info.approaches.size(), 3u);

    const ApproachEntry696& a = info.approaches[0];
    EXPECT_EQ(a.type, 3u);
    EXPECT_EQ(a.idIndex, 0x0102u);
    EXPECT_EQ(a.navaidKind, 2u);
    EXPECT_EQ(a.navaidReference, 0x2345u);   // 16 bits below kind 7
    EXPECT_EQ(a.waypointCount, 2u);
    EXPECT_EQ(a.waypoints[0].type, 0x15u);
    EXPECT_EQ(a.waypoints[0].reference, 0x3ABCDu);   // code 14 keeps the reference whole
    EXPECT_EQ(a.waypoints[1].type, 0x67u);
    EXPECT_EQ(a.waypoints[1].reference, 1u);
    EXPECT_EQ(a.waypoints[1].data[8], 1);   // the second local intersection's bytes

    const ApproachEntry696& b = info.approaches[1];
    EXPECT_EQ(b.navaidKind, 8u);
    EXPECT_EQ(b.navaidData[8], 40);
    EXPECT_EQ(b.waypoints[0].type, 0x75u);
    EXPECT_EQ(b.waypoints[0].data[10], 0x55);
    EXPECT_EQ(b.waypoints[1].reference, 0x83u);

    EXPECT_EQ(info.approaches[2].type, 20u);
    EXPECT_EQ(info.approaches[2].waypointCount, 1u);
    EXPECT_EQ(info.approaches[2].navaidData[10], 0x55);
    ASSERT_EQ(info.notes.size(), 1u);
    EXPECT_EQ(info.notes[0], "** Approach with 1 wpts **");
}

TEST(AirportInfo696, DamagedApproachDataIsRefused) {
    uint8_t rec[29];
    PointAt(rec, 0);
    struct Case {
        Bytes section;
        std::string message;
    };
    Bytes bad = Approach(1, 0, 1, 0, true, Wpt(0x14, 1), Wpt(0x16, 2));
    bad[16] = 0x97;   // the second group's header: code 23
    Bytes manyInts;
    for (int i = 0; i < 256; ++i) {
        Bytes e(9, 0);
        e[5] = i < 255 ? 1 : 0;
        manyInts.insert(manyInts.end(), e.begin(), e.end());
    }
    const Bytes ok = Approach(1, 0, 1, 0, true, Wpt(0x14, 1), Wpt(0x16, 2));
    const std::vector<Case> cases = {
        {Block({{6, bad}}), "Unknown approach group hdr=97 aprno=0"},
        {Block({{2, manyInts}, {6, ok}}), "too many local INTs"},
        {Block({{6, Approach(1, 0, 7, 0, true, Wpt(0x14, 1), Wpt(0x16, 2))}}), ""},   // no local NDB 0
        {Block({{6, Approach(1, 0, 1, 0, true, Wpt(0x14, 1), Wpt(0x66, 0))}}), ""},   // no local INT 0
        {Block({{6, Bytes(ok.begin(), ok.end() - 2)}}), ""},                          // cut
    };
    for (const Case& c : cases) {
        AirportInfo696 info;
        std::string error;
        ASSERT_TRUE(DecodeAirportInfo696(rec, c.section.data(), c.section.size(), Layout(), &info, &error)) << error;
        EXPECT_FALSE(DecodeAirportApproaches696(c.section.data(), c.section.size(), Layout(), &info, &error));
        if (!c.message.empty()) {
            EXPECT_EQ(error, c.message);
        }
        EXPECT_FALSE(error.empty());
    }
}

TEST(AirportInfo696, DamagedBlocksAreReadWithinTheSection) {
    Bytes apps = Approach(3, 1, 2, 5, false, Wpt(0x14, 9), Wpt(0x66, 0));
    const Bytes a2 = Approach(0, 7, 8, 0, true, Wpt(0x74, 0), Wpt(0x56, 0x83));
    apps.insert(apps.end(), a2.begin(), a2.end());
    Bytes freq;
    Put16(freq, 100 | 0x8000);
    freq.insert(freq.end(), {0x81, 0, 0x1F, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 2, 1, 2});
    Put16(freq, 200);
    freq.insert(freq.end(), {2, 0});
    const Bytes sound = Block({{0, Runway(1000, 1, false, 1, 0, 3, 0x1C, 1, 2, Bytes(10, 7))},
                               {1, freq},
                               {2, Bytes(9, 0)},
                               {3, Bytes(11, 0)},
                               {4, Bytes(15, 0)},
                               {6, apps}});
    uint8_t rec[29];
    PointAt(rec, 0);
    std::mt19937 rng(696);
    for (int round = 0; round < 3000; ++round) {
        Bytes d = sound;
        for (int k = 0, n = 1 + static_cast<int>(rng() % 4); k < n; ++k) {
            d[rng() % d.size()] ^= static_cast<uint8_t>(1 << (rng() % 8));
        }
        if (rng() % 3 == 0) d.resize(rng() % d.size());
        // Exactly sized, so that a read past the end is caught by the sanitizer.
        std::vector<uint8_t> exact(d.begin(), d.end());
        AirportInfo696 info;
        std::string error;
        if (DecodeAirportInfo696(rec, exact.data(), exact.size(), Layout(), &info, &error)) {
            DecodeAirportApproaches696(exact.data(), exact.size(), Layout(), &info, &error);
        }
    }
}

}  // namespace

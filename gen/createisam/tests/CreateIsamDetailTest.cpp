// The rwy/com/appr entry read back by Create ISAM: decoding an entry and building it again
// from what was decoded gives the same bytes; damaged entries give errors, never reads past
// their end.
#include <gtest/gtest.h>

#include <random>

#include "gen/image/AirportDetail.h"
#include "gen/createisam/CreateIsamDetail.h"
#include "gen/image/ImageParams.h"
#include "gen/image/RestrictionCoder.h"

namespace {

DetailLimits Limits() {
    DetailLimits limits;
    limits.approachIds = 300;
    for (uint32_t& n : limits.sectionRecords) n = 1000;
    return limits;
}

// The input that builds the decoded entry again.
AirportDetailInput Rebuilt(const DecodedAirportDetail& d, int32_t lat, int32_t lon) {
    AirportDetailInput in;
    in.lat = lat;
    in.lon = lon;
    in.afuel = d.flags & 0xE0;
    in.runways = d.runways;
    in.frequencies = d.frequencies;
    in.approaches = d.approaches;
    in.approachCount = static_cast<uint32_t>(d.approaches.size());
    return in;
}

// Builds the entry from `in`, decodes it with the airport's position as an image holds it, and
// checks that the decoded values build the same bytes.
void ExpectRoundTrip(const AirportDetailInput& in, const ImageParams& params = ImageParams496) {
    AirportDetail built;
    ASSERT_TRUE(BuildAirportDetail(params, in, &built).ok());
    ASSERT_TRUE(built.hasEntry);
    const int32_t lat = in.lat & ~0x7FF;
    const int32_t lon = in.lon & ~0x7FF;
    DecodedAirportDetail decoded;
    const ImageResult r = DecodeAirportDetail(params, built.entry.data(), static_cast<uint32_t>(built.entry.size()),
                                              Limits(), lat, lon, &decoded);
    ASSERT_TRUE(r.ok()) << r.text;
    AirportDetail again;
    ASSERT_TRUE(BuildAirportDetail(params, Rebuilt(decoded, lat, lon), &again).ok());
    EXPECT_EQ(again.entry, built.entry);
}

std::vector<uint8_t> Restriction(const std::string& text) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(EncodeRestrictionText(text, &bytes).ok()) << text;
    return bytes;
}

// A position moved by a number of units, wrapping round the circle.
int32_t Offset(int32_t position, int32_t units) {
    return static_cast<int32_t>(static_cast<uint32_t>(position) + static_cast<uint32_t>(units));
}

DetailRunway Runway(int32_t len, int32_t rsl, int32_t rw, int32_t flags, int32_t picst = 0, int32_t pic = 0) {
    return {len, 150, rsl, rw, flags, picst, pic};
}

TEST(CreateIsamDetail, ListsOfEveryKindReadBack) {
    AirportDetailInput in;
    in.lat = 0x22334455;
    in.lon = -0x11223344;
    in.afuel = 0x40 | 0x100;
    in.runways = {Runway(7800, 0x41, 0x42, 0x1A, 0x1234, -0x5678), Runway(2000, 0x05, 0, -1, 0, 0x7F000000),
                  Runway(9000, 0x02, 0x1289, 3)};
    for (const char* text : {"R:090-270 BELOW 3000 ABOVE 1500 NORTH OF TOWN", "R:REMOTEVOR PGS", "R:UNK20 SEE CHART",
                             "R:350-010"}) {
        in.frequencies.push_back({5, 11870, 0x3000, Restriction(text)});
    }
    in.frequencies.push_back({0x84, 13695, 0x7000, {}});
    ExpectRoundTrip(in);
}

TEST(CreateIsamDetail, EightyRunwaysAndFrequenciesAreValid) {
    AirportDetailInput in;
    for (int i = 0; i < 80; ++i) {
        in.runways.push_back(Runway(100 * i, i & 0x3F, i % 36 + 1, i));
        in.frequencies.push_back({i % 16, 11800 + 5 * i, 0, {}});
    }
    ExpectRoundTrip(in);
}

TEST(CreateIsamDetail, ContinuationBeyondEightyIsAnError) {
    AirportDetailInput in;
    for (int i = 0; i < 80; ++i) in.frequencies.push_back({1, 11800 + 5 * i, 0, {}});
    AirportDetail built;
    ASSERT_TRUE(BuildAirportDetail(ImageParams496, in, &built).ok());
    std::vector<uint8_t> entry = built.entry;
    // The last frequency says another follows, and one does.
    entry[entry.size() - 2] |= 0x80;
    entry.insert(entry.end(), {0x10, 0x00, 0x01});
    DecodedAirportDetail decoded;
    const ImageResult r =
        DecodeAirportDetail(ImageParams496, entry.data(), static_cast<uint32_t>(entry.size()), Limits(), 0, 0, &decoded);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.text.find("beyond 80"), std::string::npos) << r.text;
}

TEST(CreateIsamDetail, DamagedEntriesAreErrors) {
    AirportDetailInput in;
    in.runways = {Runway(7800, 0x41, 0x42, 0x1A, 0x1234, 0x5678)};
    in.frequencies = {{5, 11870, 0, Restriction("R:BELOW 3000 NORTH OF TOWN")}};
    AirportDetail built;
    ASSERT_TRUE(BuildAirportDetail(ImageParams496, in, &built).ok());
    const std::vector<uint8_t>& good = built.entry;
    DecodedAirportDetail decoded;
    // Every shorter entry runs past its end somewhere; a longer one has bytes left over.
    for (size_t n = 0; n < good.size(); ++n) {
        EXPECT_FALSE(DecodeAirportDetail(ImageParams496, good.data(), static_cast<uint32_t>(n), Limits(), 0, 0, &decoded)
                         .ok())
            << n;
    }
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_FALSE(DecodeAirportDetail(ImageParams496, longer.data(), static_cast<uint32_t>(longer.size()), Limits(), 0,
                                     0, &decoded)
                     .ok());
}

TEST(CreateIsamDetail, ApproachReferencesOutsideTheirTablesAreRefused) {
    AirportDetailInput in;
    in.runways = {Runway(7800, 0x01, 0x42, 0)};
    DetailApproach a;
    a.type = 6;
    a.idIndex = 2;
    a.waypointCount = 2;
    a.slots[0].kind = 0x21;
    a.slots[0].recordNumber = 7;
    a.slots[3].kind = 0xA4;
    a.slots[3].runway = 0;
    in.approaches = {a};
    in.approachCount = 1;
    AirportDetail built;
    ASSERT_TRUE(BuildAirportDetail(ImageParams496, in, &built).ok());
    DecodedAirportDetail decoded;
    const uint32_t n = static_cast<uint32_t>(built.entry.size());
    EXPECT_TRUE(DecodeAirportDetail(ImageParams496, built.entry.data(), n, Limits(), 0, 0, &decoded).ok());
    DetailLimits few = Limits();
    few.approachIds = 2;  // the ID index 2 lies beyond
    EXPECT_FALSE(DecodeAirportDetail(ImageParams496, built.entry.data(), n, few, 0, 0, &decoded).ok());
    few = Limits();
    few.sectionRecords[kSectionInt] = 7;  // intersection 7 lies beyond
    EXPECT_FALSE(DecodeAirportDetail(ImageParams496, built.entry.data(), n, few, 0, 0, &decoded).ok());
    std::vector<uint8_t> entry = built.entry;
    entry.back() = 5;  // runway position 5 of 1
    EXPECT_FALSE(DecodeAirportDetail(ImageParams496, entry.data(), n, Limits(), 0, 0, &decoded).ok());
}

TEST(CreateIsamDetail, LocalWaypointPositionsGiveTheirDifferenceBack) {
    // Airport at or above 0 and a waypoint below it: the low bits are set.
    EXPECT_EQ(LocalWaypointPosition(0, 2), -2049);
    EXPECT_EQ(LocalWaypointPosition(0, -2), 4096);
    EXPECT_EQ(LocalWaypointPosition(8192, 6), -2049);
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> any;
    std::uniform_int_distribution<int32_t> difference(-32768, 32767);
    for (int i = 0; i < 200000; ++i) {
        const int32_t airport = any(random) & ~0x7FF;
        const int32_t d = i < 100000 ? difference(random) : difference(random) / 64;
        ASSERT_EQ(LocalDifference(airport, LocalWaypointPosition(airport, d)), d) << airport << " " << d;
    }
}

TEST(CreateIsamDetail, RestrictionLengthsFollowTheirFlags) {
    for (const char* text : {"R:090-270", "R:BELOW 3000", "R:ABOVE 200 BELOW 3000", "R:REMOTEVOR ABCD",
                             "R:NORTH OF THE FIELD AND SOUTH", "R:001-002 BELOW 1 ABOVE 2 REMOTEVOR XY UNK20 TEXT"}) {
        const std::vector<uint8_t> bytes = Restriction(text);
        ASSERT_FALSE(bytes.empty()) << text;
        uint32_t n = 0;
        ASSERT_TRUE(RestrictionLength(bytes.data() + 1, static_cast<uint32_t>(bytes.size() - 1), &n)) << text;
        EXPECT_EQ(n, bytes[0]) << text;
        EXPECT_FALSE(RestrictionLength(bytes.data() + 1, n - 1, &n)) << text;
    }
}

// Random airports of every shape: whatever BuildAirportDetail accepts reads back.
TEST(CreateIsamDetail, RandomEntriesReadBack) {
    std::mt19937 random(1234);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const char* restrictions[] = {"R:090-270", "R:BELOW 3000 NORTH", "R:ABOVE 9 REMOTEVOR OLY", "R:UNK20 X"};
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    int built = 0;
    for (int round = 0; round < 3000; ++round) {
        const ImageParams& params = round % 3 == 2 ? ImageParams195 : ImageParams496;
        AirportDetailInput in;
        in.lat = static_cast<int32_t>(random()) / 2;
        in.lon = static_cast<int32_t>(random());
        in.afuel = pick(512);
        for (int i = pick(6) + 1; i > 0; --i) {
            in.runways.push_back({pick(25000), pick(300), pick(128), pick(0x10000), pick(4) ? pick(256) : -1,
                                  pick(0x10000), static_cast<int32_t>(random())});
        }
        for (int i = pick(5); i > 0; --i) {
            in.frequencies.push_back({pick(256), 10800 + pick(4096), pick(8) << 12,
                                      pick(3) ? std::vector<uint8_t>() : Restriction(restrictions[pick(4)])});
        }
        for (int i = pick(6); i > 0; --i) {
            DetailApproach a;
            a.sequence = static_cast<int32_t>(in.approaches.size());
            a.type = static_cast<uint32_t>(pick(128)) & 0xFE;
            a.idIndex = static_cast<uint32_t>(pick(300));
            for (uint32_t slot = 0; slot < 4; ++slot) {
                if (pick(3) == 0) continue;
                const uint32_t kinds[] = {0x20, 0x40, 0x60, 0xA0, 0xC0, 0xE0};
                ApproachWaypoint& w = a.slots[slot];
                w.kind = kinds[pick(6)] | (slot + 1);
                w.recordNumber = static_cast<uint32_t>(pick(1000));
                w.runway = pick(static_cast<int>(in.runways.size()));
                if ((w.kind & 0xF0) == 0xA0 && pick(2)) w.kind |= 0x100;
                const int range = (w.kind & 0xF0) == 0xC0 ? 60000000 : 2000000;
                w.local.lat = Offset(in.lat, pick(range) - range / 2);
                w.local.lon = Offset(in.lon, pick(range) - range / 2);
                const int length = (w.kind & 0xF0) == 0xC0 ? 5 : 3;
                for (int k = pick(length) + 1; k > 0; --k) w.local.ident += letters[pick(36)];
                w.local.freq = pick(0x8000);
                ++a.waypointCount;
            }
            in.approaches.push_back(a);
        }
        in.approachCount = static_cast<uint32_t>(in.approaches.size());
        AirportDetail entry;
        if (!BuildAirportDetail(params, in, &entry).ok() || !entry.hasEntry) continue;
        ++built;
        ExpectRoundTrip(in, params);
        if (HasFatalFailure() || HasFailure()) {
            ADD_FAILURE() << "round " << round;
            return;
        }
    }
    EXPECT_GT(built, 2000);
}

}  // namespace

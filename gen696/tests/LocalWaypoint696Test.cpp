// Local waypoints of an airport block: their relative positions, idents and frequencies packed
// and read back, and the values that do not fit refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "gen696/LocalWaypoint696.h"

namespace {

constexpr int32_t kReach = 1 << 26;

TEST(LocalWaypoint696, PositionsIdentsAndFrequenciesComeBack) {
    const int32_t aptLat = -0x12345678;
    const int32_t aptLon = 0x7FFF0000;   // near 180 degrees: the waypoint may lie across it
    const struct {
        LocalKind696 kind;
        int32_t dlat, dlon;   // waypoint less airport
        const char* ident;
        int32_t frequency;
    } cases[] = {
        {LocalKind696::Intersection, 150000, -260000, "LOCIN", 0},
        {LocalKind696::Intersection, kReach, -(kReach - 1), "A1B2C", 0},
        {LocalKind696::Ndb, -90000, 70000, "LN", 3450},
        {LocalKind696::Ndb, 127, -128, "Z9", 0x7FFF},
        {LocalKind696::Ils, 20000, 0x01000000, "ISEA", 11030},   // across 180 degrees
        {LocalKind696::Ils, 0, 0, "I", 12075},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ident);
        LocalWaypoint696 w;
        w.lat = static_cast<int32_t>(static_cast<uint32_t>(aptLat) + static_cast<uint32_t>(c.dlat));
        w.lon = static_cast<int32_t>(static_cast<uint32_t>(aptLon) + static_cast<uint32_t>(c.dlon));
        w.ident = c.ident;
        w.frequency = c.frequency;
        w.ndbByte = 0x12;
        w.runway = 131;
        uint8_t data[16];
        std::string error;
        ASSERT_TRUE(PackLocalWaypoint696(c.kind, w, aptLat, aptLon, data, &error)) << error;
        const LocalWaypoint696 back = UnpackLocalWaypoint696(c.kind, data, aptLat, aptLon);
        EXPECT_EQ(back.ident, c.ident);
        // The relative position keeps bits 7 and up of the difference.
        const int64_t dlat = static_cast<int64_t>(aptLat) - back.lat;
        const int64_t dlon = static_cast<int64_t>(static_cast<uint32_t>(aptLon) - static_cast<uint32_t>(back.lon));
        EXPECT_EQ(static_cast<int32_t>(dlat), (-c.dlat) & ~127);
        EXPECT_EQ(static_cast<int32_t>(dlon), (-c.dlon) & ~127);
        if (c.kind != LocalKind696::Intersection) {
            EXPECT_EQ(back.frequency, c.frequency);
        }
        if (c.kind == LocalKind696::Ndb) {
            EXPECT_EQ(back.ndbByte, 0x12u);
        }
        if (c.kind == LocalKind696::Ils) {
            EXPECT_EQ(back.runway, 131u);
        }
        // Packing what was read gives the same bytes.
        uint8_t again[16];
        ASSERT_TRUE(PackLocalWaypoint696(c.kind, back, aptLat, aptLon, again, &error)) << error;
        EXPECT_EQ(std::string(again, again + LocalWaypointBytes696(c.kind)),
                  std::string(data, data + LocalWaypointBytes696(c.kind)));
    }
}

TEST(LocalWaypoint696, ValuesThatDoNotFitAreRefused) {
    const struct {
        LocalKind696 kind;
        int32_t dlat, dlon;
        int32_t frequency;
        const char* message;
    } cases[] = {
        {LocalKind696::Intersection, -kReach - 1, 0, 0, "lies too far"},
        {LocalKind696::Intersection, 0, -kReach, 0, "lies too far"},
        {LocalKind696::Ndb, 0, 0, 0x8000, "does not fit its 15 bits"},
        {LocalKind696::Ils, 0, 0, 12080, "outside 108.00-120.75"},
        {LocalKind696::Ils, 0, 0, 10795, "outside 108.00-120.75"},
    };
    for (const auto& c : cases) {
        LocalWaypoint696 w;
        w.lat = c.dlat;
        w.lon = c.dlon;
        w.ident = "X";
        w.frequency = c.frequency;
        uint8_t data[16];
        std::string error;
        EXPECT_FALSE(PackLocalWaypoint696(c.kind, w, 0, 0, data, &error)) << c.message;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdint>
#include <vector>

#include "gen696/AirwayGrid696.h"
#include "gen696/PointIndexes696.h"
#include "gen696/PointRecords696.h"

namespace {

constexpr int32_t G = kGridCell696;

uint32_t Index(int32_t latCell, int32_t lonCell) { return static_cast<uint32_t>((latCell + 45) * 180 + lonCell + 90); }

TEST(AirwayGrid696, CellsOfSegmentsAndNeighbours) {
    EXPECT_EQ(AirwayCell696(-2 * G), -2);   // the grid floors; the indexes truncate
    EXPECT_EQ(AirwayCell696(-1), -1);

    AirwayGrid696 grid;
    grid.StartAirway(7);
    // Diagonal neighbours get one cell between them.
    grid.AddCell(10, 10);
    grid.AddCell(12, 12);
    EXPECT_EQ(grid.Cell(Index(11, 10)), std::vector<uint32_t>{7});
    EXPECT_EQ(grid.Cell(Index(12, 12)), std::vector<uint32_t>{7});
    // An airway across 180 degrees: cells on both sides, not the row between.
    grid.StartAirway(9);
    grid.AddSegment(20 * G + G / 2, 89 * G + G / 2, 20 * G + G / 2, -89 * G - G / 2);
    EXPECT_EQ(grid.Cell(Index(20, 89)), std::vector<uint32_t>{9});
    EXPECT_EQ(grid.Cell(Index(20, -90)), std::vector<uint32_t>{9});
    EXPECT_TRUE(grid.Cell(Index(20, 0)).empty());
    // A segment twice over the same cells lists the airway once; a pole-to-pole walk ends.
    grid.AddSegment(20 * G + G / 2, 89 * G + G / 2, 20 * G + G / 2, -89 * G - G / 2);
    EXPECT_EQ(grid.Cell(Index(20, 89)).size(), 1u);
    grid.StartAirway(11);
    grid.AddSegment(44 * G, 0, -44 * G, 3 * G);
    EXPECT_EQ(grid.Cell(Index(0, 1)).size() + grid.Cell(Index(0, 2)).size() + grid.Cell(Index(0, 0)).size() +
                  grid.Cell(Index(0, 3)).size(),
              1u);

    std::vector<uint8_t> lists;
    std::vector<uint8_t> runs;
    uint32_t entries = 0;
    uint32_t count = 0;
    grid.Sections(&lists, &entries, &runs, &count);
    EXPECT_EQ(lists.size(), entries * 3u);
    EXPECT_EQ(runs.size(), count * 26u);
    EXPECT_GT(count, 0u);

    AirwayGrid696 empty;
    empty.Sections(&lists, &entries, &runs, &count);
    EXPECT_EQ(entries, 0u);
    EXPECT_EQ(count, 0u);
}

// The cells of a segment as the angle of every point along it gives them, each computed whole.
void AddSegmentByAngles(AirwayGrid696& grid, int32_t fromLat, int32_t fromLon, int32_t toLat, int32_t toLon) {
    const double unit = 2 * 3.141592653589793 / 4294967296.0;
    const double f1 = fromLat * unit, l1 = fromLon * unit, f2 = toLat * unit, l2 = toLon * unit;
    const double ax = std::cos(f1) * std::cos(l1), ay = std::cos(f1) * std::sin(l1), az = std::sin(f1);
    const double bx = std::cos(f2) * std::cos(l2), by = std::cos(f2) * std::sin(l2), bz = std::sin(f2);
    const double d = std::acos(std::clamp(ax * bx + ay * by + az * bz, -1.0, 1.0));
    const double cell = G * unit;
    const int steps = std::max(1, static_cast<int>(std::ceil(d / (cell / 16))));
    grid.AddCell(AirwayCell696(fromLat), AirwayCell696(fromLon));
    const double sd = std::sin(d);
    for (int i = 1; i < steps && sd > 1e-12; ++i) {
        const double t = static_cast<double>(i) / steps;
        const double wa = std::sin((1 - t) * d) / sd, wb = std::sin(t * d) / sd;
        const double x = wa * ax + wb * bx, y = wa * ay + wb * by, z = wa * az + wb * bz;
        grid.AddCell(static_cast<int32_t>(std::floor(std::atan2(z, std::hypot(x, y)) / cell)),
                     static_cast<int32_t>(std::floor(std::atan2(y, x) / cell)));
    }
    grid.AddCell(AirwayCell696(toLat), AirwayCell696(toLon));
}

// Segments of every length and direction (across 180 degrees, near the poles, along cell
// edges, between near-opposite points) give the cells that the angles of their points give,
// alone and chained into airways of several segments.
TEST(AirwayGrid696, SegmentCellsAreThoseOfThePointsAngles) {
    AirwayGrid696 fast;
    AirwayGrid696 exact;
    uint32_t x = 2024;
    const auto next = [&x] {
        x = x * 1664525u + 1013904223u;
        return static_cast<int32_t>(x);
    };
    // Angles add round the circle.
    const auto plus = [](int32_t a, int32_t b) {
        return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
    };
    for (uint32_t airway = 0; airway < 3000; ++airway) {
        int32_t p[4] = {next() / 2, next(), next() / 2, next()};
        if (airway % 3 == 1) {   // short ones, near a first point
            p[2] = p[0] + next() / 64;
            p[3] = plus(p[1], next() / 32);
        }
        if (airway % 7 == 0) p[0] = p[2] = (next() % 90) * G;   // along a cell edge
        if (airway % 11 == 0) p[1] = plus(p[3], (next() % 3) * G);
        if (airway % 13 == 5) {   // to near the opposite point
            p[2] = -p[0] + next() / (1 << 22);
            p[3] = plus(p[1], plus(INT32_MIN, next() / (1 << 21)));
        }
        fast.StartAirway(airway);
        exact.StartAirway(airway);
        fast.AddSegment(p[0], p[1], p[2], p[3]);
        AddSegmentByAngles(exact, p[0], p[1], p[2], p[3]);
        // Airways of up to four segments, each from where the one before ended; every fifth
        // one hops on in steps of a small part of a cell (its latitude may drift past the pole,
        // as a damaged record's may).
        for (uint32_t k = 0; k < airway % 4; ++k) {
            const int32_t lat = k % 2 ? next() / 2 : p[2] + next() / 128;
            const int32_t lon = k % 2 ? next() : plus(p[3], next() / 64);
            fast.AddSegment(p[2], p[3], lat, lon);
            AddSegmentByAngles(exact, p[2], p[3], lat, lon);
            p[2] = lat;
            p[3] = lon;
        }
        for (uint32_t k = 0; airway % 5 == 4 && k < 40; ++k) {
            const int32_t lat = std::clamp(p[2] + next() / (1 << 10), -89 * G, 89 * G);
            const int32_t lon = plus(p[3], next() / (1 << 9));
            fast.AddSegment(p[2], p[3], lat, lon);
            AddSegmentByAngles(exact, p[2], p[3], lat, lon);
            p[2] = lat;
            p[3] = lon;
        }
    }
    for (uint32_t box = 0; box < kGridBoxes696; ++box) ASSERT_EQ(fast.Cell(box), exact.Cell(box)) << box;
}

}  // namespace

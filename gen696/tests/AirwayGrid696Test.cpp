#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gen696/AirwayGrid696.h"
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
    grid.AddSegment(20 * G + G / 2, 89 * G + G / 2, 20 * G + G / 2, -90 * G + G / 2);
    EXPECT_EQ(grid.Cell(Index(20, 89)), std::vector<uint32_t>{9});
    EXPECT_EQ(grid.Cell(Index(20, -90)), std::vector<uint32_t>{9});
    EXPECT_TRUE(grid.Cell(Index(20, 0)).empty());
    // A segment twice over the same cells lists the airway once; a pole-to-pole walk ends.
    grid.AddSegment(20 * G + G / 2, 89 * G + G / 2, 20 * G + G / 2, -90 * G + G / 2);
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

}  // namespace

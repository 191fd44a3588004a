// The designators of a runway's two ends in the 696 listings: the other end derived from the
// first (number + 18, L and R swapped) or given with it (picture flag bit 2), both kept as
// runway numbers up to 18 with their letters.
#include <gtest/gtest.h>

#include "gen696/Listing696.h"

namespace {

TEST(RunwayDesignator696, BothEndsOfDerivedAndGivenDesignators) {
    constexpr uint32_t kR = 3 << 5;
    constexpr uint32_t kL = 2 << 5;
    constexpr uint32_t kC = 1 << 5;
    const struct {
        uint32_t designator;
        uint8_t pictureFlags;
        const char* first;
        const char* other;
    } cases[] = {
        {0, 0, "..", ".."},
        {9, 0, "09", "27"},
        {16 | kC, 0, "16C", "34C"},
        {9 | kL, 0, "09L", "27R"},
        {18 | kR, 0, "18R", "36L"},
        {9 | 0x80, 0, "09T", "27T"},
        // The example's 14R-32L: the other end given as 14 without a letter.
        {14 | kR | 14 << 8, 4, "14R", "32L"},
        // Given with its own (swapped) letter, and a number that is not the first's.
        {14 | kR | (15 | kR) << 8, 4, "14R", "33L"},
        {18 | kL | (18 | kC) << 8, 4, "18L", "36C"},
        {10 | 0x80 | (10 | 0x80) << 8, 4, "10T", "28T"},
        // "14R-09": the other end is marked given but has no number.
        {14 | kR, 4, "14R", ".."},
    };
    for (const auto& c : cases) {
        RunwaySlot696 r;
        r.designator = c.designator;
        r.pictureFlags = c.pictureFlags;
        EXPECT_EQ(RunwayDesignator696(r, false), c.first) << std::hex << c.designator;
        EXPECT_EQ(RunwayDesignator696(r, true), c.other) << std::hex << c.designator;
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gen696/AirwayPoints696.h"

namespace {

TEST(AirwayPoints696, ChainsEndAtTheClearBitAndWithinTheSection) {
    const uint8_t airway[8] = {0, 0, 0, 0, 0, 0x40, 0x02, 0x00};
    EXPECT_EQ(AirwayFirstPoint696(airway), 0x10002u);

    std::vector<uint8_t> points(6 * 5, 0);
    points[6 * 1] = 0x48;    // point 1 says another follows
    points[6 * 2] = 0x88;
    points[6 * 3] = 0x80;    // the last
    points[6 * 4] = 0x08;    // runs off the end
    std::vector<AirwayPoint696> out;
    std::string error;
    ASSERT_TRUE(ReadAirwayPoints696(points.data(), 5, 1, 0, &out, &error));
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[2][0], 0x80);
    ASSERT_TRUE(ReadAirwayPoints696(points.data(), 5, 0, 0, &out, &error));   // a one-point airway
    EXPECT_EQ(out.size(), 1u);
    EXPECT_FALSE(ReadAirwayPoints696(points.data(), 5, 4, 0, &out, &error));
    EXPECT_FALSE(ReadAirwayPoints696(points.data(), 5, 7, 0, &out, &error));

    std::vector<uint8_t> chain(6 * 400, 0x08);
    EXPECT_FALSE(ReadAirwayPoints696(chain.data(), 400, 0, 0x1000, &out, &error));
    EXPECT_EQ(error, "Too many airway points at 18fa");
}

}  // namespace

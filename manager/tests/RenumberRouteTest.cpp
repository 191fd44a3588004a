// Route renumbering: orders closed up and opened at a gap, legs recomputed, points pushed to
// order 20 erased, the header left alone.
#include <gtest/gtest.h>

#include <map>

#include "common/GreatCircle.h"
#include "dblib/KestraneDatabase.h"
#include "manager/RenumberRoute.h"
#include "manager/tests/ManagerTestFolder.h"

namespace {

class Renumber : public ManagerTestFolder {
protected:
    // A route point (order 0: the header) with a position a degree of latitude per order.
    void AddPoint(int32_t rtsno, int32_t route, int32_t order) {
        dfRTE& r = *KestraneDb().rte;
        ASSERT_EQ(r.Open(), 0);
        r.Clear();
        r.rtsno = rtsno;
        r.rtno = route;
        r.rtorder = order;
        r.rtlat = order * 11930465;  // one degree
        r.rtlong = 0;
        r.rtrange = 99;
        r.rtbearing = 99;
        ASSERT_EQ(r.Insert(), 0);
        r.Close();
    }
    struct Point {
        int32_t order, range, bearing;
    };
    // rtsno -> order and leg of every record of a route.
    std::map<int32_t, Point> Route(int32_t route) {
        std::map<int32_t, Point> out;
        dfRTE& r = *KestraneDb().rte;
        EXPECT_EQ(r.Open(), 0);
        r.SelectIndex("rtsno");
        r.Rewind();
        while (r.Next(1) == 0) {
            if (r.rtno == route) out[r.rtsno] = {r.rtorder, r.rtrange, r.rtbearing};
        }
        r.Close();
        return out;
    }
};

TEST_F(Renumber, ClosesUpOrdersAndRecomputesLegs) {
    AddPoint(1, 3, 0);
    AddPoint(2, 3, 1);
    AddPoint(3, 3, 3);
    AddPoint(4, 3, 7);
    AddPoint(5, 4, 1);  // another route
    EXPECT_EQ(RenumberRoute(3, 0), 3);
    auto r = Route(3);
    EXPECT_EQ(r[1].order, 0);
    EXPECT_EQ(r[1].range, 99) << "the header is not touched";
    EXPECT_EQ(r[2].order, 1);
    EXPECT_EQ(r[2].range, 0);
    EXPECT_EQ(r[3].order, 2);
    // from 1 to 3 degrees north: 120 nm, bearing north
    int32_t bearing = 0;
    EXPECT_EQ(r[3].range, FeetToNm(GreatCircleDistBearing(11930465, 0, 3 * 11930465, 0, &bearing)));
    EXPECT_NEAR(r[3].range, 120, 1);
    EXPECT_EQ(r[3].bearing, 0);
    EXPECT_EQ(r[4].order, 3);
    EXPECT_NEAR(r[4].range, 240, 1);
    EXPECT_EQ(Route(4)[5].range, 99) << "other routes are not touched";
    EXPECT_EQ(RenumberRoute(9, 0), 0) << "no such route";
}

TEST_F(Renumber, GapPushesOrderTwentyOut) {
    AddPoint(100, 5, 0);
    for (int order = 1; order <= 19; ++order) AddPoint(100 + order, 5, order);
    EXPECT_EQ(RenumberRoute(5, 4), 19);
    auto r = Route(5);
    EXPECT_EQ(r.size(), 19u) << "the point pushed to order 20 is erased";
    EXPECT_EQ(r.count(119), 0u);
    EXPECT_EQ(r[103].order, 3);
    EXPECT_EQ(r[104].order, 5) << "order 4 is left free";
    EXPECT_EQ(r[118].order, 19);
    for (const auto& [sno, p] : r) {
        if (sno != 100) {
            EXPECT_EQ(p.range, 0) << "legs are zero while a gap is made";
        }
    }
}

}  // namespace

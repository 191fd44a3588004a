#include "manager/RenumberRoute.h"

#include "common/GreatCircle.h"
#include "dblib/KestraneDatabase.h"
#include "platform/MessageBox.h"

namespace {

constexpr int kOrders = 64;
constexpr int32_t kFirstErasedOrder = 20;

}  // namespace

void LegRangeBearing(int32_t previousLatitude, int32_t previousLongitude) {
    dfRTE& rte = *KestraneDb().rte;
    int32_t bearing = 0;
    const int32_t feet = GreatCircleDistBearing(previousLatitude, previousLongitude, rte.rtlat, rte.rtlong, &bearing);
    rte.rtrange = FeetToNm(feet);
    rte.rtbearing = bearing;
}

int RenumberRoute(int32_t route, int32_t gap) {
    dfRTE& rte = *KestraneDb().rte;
    const bool held = rte.IsOpen();
    if (!held && rte.Open() != 0) return 0;

    int32_t numbers[kOrders];
    for (int32_t& n : numbers) n = -1;
    rte.SelectIndex("rtno");
    rte.rtno = route;
    for (bool ok = rte.Find() == 0 || rte.ReadCurrent() == 0; ok && rte.rtno == route; ok = rte.Next(1) == 0) {
        if (rte.rtorder >= 0 && rte.rtorder < kOrders) numbers[rte.rtorder] = rte.rtsno;
    }

    int visited = 0;
    int32_t next = 1;
    int32_t previousLatitude = 0;
    int32_t previousLongitude = 0;
    rte.SelectIndex("rtsno");
    for (int order = 1; order < kOrders; ++order) {
        if (numbers[order] < 0) continue;
        ++visited;
        if (gap != 0 && next == gap) ++next;
        rte.rtsno = numbers[order];
        if (rte.Find() != 0) continue;
        const int32_t latitude = rte.rtlat;
        const int32_t longitude = rte.rtlong;
        if (next < kFirstErasedOrder) {
            const int32_t order0 = rte.rtorder, range0 = rte.rtrange, bearing0 = rte.rtbearing;
            rte.rtorder = next;
            if (next == 1 || gap != 0) {
                rte.rtrange = 0;
                rte.rtbearing = 0;
            } else {
                LegRangeBearing(previousLatitude, previousLongitude);
            }
            // A point already in its place with its leg is left as it is.
            const bool changed = rte.rtorder != order0 || rte.rtrange != range0 || rte.rtbearing != bearing0;
            if (changed && rte.Amend() != 0) platform::ShowMessage("Amend RTE order failed");
        } else if (rte.Erase() != 0) {
            platform::ShowMessage("Erase Route Wpt failed");
        }
        previousLatitude = latitude;
        previousLongitude = longitude;
        ++next;
    }
    if (!held) rte.Close();
    return visited;
}

#include "manager/RouteSlots.h"

bool CollectNextRoute(dfRTE& rte, int from, RouteSlots& route) {
    const int before = rte.CurrentIndexNumber();
    rte.SelectIndex("rtno");
    // By the route-number index no record lies between the last route and the one held.
    const bool held = route.nextRecord != 0 && rte.HasCurrent() && rte.CurrentIndexNumber() == before &&
                      rte.rtsno == route.nextRecord && route.number < from && from <= rte.rtno;
    if (!held) {
        rte.rtno = from;
        if (rte.Find() != 0 && rte.ReadCurrent() != 0) return false;
    }
    if (rte.rtno < from || rte.rtno >= kExportedRoutes) return false;
    route.number = rte.rtno;
    route.slots.fill(std::nullopt);
    route.nextRecord = 0;
    for (;;) {
        if (rte.rtorder >= 0 && rte.rtorder < 64) route.slots[static_cast<size_t>(rte.rtorder)] = RteRecord(rte);
        if (rte.Next(1) != 0) return true;
        if (rte.rtno != route.number) {
            route.nextRecord = rte.rtsno;
            return true;
        }
    }
}

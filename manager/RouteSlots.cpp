#include "manager/RouteSlots.h"

bool CollectNextRoute(dfRTE& rte, int from, RouteSlots& route) {
    rte.SelectIndex("rtno");
    rte.rtno = from;
    if ((rte.Find() != 0 && rte.ReadCurrent() != 0) || rte.rtno < from || rte.rtno >= kExportedRoutes) return false;
    route.number = rte.rtno;
    route.slots.fill(std::nullopt);
    do {
        if (rte.rtorder >= 0 && rte.rtorder < 64) route.slots[static_cast<size_t>(rte.rtorder)] = RteRecord(rte);
    } while (rte.Next(1) == 0 && rte.rtno == route.number);
    return true;
}

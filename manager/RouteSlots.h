// The routes of the route file as the exports take them: route numbers 0-29 in turn, each
// route's records by order (0 the title record, 1-63 the waypoints; a later record of an order
// replaces an earlier one).
#pragma once

#include <array>
#include <optional>

#include "dblib/dfRTE.h"

constexpr int kExportedRoutes = 30;

struct RouteSlots {
    int number = -1;
    std::array<std::optional<RteRecord>, 64> slots;
    // The record number of the next route's first record, where the collection stopped; 0 when
    // the file ended there.
    int32_t nextRecord = 0;
};

// The first route numbered `from` or above (below kExportedRoutes) that has records; false when
// none is left. The route file is open. When the file still stands where the last collection
// into `route` stopped, the next route is taken from there without a search.
bool CollectNextRoute(dfRTE& rte, int from, RouteSlots& route);

// Route order upkeep: the legs between route points and the renumbering of a route's points.
#pragma once

#include <cstdint>

// Stores in the route record held in the rte object the leg from a previous point: rtrange the
// great-circle distance in nautical miles, rtbearing the bearing in whole degrees.
void LegRangeBearing(int32_t previousLatitude, int32_t previousLongitude);

// Gives the points of a route (orders 1-63; the header, order 0, stays) the orders 1, 2, ... in
// their present order, skipping the order `gap` when it is not 0. A point whose new order is
// below 20 is amended with its leg from the point before (0 for the first point, and for every
// point while a gap is made); one whose order would be 20 or more is erased. The rte file is
// opened when closed (and closed again); the rte object's fields are overwritten. Returns the
// number of points visited.
int RenumberRoute(int32_t route, int32_t gap);

// Routes window File > Convert: route waypoints stored as user waypoints take the fields of the
// airport, intersection, NDB or VOR of the same ident at the same place.
#pragma once

// Walks every route record (the route file and the four point files are opened and closed).
void ConvertRouteWaypoints();

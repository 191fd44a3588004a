// Reading user waypoints and routes from GPX text: a scan for the tags this exchange uses, not
// a general XML parser. Positions are taken from the lat and lon attributes by name; a point
// whose position does not parse or lies outside +-90/+-180 is left out and counted. A start tag
// whose closing tag is missing ends the scan; what was stored stays.
#pragma once

#include <cstdint>
#include <string_view>

class dfUSR;
class dfRTE;
class ImportRouteNumbers;

// Each wpt with a name becomes a user waypoint (ident: the name's first 7 characters; name: the
// description's first 31; symbol from sym with display byte 4; time word `now`), amending a
// known ident. Returns the number of points left out for their position.
int ReadGpxWaypoints(std::string_view text, dfUSR& usr, int32_t& highest, uint32_t now);
// Each rte becomes a new route: a title record (its name, else empty) and its rtept as user
// waypoints in order, past order 19 left out. Returns the number of points left out for their
// position. The routes still need renumbering.
int ReadGpxRoutes(std::string_view text, dfRTE& rte, int32_t& highest, ImportRouteNumbers& numbers);

// "%d GPX points had no valid position" when any were left out.
void ReportGpxPointsLeftOut(int count);

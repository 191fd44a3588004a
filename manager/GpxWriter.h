// GPX 1.1 files of user waypoints and routes, with the unit maker's extension namespaces: one
// line, texts escaped UTF-8, positions in degrees with six decimals.
#pragma once

#include <ctime>
#include <functional>
#include <string>

class dfUSR;
class dfRTE;

// The XML declaration, the gpx start tag and the metadata with the time `now` (UTC).
void WriteGpxHeader(std::string& out, std::time_t now);
// Takes the text written so far and empties it; with none, the whole file stays in `out`.
using GpxFlush = std::function<void(std::string&)>;
// A whole file of every user waypoint in ident order (the file open).
void WriteGpxWaypoint(std::string& out, dfUSR& usr, std::time_t now, const GpxFlush& flush = {});
// A whole file of routes 0-29 (the file open).
void WriteGpxRoute(std::string& out, dfRTE& rte, std::time_t now, const GpxFlush& flush = {});

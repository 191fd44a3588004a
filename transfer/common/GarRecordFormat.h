// The display lines of one GAR record: the waypoint, route, track and hexadecimal layouts.
// Each writes sub-line `subLine` of the record into the (cleared) line.
#pragma once

#include "transfer/common/GarLine.h"

// Waypoint classes the layouts treat apart.
constexpr int kClassInt = 1;
constexpr int kClassUsr = 4;

// A newer waypoint's layout byte, its class and where its strings begin.
struct NewerWaypointLayout {
    int layout;
    int waypointClass;
    int strings;
};
inline NewerWaypointLayout NewerWaypointLayoutOf(const GarRecord& r) {
    NewerWaypointLayout w{r.Byte(3), 0, 62};
    int classPosition = 1;
    if (w.layout == 0x60) {
        classPosition = 0;
        w.strings = 48;
    } else if (w.layout == 0x70) {
        w.strings = 52;
    }
    const int classByte = r.Byte(classPosition);
    w.waypointClass = classByte < 64 ? kClassUsr : classByte < 68 ? classByte - 64 : classByte - 63;
    return w;
}

void FormatWaypointOld(GarLine& line, int subLine, int number);
void FormatWaypoint(GarLine& line, int subLine, int number);
void FormatRouteHeader(GarLine& line, int subLine);
void FormatTrackPointOld(GarLine& line, int number);
void FormatTrackPoint(GarLine& line, int number);
void FormatTrackHeader(GarLine& line, int number);
void FormatHexRecord(GarLine& line, int subLine, int number);

// The record's own layout by its id and the unit's age.
void FormatGarRecord(GarLine& line, int subLine, int number);

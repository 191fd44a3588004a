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
NewerWaypointLayout NewerWaypointLayoutOf(const GarRecord& record);

void FormatWaypointOld(GarLine& line, int subLine, int number);
void FormatWaypoint(GarLine& line, int subLine, int number);
void FormatRouteHeader(GarLine& line, int subLine);
void FormatTrackPointOld(GarLine& line, int number);
void FormatTrackPoint(GarLine& line, int number);
void FormatTrackHeader(GarLine& line, int number);
void FormatHexRecord(GarLine& line, int subLine, int number);

// The record's own layout by its id and the unit's age.
void FormatGarRecord(GarLine& line, int subLine, int number);

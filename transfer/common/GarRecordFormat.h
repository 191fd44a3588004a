// The display lines of one GAR record: the waypoint, route, track and hexadecimal layouts.
// Each writes sub-line `subLine` of the record into the (cleared) line.
#pragma once

#include "transfer/common/GarLine.h"

void FormatWaypointOld(GarLine& line, int subLine, int number);
void FormatWaypoint(GarLine& line, int subLine, int number);
void FormatRouteHeader(GarLine& line, int subLine);
void FormatTrackPointOld(GarLine& line, int number);
void FormatTrackPoint(GarLine& line, int number);
void FormatTrackHeader(GarLine& line, int number);
void FormatHexRecord(GarLine& line, int subLine, int number);

// The record's own layout by its id and the unit's age.
void FormatGarRecord(GarLine& line, int subLine, int number);

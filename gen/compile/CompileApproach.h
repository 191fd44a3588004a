// Compile APR Text: instrument approaches and local waypoints in text form into the database,
// one airport block per call. A block is read and resolved whole before the airport's old
// approaches and local waypoints are replaced, so a failing block leaves them as they were.
#pragma once

#include <cstdint>
#include <vector>

#include "dblib/dfAPPR.h"
#include "dblib/dfLWPT.h"

class OperationContext;

// One step; true when the operation is finished.
bool CompileApproachText(OperationContext& c);

// Replaces the approaches and local waypoints of the airport `asno` in the database by these.
void ReplaceAirportApproaches(int32_t asno, const std::vector<LwptRecord>& locals,
                              const std::vector<ApprRecord>& approaches);

// The runway designator value of a waypoint (number, letter, "S" form) and whether the runway
// was named by its reciprocal end; false when the number is not a runway number.
struct RunwayLookup {
    int32_t value = 0;
    bool reciprocal = false;
    bool shifted = false;
};
RunwayLookup MakeRunwayLookup(int number, char letter, bool startsWithS);
// True when a stored runway word holds the runway the lookup describes.
bool RunwayMatches(int32_t stored, const RunwayLookup& lookup);

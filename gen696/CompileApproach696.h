// Compile APR Text of the 696 family: approach text (the form of the Approach Dump) into the
// APPR and LWPT files of the database, airport by airport. The whole text is read and resolved
// first, one airport block per call; only a text without errors replaces the approaches and
// local waypoints of its airports, so a failing compile leaves the database as it was.
#pragma once

#include <cstdint>
#include <string>

class OperationContext;
struct GenModel;

// One step; true when the operation is finished.
bool CompileApproachText696(OperationContext& c);

// The runway code of a designator text (number, letter, optional "s"), and whether it names the
// runway by its other end (the number above 18).
struct RunwayCode696 {
    int32_t code = 0;
    bool otherEnd = false;
    bool twoEnded = false;  // the "s" form
};
RunwayCode696 RunwayCodeOfDesignator696(const std::string& text);
// True when a runway's stored `rw` is the runway a code names.
bool RunwayCodeMatches696(int32_t rw, const RunwayCode696& code);

// Compile APR Text as mode 6 of the model.
void InstallCompileApproach696(GenModel& model);

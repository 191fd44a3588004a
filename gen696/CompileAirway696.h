// Compile AWY Text of the 696 family: airway text (the form of the Airways Dump) into the AWYS
// and AWPS files of the database. The whole text is read and its waypoints looked up first,
// one airway per call; only a text without errors replaces the airway records, so a failing
// compile leaves the database as it was.
#pragma once

#include <cstdint>
#include <string>

class OperationContext;
struct GenModel;

// One step; true when the operation is finished.
bool CompileAirwayText(OperationContext& c);

// The level code of a level text: feet / 100, "FL" n as n + 1024, "See Chart" 2, "unknown" 1,
// anything else 0; -1 when the value does not fit the 11-bit code.
int32_t AirwayLevelCode696(const std::string& text);

// Compile AWY Text as mode 5 of the model: driver, source opener, the session's end on STOP and
// the mode in the setup's list.
void InstallCompileAirway696(GenModel& model);

inline constexpr const char* kAirwayGridFile696 = "AWYgrid+.DAT";

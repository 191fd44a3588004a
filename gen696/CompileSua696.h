// Compile SUA Text of the 696 family: airspace text into NewSUA+.DAT in the database folder
// (sections 41, 38, 37, 39, 40, and 69 carried over from SUA+.DAT). The whole text is checked
// first, without touching the database; only a text without errors is compiled and written.
#pragma once

#include <cstdint>

class OperationContext;
struct GenModel;

// One step; true when the operation is finished.
bool CompileSua696(OperationContext& c);

// A shape entry of a step from the previous vertex: 3 bytes (short form) or 4 (long form) into
// out; 0 when a step does not fit the long form. Steps are in position units, multiples of 1024.
int EncodeSuaStep696(int32_t dLat, int32_t dLon, uint8_t out[4]);

// Reports the compilation's error as Tessily's compilers do ("********** Error: %s ***********",
// the offending line before it, the explanation after it) and ends the compilation.
void CompileErrorText696(OperationContext& c);

// The SUA mode: its item in the setup dialog, driver, source opener and the session's end on STOP.
void InstallCompileSua696(GenModel& model);

inline constexpr const char* kNewSuaFile696 = "NewSUA+.DAT";
inline constexpr const char* kSuaFinalFile696 = "SUA+.DAT";

// Compile SUA Text: airspace areas in text form into NewSua.dat, one area per call, then the
// grid index one cell per call, then the file.
#pragma once

#include <cstdint>

class OperationContext;
class CompileSession;

// One step; true when the operation is finished.
bool CompileSua(OperationContext& c);

// The vertex record of a step from the previous coordinate vertex to this one: 2 or 3 bytes
// into out; 0 when a step does not fit 25 bits (error 16).
int EncodeVertexStep(int32_t prevLat, int32_t prevLon, int32_t lat, int32_t lon, uint8_t out[3]);

// The 5-byte centre-and-radius block of an arc (divisor 500, radius) or circle (divisor 1000,
// diameter); sets the session's error (16 or 23) and answers false when a value does not fit.
bool EncodeArcCentre(CompileSession& s, float number, int divisor, int32_t prevLat, int32_t prevLon, int32_t lat,
                     int32_t lon, uint8_t out[5]);

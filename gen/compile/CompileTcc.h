// Compile FSS/TCC Text: flight-service stations and traffic-control areas in text form into
// NewTcc.dat, one record per call, then the grid index one cell per call, then the file.
#pragma once

#include <cstdint>

class OperationContext;

// One step; true when the operation is finished.
bool CompileTcc(OperationContext& c);

// The number after a frequency's '.': static_cast<int>(std::strtol(text, nullptr, 10)).
int TccHundredths(const char* text);

// The 13-bit frequency code of "MHz.hundredths" (108.00 to 189.91), or -1 outside that range.
int TccFrequencyCode(int mhz, int hundredths);

// The batch rules of the GPS 89: only airports, VORs and user waypoints; an airport's position
// read as the family reads it (rounded to 2048 units, then negated for S and W), its elevation
// rounded to 10 ft, no names.
#pragma once

#include <cstdint>
#include <string_view>

#include "gen/batch/BatchUpdate.h"

// "%c %d~%lf" of a latitude ('N'/'S') or longitude ('E'/'W'); '#' and the degree sign stand for
// '~'. The angle in circle units: trunc((degrees + minutes / 60) x 2^23 / 45) x 64, rounded to a
// multiple of 2048 (bit 10 rounds up), negated for S and W. False when the text does not read so.
bool ParseBatchPosition89(std::string_view text, bool latitude, int32_t* angle);
// The elevation rounded to 10 ft (up at 5).
int32_t BatchElevation89(int32_t feet);

int BatchAddApt89(BatchContext& c);
BatchHandlerTable BatchHandlers89();

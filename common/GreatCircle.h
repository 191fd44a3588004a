// Great-circle distances between positions in circle units.
#pragma once

#include <cstdint>

// The distance in nautical miles by the spherical law of cosines (radians * 10800 / pi),
// angles taken through CircleToRadians.
double GreatCircleNm(int32_t latitude1, int32_t longitude1, int32_t latitude2, int32_t longitude2);

// Great-circle distances between positions in circle units.
#pragma once

#include <cstdint>

// The distance in nautical miles by the spherical law of cosines (radians * 10800 / pi),
// angles taken through CircleToRadians.
double GreatCircleNm(int32_t latitude1, int32_t longitude1, int32_t latitude2, int32_t longitude2);

// Distance in whole feet and initial bearing in whole degrees (0-360, to *bearing) from
// position 1 to position 2 on a sphere of 20901500.367 ft. Equal points give 0 and bearing 0.
int32_t GreatCircleDistBearing(int32_t latitude1, int32_t longitude1, int32_t latitude2, int32_t longitude2,
                               int32_t* bearing);
// Feet to nautical miles: whole 6080-ft miles, plus 1 when the rest is above 3040 ft.
int32_t FeetToNm(int32_t feet);

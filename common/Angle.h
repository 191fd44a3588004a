// Angles in circle units: signed 32-bit, 2^32 units to the full circle (2^31 = 180 degrees).
#pragma once

#include <cstdint>

// The value -180 degrees; also marks a position that is not set.
constexpr int32_t kCircleUnset = INT32_MIN;

// Degrees to circle units keeping the top `bits` bits (1 to 32) of the magnitude, rounded up
// by one unit of that precision when the highest dropped bit is set; the sign is applied last.
// Exactly -180.0 gives 0x80000000, as does +180.0 through the 32-bit wrap. A value that is not
// a finite number or lies beyond 2^30 degrees gives 0x80000000 as well.
int32_t DegreesToCircle(double degrees, int bits);

// Circle units to degrees: ((value >> 6) * 45) / 2^23, so the low 6 bits never count;
// anything within 0.00027 degrees of zero gives 0.0.
double CircleToDegrees(int32_t value);

// CircleToDegrees as "%.6f" writes it in the C locale, from integers (the value is exact in
// 2^-23 degrees); out holds at least kCircleDegreesTextSize characters. Returns the length.
constexpr int kCircleDegreesTextSize = 16;
int FormatCircleDegrees(char* out, int32_t value);

// Circle units to radians, through CircleToDegrees.
double CircleToRadians(int32_t value);

#include "common/Angle.h"

#include <cmath>
#include <numbers>

int32_t DegreesToCircle(double degrees, int bits) {
    if (degrees == -180.0) return kCircleUnset;
    const double magnitude = std::fabs(degrees);
    if (!(magnitude < 1073741824.0)) return kCircleUnset;  // NaN, infinite or absurd
    const int64_t scaled = static_cast<int64_t>(magnitude * 8388608.0);
    uint32_t units = static_cast<uint32_t>((scaled / 45) * 64);
    if (bits <= 0) {
        units = 0;
    } else if (bits < 32) {
        const uint32_t unit = 1u << (32 - bits);
        const bool roundUp = (units & (unit >> 1)) != 0;
        units &= ~(unit - 1);
        if (roundUp) units += unit;
    }
    if (degrees < 0) units = 0u - units;
    return static_cast<int32_t>(units);
}

double CircleToDegrees(int32_t value) {
    const double degrees = static_cast<double>(value >> 6) * 45.0 / 8388608.0;
    return std::fabs(degrees) < 0.00027 ? 0.0 : degrees;
}

double CircleToRadians(int32_t value) {
    return CircleToDegrees(value) * std::numbers::pi / 180.0;
}

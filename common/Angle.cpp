#include "common/Angle.h"

#include <charconv>
#include <cmath>
#include <cstring>
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

int FormatCircleDegrees(char* out, int32_t value) {
    if (CircleToDegrees(value) == 0.0) {
        std::memcpy(out, "0.000000", 9);
        return 8;
    }
    // Millionths of a degree: |value >> 6| * 45 * 10^6 / 2^23, an exact tie rounded to even.
    const int64_t units = value >> 6;
    const uint64_t scaled = static_cast<uint64_t>(units < 0 ? -units : units) * 45000000u;
    uint64_t millionths = scaled >> 23;
    const uint64_t rest = scaled & 0x7FFFFF;
    if (rest > 0x400000 || (rest == 0x400000 && (millionths & 1))) ++millionths;
    char* p = out;
    if (units < 0) *p++ = '-';
    p = std::to_chars(p, out + kCircleDegreesTextSize, millionths / 1000000).ptr;
    *p++ = '.';
    uint64_t fraction = millionths % 1000000;
    for (int i = 5; i >= 0; --i) {
        p[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    p += 6;
    *p = '\0';
    return static_cast<int>(p - out);
}

double CircleToRadians(int32_t value) {
    return CircleToDegrees(value) * std::numbers::pi / 180.0;
}

#include "common/Angle.h"

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

namespace {

// The whole degrees 0-180 with their decimal point, four characters each, and their lengths.
struct WholeDegrees {
    char text[181][4];
    uint8_t length[181];
};
constexpr WholeDegrees kWholeDegrees = [] {
    WholeDegrees table{};
    for (int whole = 0; whole <= 180; ++whole) {
        char* p = table.text[whole];
        if (whole >= 100) *p++ = static_cast<char>('0' + whole / 100);
        if (whole >= 10) *p++ = static_cast<char>('0' + whole / 10 % 10);
        *p++ = static_cast<char>('0' + whole % 10);
        *p++ = '.';
        table.length[whole] = static_cast<uint8_t>(p - table.text[whole]);
    }
    return table;
}();

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

}  // namespace

int FormatCircleDegrees(char* out, int32_t value) {
    const int64_t units = value >> 6;
    const uint64_t magnitude = static_cast<uint64_t>(units < 0 ? -units : units);
    // As CircleToDegrees snaps to zero: 50 * 45 / 2^23 is below 0.00027, 51 * 45 / 2^23 above.
    if (magnitude <= 50) {
        std::memcpy(out, "0.000000", 9);
        return 8;
    }
    // Millionths of a degree: |value >> 6| * 45 * 10^6 / 2^23, an exact tie rounded to even.
    const uint64_t scaled = magnitude * 45000000u;
    const uint64_t rest = scaled & 0x7FFFFF;
    uint64_t millionths = scaled >> 23;
    millionths += (rest > 0x400000) | ((rest == 0x400000) & millionths);
    // Written without a test of the digits: the sign and the whole degrees (at most 180) from
    // the table, then the six decimals two by two.
    char* p = out;
    *p = '-';
    p += units < 0;
    const uint32_t whole = static_cast<uint32_t>(millionths / 1000000);
    const uint32_t fraction = static_cast<uint32_t>(millionths) - whole * 1000000;
    std::memcpy(p, kWholeDegrees.text[whole], 4);
    p += kWholeDegrees.length[whole];
    const uint32_t high = fraction / 10000, low = fraction % 10000;
    std::memcpy(p, kPairs + 2 * high, 2);
    std::memcpy(p + 2, kPairs + 2 * (low / 100), 2);
    std::memcpy(p + 4, kPairs + 2 * (low % 100), 2);
    p += 6;
    *p = '\0';
    return static_cast<int>(p - out);
}

double CircleToRadians(int32_t value) {
    return CircleToDegrees(value) * std::numbers::pi / 180.0;
}

#include "sidedata/obstacles/Position.h"

#include <cmath>
#include <cstdlib>

#include "common/CLocale.h"
#include "common/CoordinateFormat.h"
#include "common/TextHelpers.h"

namespace obstacles {


char* PutRawPosition(char* p, int32_t value) { return PutRawAngle(p, static_cast<uint32_t>(value)); }

void AppendRawPosition(std::string& out, int32_t value) {
    char text[kPositionTextSize];
    out.append(text, static_cast<size_t>(PutRawPosition(text, value) - text));
}

PositionParts SplitPosition(int32_t value, bool isLongitude) {
    double degrees = static_cast<double>(value) * 360.0 / 4294967296.0;
    if (std::fabs(degrees) < 0.00027) degrees = 0;
    bool negative = degrees < 0;
    double magnitude = std::fabs(degrees);
    PositionParts parts;
    parts.degrees = static_cast<long>(magnitude);
    parts.minutes = (magnitude - static_cast<double>(parts.degrees)) * 60.0;
    if (parts.minutes + 0.0005 >= 60.0) {
        ++parts.degrees;
        parts.minutes = 0;
    }
    parts.letter = isLongitude ? (negative || parts.degrees == 180 ? 'W' : 'E') : (negative ? 'S' : 'N');
    return parts;
}

char* PutPosition(char* p, int32_t value, bool isLongitude, PositionEnd end) {
    // SplitPosition in integers: value x 360 / 2^32 degrees is exact, and so are the minutes,
    // (value x 360 mod 2^32) x 60 / 2^32, kept here in units of 2^-30 minute.
    constexpr double kUnitsPerMinute = 1073741824.0;
    const bool zero = std::fabs(static_cast<double>(value) * 360.0 / 4294967296.0) < 0.00027;
    const bool negative = !zero && value < 0;
    const uint64_t scaled = zero ? 0 : static_cast<uint64_t>(std::llabs(value)) * 360;
    uint64_t degrees = scaled >> 32;
    uint64_t minutes = (scaled & 0xFFFFFFFFu) * 15;
    if (static_cast<double>(minutes) / kUnitsPerMinute + 0.0005 >= 60.0) {
        ++degrees;
        minutes = 0;
    }
    *p++ = isLongitude ? (negative || degrees == 180 ? 'W' : 'E') : (negative ? 'S' : 'N');
    // At most 180 degrees: three digits, or two for a latitude below 100.
    if (isLongitude || degrees >= 100) *p++ = static_cast<char>('0' + degrees / 100);
    p = PutTwoDigits(p, static_cast<unsigned>(degrees % 100));
    *p++ = '\xB0';
    // Minutes with five decimals in eight characters, rounded to the nearest; an exact half is
    // left to printf.
    constexpr uint64_t kHalf = uint64_t(1) << 29;
    const uint64_t product = minutes * 100000;
    const uint64_t rest = product & (2 * kHalf - 1);
    if (rest == kHalf) {
        p += FormatC(p, 16, "%08.5f", static_cast<double>(minutes) / kUnitsPerMinute);
    } else {
        // Below 60 minutes: two digits, the point and five decimals.
        const auto rounded = static_cast<unsigned>((product >> 30) + (rest > kHalf ? 1 : 0));
        const unsigned decimals = rounded % 100000;
        p = PutTwoDigits(p, rounded / 100000);
        *p++ = '.';
        *p++ = static_cast<char>('0' + decimals / 10000);
        p = PutTwoDigits(p, decimals / 100 % 100);
        p = PutTwoDigits(p, decimals % 100);
    }
    *p++ = end == PositionEnd::Bar ? '|' : ' ';
    return p;
}

void AppendPosition(std::string& out, int32_t value, bool isLongitude, PositionEnd end) {
    char text[kPositionTextSize];
    out.append(text, static_cast<size_t>(PutPosition(text, value, isLongitude, end) - text));
}

int FeetToMetres(int feet) {
    int v = std::abs(feet);
    int m = static_cast<int>(v / 3.2808);
    if (v - m * 3.2808 > 1.6404) ++m;
    return feet < 0 ? -m : m;
}

int MetresToFeet(int metres) {
    double f = std::abs(metres) * 3.2808;
    int ft = static_cast<int>(f);
    if (f - ft > 0.5) ++ft;
    return metres < 0 ? -ft : ft;
}

}  // namespace obstacles

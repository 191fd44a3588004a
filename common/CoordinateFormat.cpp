#include "common/CoordinateFormat.h"

#include <algorithm>
#include <cstring>

#include "common/Angle.h"
#include "common/TextHelpers.h"

// Every value here is a whole number of 2^-23 degrees (the angle keeps 26 bits and a degree is
// 2^23 / 45 of them), so degrees, minutes and seconds are exact fixed-point numbers and are
// rounded in integers, half to even on an exact tie, which is what printf does with them.
namespace {

constexpr int kFractionBits = kFixedPointBits;
constexpr uint64_t kUnit = uint64_t{1} << kFractionBits;
constexpr uint64_t kFractionMask = kUnit - 1;
constexpr char kDegreeSign = '\xB0';

// "%0W.Df" of a value already scaled by 10^decimals.
char* PutFixed(char* out, uint64_t scaled, uint64_t power, int decimals, int width) {
    out = PutNumber(out, scaled / power, width - decimals - 1);
    *out++ = '.';
    return PutNumber(out, scaled % power, decimals);
}

// "%W.Df" of the signed value: blank-padded on the left to width.
char* PutSignedFixed(char* out, bool negative, uint64_t fixed, uint64_t power, int decimals, int width) {
    char body[32];
    char* end = body;
    if (negative) *end++ = '-';
    end = PutFixed(end, RoundFixedPoint(fixed, power), power, decimals, 0);
    const int length = static_cast<int>(end - body);
    for (int i = length; i < width; ++i) *out++ = ' ';
    std::memcpy(out, body, static_cast<size_t>(length));
    return out + length;
}


char Hemisphere(bool negative, bool isLongitude, uint64_t wholeDegrees) {
    if (isLongitude) return (negative || wholeDegrees == 180) ? 'W' : 'E';
    return negative ? 'S' : 'N';
}

// The letter, and for latitude the blank, then the whole degrees in 3 or 2 digits.
char* PutLetterAndDegrees(char* out, bool negative, bool isLongitude, uint64_t whole) {
    *out++ = Hemisphere(negative, isLongitude, whole);
    if (!isLongitude) *out++ = ' ';
    return PutNumber(out, whole, isLongitude ? 3 : 2);
}

// `magnitude` is the absolute value in 2^-23 degrees.
char* PutLettered(char* out, bool negative, uint64_t magnitude, bool isLongitude, int notation) {
    uint64_t whole = magnitude >> kFractionBits;
    const uint64_t minutes = (magnitude & kFractionMask) * 60;
    uint64_t wholeMinutes = minutes >> kFractionBits;
    const uint64_t seconds = (minutes & kFractionMask) * 60;

    switch (notation) {
    case kNotationDecimalDegrees:
        *out++ = Hemisphere(negative, isLongitude, whole);
        if (!isLongitude) *out++ = ' ';
        return PutFixed(out, RoundFixedPoint(magnitude, 100000), 100000, 5, isLongitude ? 9 : 8);
    case kNotationDecimalMinutes: {
        uint64_t shown = RoundFixedPoint(minutes, 1000);
        if (static_cast<double>(minutes) / static_cast<double>(kUnit) + 0.0005 >= 60.0) {
            ++whole;
            shown = 0;
        }
        out = PutLetterAndDegrees(out, negative, isLongitude, whole);
        *out++ = kDegreeSign;
        return PutFixed(out, shown, 1000, 3, 6);
    }
    case kNotationWholeMinutes:
        out = PutLetterAndDegrees(out, negative, isLongitude, whole);
        *out++ = kDegreeSign;
        return PutNumber(out, wholeMinutes, 2);
    case kNotationCompact: {
        uint64_t wholeSeconds = seconds >> kFractionBits;
        if ((seconds & kFractionMask) > (kUnit >> 1)) ++wholeSeconds;
        if (wholeSeconds >= 60) {
            wholeSeconds = 0;
            ++wholeMinutes;
        }
        if (wholeMinutes >= 60) {
            wholeMinutes = 0;
            ++whole;
        }
        *out++ = Hemisphere(negative, isLongitude, whole);
        out = PutNumber(out, whole, isLongitude ? 3 : 2);
        out = PutNumber(out, wholeMinutes, 2);
        return PutNumber(out, wholeSeconds, 2);
    }
    default:
        out = PutLetterAndDegrees(out, negative, isLongitude, whole);
        *out++ = kDegreeSign;
        out = PutNumber(out, wholeMinutes, 2);
        *out++ = '\'';
        return PutFixed(out, RoundFixedPoint(seconds, 100), 100, 2, 5);
    }
}

}  // namespace

void FormatCoordinate(char* text, int32_t angle, bool isLongitude, int notation, bool raw) {
    char* end;
    if (raw) {
        end = PutRawAngle(text, static_cast<uint32_t>(angle));
    } else {
        // CircleToDegrees snaps values near zero to zero; the rest is exact in 2^-23 degrees.
        const double degrees = CircleToDegrees(angle);
        const bool negative = degrees < 0;
        const int64_t units = angle >> 6;
        const uint64_t magnitude = degrees == 0 ? 0 : static_cast<uint64_t>(units < 0 ? -units : units) * 45;
        if (notation == kNotationSigned11) {
            end = PutSignedFixed(text, negative, magnitude, 100000, 5, 11);
        } else if (notation == kNotationSigned10) {
            end = PutSignedFixed(text, negative, magnitude, 10000, 4, 10);
        } else {
            end = PutLettered(text, negative, magnitude, isLongitude, notation);
        }
    }
    *end = '\0';
}

void FormatPositionPair(char* text, int32_t latitude, int32_t longitude, bool decimal, bool raw) {
    const int notation = decimal ? kNotationSigned11 : kNotationDecimalMinutes;
    FormatCoordinate(text, latitude, false, notation, raw);
    char* const blank = text + std::strlen(text);
    *blank = ' ';
    FormatCoordinate(blank + 1, longitude, true, notation, raw);
}

void AppendPositionPair(char* text, size_t size, int32_t latitude, int32_t longitude, bool decimal) {
    const size_t used = strnlen(text, size);
    if (used >= size) return;
    const int notation = decimal ? kNotationSigned10 : kNotationCompact;
    char pair[kPositionPairTextSize];
    FormatCoordinate(pair, latitude, false, notation);
    char* const blank = pair + std::strlen(pair);
    *blank = ' ';
    FormatCoordinate(blank + 1, longitude, true, notation);
    const size_t length = std::min(std::strlen(pair), size - used - 1);
    std::memcpy(text + used, pair, length);
    text[used + length] = '\0';
}

char* PutDecimalDigits(char* out, uint64_t value, int width) { return PutNumber(out, value, width); }

char* PutRawAngle(char* out, uint32_t value) {
    *out++ = '[';
    out = PutHexDigits(out, value, 8);
    *out++ = ']';
    *out++ = ' ';
    return out;
}

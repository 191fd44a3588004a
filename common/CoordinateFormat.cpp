#include "common/CoordinateFormat.h"

#include <cmath>
#include <cstring>

#include "common/Angle.h"
#include "common/CLocale.h"

namespace {

char Hemisphere(double degrees, bool isLongitude, long wholeDegrees) {
    if (isLongitude) return (degrees < 0 || wholeDegrees == 180) ? 'W' : 'E';
    return degrees < 0 ? 'S' : 'N';
}

void FormatLettered(char* text, double degrees, bool isLongitude, int notation) {
    const double magnitude = std::fabs(degrees);
    long whole = static_cast<long>(magnitude);
    const double minutes = (magnitude - static_cast<double>(whole)) * 60.0;
    long wholeMinutes = static_cast<long>(minutes);
    const double seconds = (minutes - static_cast<double>(wholeMinutes)) * 60.0;
    const size_t size = kCoordinateTextSize;

    switch (notation) {
    case kNotationDecimalDegrees: {
        const char letter = Hemisphere(degrees, isLongitude, whole);
        FormatC(text, size, isLongitude ? "%c%09.5lf" : "%c %08.5lf", letter, magnitude);
        return;
    }
    case kNotationDecimalMinutes: {
        double shown = minutes;
        if (shown + 0.0005 >= 60.0) {
            ++whole;
            shown = 0.0;
        }
        const char letter = Hemisphere(degrees, isLongitude, whole);
        FormatC(text, size, isLongitude ? "%c%03ld\xB0%06.3lf" : "%c %02ld\xB0%06.3lf", letter, whole, shown);
        return;
    }
    case kNotationWholeMinutes: {
        const char letter = Hemisphere(degrees, isLongitude, whole);
        FormatC(text, size, isLongitude ? "%c%03ld\xB0%02ld" : "%c %02ld\xB0%02ld", letter, whole, wholeMinutes);
        return;
    }
    case kNotationCompact: {
        long wholeSeconds = static_cast<long>(seconds);
        if (seconds - static_cast<double>(wholeSeconds) > 0.5) ++wholeSeconds;
        if (wholeSeconds >= 60) {
            wholeSeconds = 0;
            ++wholeMinutes;
        }
        if (wholeMinutes >= 60) {
            wholeMinutes = 0;
            ++whole;
        }
        const char letter = Hemisphere(degrees, isLongitude, whole);
        FormatC(text, size, isLongitude ? "%c%03ld%02ld%02ld" : "%c%02ld%02ld%02ld", letter, whole, wholeMinutes,
                wholeSeconds);
        return;
    }
    default: {
        const char letter = Hemisphere(degrees, isLongitude, whole);
        FormatC(text, size, isLongitude ? "%c%03ld\xB0%02ld'%05.2lf" : "%c %02ld\xB0%02ld'%05.2lf", letter, whole,
                wholeMinutes, seconds);
        return;
    }
    }
}

}  // namespace

void FormatCoordinate(char* text, int32_t angle, bool isLongitude, int notation, bool raw) {
    if (raw) {
        FormatC(text, kCoordinateTextSize, "[%08x] ", static_cast<uint32_t>(angle));
        return;
    }
    const double degrees = CircleToDegrees(angle);
    if (notation == kNotationSigned11) {
        FormatC(text, kCoordinateTextSize, "%11.5f", degrees);
    } else if (notation == kNotationSigned10) {
        FormatC(text, kCoordinateTextSize, "%10.4f", degrees);
    } else {
        FormatLettered(text, degrees, isLongitude, notation);
    }
}

void FormatPositionPair(char* text, int32_t latitude, int32_t longitude, bool decimal, bool raw) {
    const int notation = decimal ? kNotationSigned11 : kNotationDecimalMinutes;
    char longitudeText[kCoordinateTextSize];
    FormatCoordinate(text, latitude, false, notation, raw);
    FormatCoordinate(longitudeText, longitude, true, notation, raw);
    FormatC(text + std::strlen(text), kCoordinateTextSize, " %s", longitudeText);
}

void AppendPositionPair(char* text, size_t size, int32_t latitude, int32_t longitude, bool decimal) {
    const int notation = decimal ? kNotationSigned10 : kNotationCompact;
    char latitudeText[kCoordinateTextSize];
    char longitudeText[kCoordinateTextSize];
    FormatCoordinate(latitudeText, latitude, false, notation);
    FormatCoordinate(longitudeText, longitude, true, notation);
    AppendFormatC(text, size, "%s %s", latitudeText, longitudeText);
}

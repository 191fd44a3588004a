#include "common/LatLonText.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "common/Angle.h"
#include "common/CoordinateFormat.h"

void FormatLatLon(char* out, int32_t value, bool isLongitude, int style) {
    int notation = kNotationSeconds;
    if (style == 0) notation = kNotationDecimalDegrees;
    else if (style == 1) notation = kNotationDecimalMinutes;
    else if (style == 2) notation = kNotationWholeMinutes;
    else if (style == 3) notation = kNotationCompact;
    FormatCoordinate(out, value, isLongitude, notation);
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The first '#', else ';', else degree sign becomes '~'.
void MarkMinutes(char* text) {
    for (const char mark : {'#', ';', '\xB0'}) {
        if (char* at = std::strchr(text, mark)) {
            *at = '~';
            return;
        }
    }
}

}  // namespace

int ParseLatLon(char* text, int32_t* out, bool isLongitude, bool fullPrecision) {
    MarkMinutes(text);
    while (*text == ' ') ++text;
    size_t length = std::strlen(text);
    while (length > 0 && static_cast<unsigned char>(text[length - 1]) <= 32) --length;
    text[length] = '\0';

    const char letter = text[0];
    const char positive = isLongitude ? 'E' : 'N';
    const char negative = isLongitude ? 'W' : 'S';
    if (letter != positive && letter != negative) return 1;
    const int maxDegrees = isLongitude ? 180 : 89;

    double value = 0;
    if (char* tilde = std::strchr(text, '~')) {
        char* dot = std::strchr(tilde, '.');
        if (!dot || dot - tilde < 2) return 1;
        if (!IsDigit(tilde[1]) || !IsDigit(dot[-1]) || !IsDigit(dot[1])) return 1;
        char c = 0;
        int degrees = 0;
        double minutes = 0;
        if (std::sscanf(text, "%c %d~%lf", &c, &degrees, &minutes) != 3) return 1;
        if (degrees < 0 || degrees > maxDegrees || minutes >= 60.0) return 1;
        if (degrees == 180 && (letter != 'W' || minutes != 0.0)) return 1;
        value = degrees + minutes / 60.0;
    } else {
        const int digits = isLongitude ? 7 : 6;
        for (int i = 1; i <= digits; ++i) {
            if (!IsDigit(text[i])) return 1;
        }
        if (IsDigit(text[digits + 1])) return 1;
        char c = 0;
        int degrees = 0, minutes = 0, seconds = 0;
        const char* format = isLongitude ? "%c%3d%2d%2d" : "%c%2d%2d%2d";
        if (std::sscanf(text, format, &c, &degrees, &minutes, &seconds) != 4) return 1;
        if (degrees > maxDegrees || minutes > 59 || seconds > 59) return 1;
        if (degrees == 180 && (letter != 'W' || minutes != 0 || seconds != 0)) return 1;
        value = degrees + minutes / 60.0 + seconds / 3600.0;
    }
    uint32_t units = static_cast<uint32_t>(DegreesToCircle(value, fullPrecision ? 26 : 25));
    if (letter == negative) units = 0u - units;
    *out = static_cast<int32_t>(units);
    return 0;
}

#include "common/CoordinateParse.h"

#include <charconv>
#include <cstring>

#include "common/Angle.h"
#include "common/TextHelpers.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Reads a run of digits as a whole number, saturating far above any valid value.
char* ReadNumber(char* p, long* value) {
    long v = 0;
    while (IsDigit(*p)) {
        if (v < 100000) v = v * 10 + (*p - '0');
        ++p;
    }
    *value = v;
    return p;
}

// Fixed-width digits of the compact form; the caller has checked that they are digits.
long FixedDigits(const char* p, int count) {
    long v = 0;
    for (int i = 0; i < count; ++i) v = v * 10 + (p[i] - '0');
    return v;
}

// Limits common to both forms.
bool WithinLimits(long degrees, double minutes, double seconds, char letter, bool isLongitude,
                  const CoordinateRules& rules) {
    const long maxDegrees = isLongitude ? 180 : rules.maxLatitude;
    if (degrees < 0 || degrees > maxDegrees) return false;
    if (minutes < 0 || minutes >= 60.0 || seconds < 0 || seconds >= 60.0) return false;
    const bool atLimit = isLongitude ? degrees == 180 : degrees == 90;  // the pole or the date line
    if (atLimit && (minutes != 0 || seconds != 0)) return false;
    if (isLongitude && degrees == 180 && letter != 'W') return false;
    return true;
}

}  // namespace

const CoordinateRules kListingCoordinateRules = {"~#\xB0", 90};

CoordinateScan ScanCoordinate(char* text, bool isLongitude, const CoordinateRules& rules) {
    CoordinateScan scan;
    TrimTrailingBlanks(text);
    char* p = text;
    while (*p == ' ' || *p == '\t') ++p;

    const char letter = *p;
    bool valid = isLongitude ? (letter == 'E' || letter == 'W') : (letter == 'N' || letter == 'S');
    scan.negative = isLongitude ? letter == 'W' : letter == 'S';
    if (letter == '\0') {
        scan.next = p;
        return scan;
    }
    ++p;

    // The minutes form: optional blanks, degree digits, a mark, then digits '.' digits.
    char* q = p;
    while (IsBlank(*q)) ++q;
    long degrees = 0;
    char* afterDegrees = ReadNumber(q, &degrees);
    const bool isMark = afterDegrees != q && *afterDegrees != '\0' &&
                        std::strchr(rules.minuteMarks, *afterDegrees) != nullptr;
    if (isMark) {
        *afterDegrees = '~';
        char* m = afterDegrees + 1;
        char* point = m;
        while (IsDigit(*point)) ++point;
        char* end = point;
        if (*point == '.') {
            end = point + 1;
            while (IsDigit(*end)) ++end;
        }
        double minutes = 0;
        const bool shaped = point != m && *point == '.' && end != point + 1;
        if (shaped) std::from_chars(m, end, minutes);
        valid = valid && shaped && WithinLimits(degrees, minutes, 0.0, letter, isLongitude, rules);
        scan.degrees = static_cast<double>(degrees) + minutes / 60.0;
        scan.valid = valid;
        scan.next = shaped ? end : point;
        return scan;
    }

    // The compact form: exactly 6 (latitude) or 7 (longitude) digits after the letter.
    const int degreeDigits = isLongitude ? 3 : 2;
    const int count = degreeDigits + 4;
    int digits = 0;
    while (digits < count && IsDigit(p[digits])) ++digits;
    const bool shaped = digits == count && !IsDigit(p[count]);
    if (shaped) {
        degrees = FixedDigits(p, degreeDigits);
        const long minutes = FixedDigits(p + degreeDigits, 2);
        const long seconds = FixedDigits(p + degreeDigits + 2, 2);
        valid = valid && minutes <= 59 && seconds <= 59 &&
                WithinLimits(degrees, static_cast<double>(minutes), static_cast<double>(seconds), letter,
                             isLongitude, rules);
        scan.degrees = static_cast<double>(degrees) + minutes / 60.0 + seconds / 3600.0;
    } else {
        valid = false;
    }
    scan.valid = valid;
    scan.next = p + digits;
    return scan;
}

CoordinateParseStatus& SharedCoordinateStatus() {
    static CoordinateParseStatus status;
    return status;
}

char* ParseCoordinate(char* text, int32_t* out, int bits, bool isLongitude, CoordinateParseStatus& status) {
    const CoordinateScan scan = ScanCoordinate(text, isLongitude, kListingCoordinateRules);
    if (!scan.valid) status.error = kCoordinateParseError;
    if (scan.degrees > 150.0) status.farLongitude = true;
    const int32_t magnitude = DegreesToCircle(scan.degrees, bits);
    *out = scan.negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(magnitude)) : magnitude;
    return scan.next;
}

char* ParseCoordinate(char* text, int32_t* out, int bits, bool isLongitude) {
    return ParseCoordinate(text, out, bits, isLongitude, SharedCoordinateStatus());
}

#include "viewer/RecordLines.h"

#include <charconv>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/Angle.h"
#include "common/TextHelpers.h"

namespace {

// The minutes as "%06.3f" writes them: rounded to the nearest thousandth of the exact value, a
// tie to even. Only values next to a tie, where the product's own rounding could decide, and
// values out of range go through to_chars.
char* PutMinutes(char* p, double minutes) {
    const double scaled = minutes * 1000.0;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (!(minutes >= 0 && minutes < 99.0) || std::fabs(fraction - 0.5) < 1e-6) {
        char digits[32];
        char* end = std::to_chars(digits, digits + sizeof digits, minutes, std::chars_format::fixed, 3).ptr;
        for (int n = int(end - digits); n < 6; ++n) *p++ = '0';
        return std::copy(digits, end, p);
    }
    const uint32_t thousandths = uint32_t(whole) + (fraction > 0.5 ? 1 : 0);
    const uint32_t units = thousandths / 1000;
    *p++ = char('0' + units / 10);
    *p++ = char('0' + units % 10);
    *p++ = '.';
    const uint32_t part = thousandths % 1000;
    *p++ = char('0' + part / 100);
    *p++ = char('0' + part / 10 % 10);
    *p++ = char('0' + part % 10);
    return p;
}

}  // namespace

namespace record_line {

char* PutAngle(char* p, int32_t angle, char positive, char negative, int degreeDigits) {
    double degrees = CircleToDegrees(angle);
    double magnitude = std::fabs(degrees);
    const uint32_t whole = uint32_t(magnitude);
    *p++ = degrees < 0 ? negative : positive;
    if (degreeDigits == 2) *p++ = ' ';
    p = PutNumber(p, whole, degreeDigits);
    *p++ = '\xB0';
    return PutMinutes(p, (magnitude - double(whole)) * 60.0);
}

char* PutPrintf(char* p, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(p, kPrintfBound, format, args);
    va_end(args);
    return p + std::clamp(n, 0, int(kPrintfBound) - 1);
}

char* PrintfText(char* p, const char* format, const char* text, size_t length) {
    return PutPrintf(p, format, std::string(text, length).c_str());
}

}  // namespace record_line

std::string FormatLatitude(int32_t angle) {
    char text[kAngleBound];
    return std::string(text, record_line::PutAngle(text, angle, 'N', 'S', 2));
}

std::string FormatLongitude(int32_t angle) {
    char text[kAngleBound];
    return std::string(text, record_line::PutAngle(text, angle, 'E', 'W', 3));
}

void AppendRecordLine(std::string& out, LineKind kind, const char* format, const char* alternative,
                      const void* field, int width) {
    const LineLayout layout = MakeLineLayout(kind, format, alternative, width);
    const size_t start = out.size();
    out.resize(start + layout.bound);
    out.resize(size_t(PutRecordLine(out.data() + start, layout, field) - out.data()));
}

std::string FormatRecordLine(LineKind kind, const char* format, const char* alternative, const void* field,
                             int width) {
    std::string text;
    AppendRecordLine(text, kind, format, alternative, field, width);
    return text;
}

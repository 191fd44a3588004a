#include "viewer/RecordLines.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/Angle.h"
#include "common/TextHelpers.h"

namespace record_line {

char* PutAngle(char* p, int32_t angle, char positive, char negative, int degreeDigits, bool utf8) {
    // The angle is a whole number of 2^-23 degrees, so its minutes, 60 * 2^-23 of a degree each,
    // are exact: "%06.3f" rounds their exact value to thousandths, a tie to even.
    constexpr int kFractionBits = 23;
    constexpr uint64_t kHalf = uint64_t(1) << (kFractionBits - 1);
    const double degrees = CircleToDegrees(angle);
    const int64_t units = degrees == 0 ? 0 : int64_t(angle >> 6) * 45;
    const uint64_t magnitude = uint64_t(units < 0 ? -units : units);
    const uint64_t scaled = (magnitude & ((uint64_t(1) << kFractionBits) - 1)) * 60000;
    uint64_t thousandths = scaled >> kFractionBits;
    const uint64_t rest = scaled & ((uint64_t(1) << kFractionBits) - 1);
    if (rest > kHalf || (rest == kHalf && (thousandths & 1))) ++thousandths;
    *p++ = degrees < 0 ? negative : positive;
    if (degreeDigits == 2) *p++ = ' ';
    p = PutNumber(p, magnitude >> kFractionBits, degreeDigits);
    if (utf8) *p++ = '\xC2';
    *p++ = '\xB0';
    // At most 60.000: the minutes are not rounded into the degrees.
    p = PutTwoDigits(p, unsigned(thousandths / 1000));
    *p++ = '.';
    const unsigned part = unsigned(thousandths % 1000);
    *p++ = char('0' + part / 100);
    return PutTwoDigits(p, part % 100);
}

char* PutPrintf(char* p, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(p, kPrintfBound, format, args);
    va_end(args);
    return p + std::clamp(n, 0, int(kPrintfBound) - 1);
}

char* PrintfText(char* p, const char* format, const char* text, size_t length, bool utf8) {
    if (!utf8) return PutPrintf(p, format, std::string(text, length).c_str());
    char printed[kPrintfBound];
    const char* end = PutPrintf(printed, format, std::string(text, length).c_str());
    return platform::PutUtf8From1252(std::string_view(printed, size_t(end - printed)), p);
}

}  // namespace record_line

std::string FormatLatitude(int32_t angle) {
    char text[kAngleBound];
    return std::string(text, record_line::PutAngle(text, angle, 'N', 'S', 2, false));
}

std::string FormatLongitude(int32_t angle) {
    char text[kAngleBound];
    return std::string(text, record_line::PutAngle(text, angle, 'E', 'W', 3, false));
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

#include "viewer/RecordLines.h"

#include <charconv>
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/Angle.h"

namespace {

// The hemisphere letter, whole degrees (at least degreeDigits digits, after a blank for a
// latitude), the degree sign and the minutes as "%06.3f", the minutes not rounded into the
// degrees.
void AppendAngle(std::string& text, int32_t angle, char positive, char negative, int degreeDigits) {
    double degrees = CircleToDegrees(angle);
    double magnitude = std::fabs(degrees);
    long whole = long(magnitude);
    double minutes = (magnitude - double(whole)) * 60.0;
    text += degrees < 0 ? negative : positive;
    if (degreeDigits == 2) text += ' ';
    char digits[32];
    char* end = std::to_chars(digits, digits + sizeof digits, whole).ptr;
    text.append(std::max(0, degreeDigits - int(end - digits)), '0');
    text.append(digits, end);
    text += '\xB0';
    // Fixed with three decimals rounds as printf does.
    end = std::to_chars(digits, digits + sizeof digits, minutes, std::chars_format::fixed, 3).ptr;
    text.append(std::max(0, 6 - int(end - digits)), '0');
    text.append(digits, end);
}

int32_t Field32(const void* field) {
    int32_t value;
    std::memcpy(&value, field, sizeof value);
    return value;
}

void AppendPrintf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void AppendPrintf(std::string& out, const char* format, ...) {
    char text[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    out.append(text);
}

// The label and value of the common number formats ("label %d", "label 0x%08x", "label %x")
// without a printf, appended; false (nothing appended) for any other format.
bool AppendNumberFast(const char* format, int32_t value, std::string& out) {
    const char* percent = std::strchr(format, '%');
    if (!percent) return false;
    const char* decl = percent + 1;
    int width = 0;
    if (*decl == '0') {
        ++decl;
        while (*decl >= '0' && *decl <= '9') width = width * 10 + (*decl++ - '0');
    }
    char conversion = *decl;
    if ((conversion != 'd' && conversion != 'x') || decl[1] != '\0' || (conversion == 'd' && width)) return false;
    out.append(format, size_t(percent - format));
    char digits[16];
    char* end;
    if (conversion == 'd') {
        end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    } else {
        end = std::to_chars(digits, digits + sizeof digits, uint32_t(value), 16).ptr;
        out.append(size_t(std::max(0, width - int(end - digits))), '0');
    }
    out.append(digits, end);
    return true;
}

}  // namespace

std::string FormatLatitude(int32_t angle) {
    std::string text;
    AppendAngle(text, angle, 'N', 'S', 2);
    return text;
}

std::string FormatLongitude(int32_t angle) {
    std::string text;
    AppendAngle(text, angle, 'E', 'W', 3);
    return text;
}

void AppendRecordLine(std::string& out, LineKind kind, const char* format, const char* alternative,
                      const void* field, int width) {
    switch (kind) {
    case LineKind::Number:
        if (!AppendNumberFast(format, Field32(field), out)) AppendPrintf(out, format, Field32(field));
        return;
    case LineKind::Text:
    case LineKind::ShortText: {
        const char* text = static_cast<const char*>(field);
        const size_t n = ::strnlen(text, size_t(width));
        if (kind == LineKind::ShortText && n < 2) format = alternative;
        // "label %s": the label and the text as they are.
        const char* percent = std::strchr(format, '%');
        if (percent && percent[1] == 's' && percent[2] == '\0') {
            out.append(format, size_t(percent - format));
            out.append(text, n);
            return;
        }
        AppendPrintf(out, format, std::string(text, n).c_str());
        return;
    }
    case LineKind::Latitude:
        out += format;
        AppendAngle(out, Field32(field), 'N', 'S', 2);
        return;
    case LineKind::Longitude:
        out += format;
        AppendAngle(out, Field32(field), 'E', 'W', 3);
        return;
    case LineKind::LowByte:
        AppendPrintf(out, format, int(int8_t(Field32(field) & 0xFF)));
        return;
    case LineKind::Bytes:
        out += format;
        for (int i = 0; i < width; ++i) AppendPrintf(out, alternative, static_cast<const uint8_t*>(field)[i]);
        return;
    }
}

std::string FormatRecordLine(LineKind kind, const char* format, const char* alternative, const void* field,
                             int width) {
    std::string text;
    AppendRecordLine(text, kind, format, alternative, field, width);
    return text;
}

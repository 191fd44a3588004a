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
std::string FormatAngle(int32_t angle, char positive, char negative, int degreeDigits) {
    double degrees = CircleToDegrees(angle);
    double magnitude = std::fabs(degrees);
    long whole = long(magnitude);
    double minutes = (magnitude - double(whole)) * 60.0;
    std::string text(1, degrees < 0 ? negative : positive);
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
    return text;
}

int32_t Field32(const void* field) {
    int32_t value;
    std::memcpy(&value, field, sizeof value);
    return value;
}

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
    char text[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// The label and value of the common number formats ("label %d", "label 0x%08x", "label %x")
// without a printf; false for any other format.
bool FormatNumberFast(const char* format, int32_t value, std::string& out) {
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
    out.assign(format, percent);
    char digits[16];
    char* end;
    if (conversion == 'd') {
        end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    } else {
        end = std::to_chars(digits, digits + sizeof digits, uint32_t(value), 16).ptr;
        for (int pad = width - int(end - digits); pad > 0; --pad) out += '0';
    }
    out.append(digits, end);
    return true;
}

}  // namespace

std::string FormatLatitude(int32_t angle) { return FormatAngle(angle, 'N', 'S', 2); }
std::string FormatLongitude(int32_t angle) { return FormatAngle(angle, 'E', 'W', 3); }

std::string FormatRecordLine(LineKind kind, const char* format, const char* alternative, const void* field,
                             int width) {
    switch (kind) {
    case LineKind::Number: {
        std::string text;
        if (FormatNumberFast(format, Field32(field), text)) return text;
        return Printf(format, Field32(field));
    }
    case LineKind::Text:
    case LineKind::ShortText: {
        std::string text(static_cast<const char*>(field), ::strnlen(static_cast<const char*>(field), width));
        if (kind == LineKind::ShortText && text.size() < 2) format = alternative;
        // "label %s": the label and the text as they are.
        const char* percent = std::strchr(format, '%');
        if (percent && percent[1] == 's' && percent[2] == '\0') return std::string(format, percent) + text;
        return Printf(format, text.c_str());
    }
    case LineKind::Latitude:
        return format + FormatLatitude(Field32(field));
    case LineKind::Longitude:
        return format + FormatLongitude(Field32(field));
    case LineKind::LowByte:
        return Printf(format, int(int8_t(Field32(field) & 0xFF)));
    case LineKind::Bytes: {
        std::string text = format;
        for (int i = 0; i < width; ++i) text += Printf(alternative, static_cast<const uint8_t*>(field)[i]);
        return text;
    }
    }
    return {};
}

#include "viewer/RecordLines.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/Angle.h"

namespace {

// Whole degrees and minutes, the minutes not rounded into the degrees.
std::string FormatAngle(int32_t angle, char positive, char negative, const char* format) {
    double degrees = CircleToDegrees(angle);
    double magnitude = std::fabs(degrees);
    long whole = long(magnitude);
    double minutes = (magnitude - double(whole)) * 60.0;
    char text[48];
    std::snprintf(text, sizeof text, format, degrees < 0 ? negative : positive, whole, minutes);
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

}  // namespace

std::string FormatLatitude(int32_t angle) { return FormatAngle(angle, 'N', 'S', "%c %02ld\xB0%06.3f"); }
std::string FormatLongitude(int32_t angle) { return FormatAngle(angle, 'E', 'W', "%c%03ld\xB0%06.3f"); }

std::string FormatRecordLine(LineKind kind, const char* format, const char* alternative, const void* field,
                             int width) {
    switch (kind) {
    case LineKind::Number:
        return Printf(format, Field32(field));
    case LineKind::Text:
    case LineKind::ShortText: {
        std::string text(static_cast<const char*>(field), ::strnlen(static_cast<const char*>(field), width));
        if (kind == LineKind::ShortText && text.size() < 2) format = alternative;
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

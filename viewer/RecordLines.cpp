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

// Room for the angle of a coordinate line: hemisphere, blank, degrees, sign and "%06.3f" minutes.
constexpr size_t kAngleBound = 32;
// printf writes into a buffer of this size (and is cut there).
constexpr size_t kPrintfBound = 160;

// Hexadecimal digits of value (lower case), zero-padded to at least width; the end.
char* PutHex(char* p, uint32_t value, int width) {
    const int count = value ? (std::bit_width(value) + 3) / 4 : 1;
    for (int i = count; i < width; ++i) *p++ = '0';
    char* const end = p + count;
    for (char* at = end; at > p; value >>= 4) *--at = "0123456789abcdef"[value & 0xF];
    return end;
}

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

// The hemisphere letter, whole degrees (at least degreeDigits digits, after a blank for a
// latitude), the degree sign and the minutes as "%06.3f", the minutes not rounded into the
// degrees.
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

int32_t Field32(const void* field) {
    int32_t value;
    std::memcpy(&value, field, sizeof value);
    return value;
}

char* PutPrintf(char* p, const char* format, ...) __attribute__((format(printf, 2, 3)));
char* PutPrintf(char* p, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(p, kPrintfBound, format, args);
    va_end(args);
    return p + std::clamp(n, 0, int(kPrintfBound) - 1);
}

char* Put(char* p, const TextPiece& piece) {
    const size_t n = piece.text.size();
    if (n <= TextPiece::kBlock) {
        std::memcpy(p, piece.block.data(), TextPiece::kBlock);
    } else {
        std::memcpy(p, piece.text.data(), n);
    }
    return p + n;
}

// The most bytes of a value written in a format.
size_t ValueBound(const ValueFormat& f, size_t textWidth) {
    switch (f.conversion) {
    case 0:
        return f.head.text.size() + TextPiece::kBlock;
    case 'p':
        return kPrintfBound;
    case 's':
        return f.head.text.size() + textWidth + f.tail.text.size() + TextPiece::kBlock;
    default:
        return f.head.text.size() + size_t(std::max({f.width, f.precision, 0})) + 12 + f.tail.text.size() +
               TextPiece::kBlock;
    }
}

char* PutValue(char* p, const ValueFormat& f, int32_t value) {
    if (f.conversion == 'p') return PutPrintf(p, f.format, value);
    p = Put(p, f.head);
    if (f.conversion == 0) return p;
    const bool decimal = f.conversion == 'd';
    const uint32_t magnitude = decimal && value < 0 ? 0u - uint32_t(value) : uint32_t(value);
    const char sign = !decimal ? 0 : value < 0 ? '-' : f.plus ? '+' : 0;
    char* const start = p;
    if (sign) *p++ = sign;
    // The '0' flag pads the digits after the sign to the width (it is ignored with a precision).
    const int digits = f.zero && f.precision < 0 ? f.width - (sign ? 1 : 0) : f.precision;
    if (f.precision != 0 || magnitude != 0) p = decimal ? PutNumber(p, magnitude, digits) : PutHex(p, magnitude, digits);
    const int length = int(p - start);
    if (f.width > length) {
        // Blanks before the sign.
        std::memmove(start + (f.width - length), start, size_t(length));
        std::fill_n(start, f.width - length, ' ');
        p = start + f.width;
    }
    return Put(p, f.tail);
}

char* PutText(char* p, const ValueFormat& f, const char* text, size_t length) {
    if (f.conversion == 'p') return PutPrintf(p, f.format, std::string(text, length).c_str());
    p = Put(p, f.head);
    std::memcpy(p, text, length);
    return Put(p + length, f.tail);
}

}  // namespace

TextPiece::TextPiece(std::string_view t) : text(t) {
    std::copy_n(t.begin(), std::min(t.size(), kBlock), block.begin());
}

ValueFormat ParseValueFormat(const char* format) {
    ValueFormat f;
    f.format = format;
    const std::string_view all(format);
    const size_t percent = all.find('%');
    if (percent == std::string_view::npos) {
        f.head = TextPiece(all);
        return f;
    }
    f.head = TextPiece(all.substr(0, percent));
    size_t at = percent + 1;
    for (; at < all.size() && (all[at] == '0' || all[at] == '+'); ++at) (all[at] == '0' ? f.zero : f.plus) = true;
    for (; at < all.size() && all[at] >= '0' && all[at] <= '9'; ++at) f.width = f.width * 10 + (all[at] - '0');
    if (at < all.size() && all[at] == '.') {
        f.precision = 0;
        for (++at; at < all.size() && all[at] >= '0' && all[at] <= '9'; ++at)
            f.precision = f.precision * 10 + (all[at] - '0');
    }
    const char conversion = at < all.size() ? all[at] : 0;
    const std::string_view tail = at < all.size() ? all.substr(at + 1) : std::string_view();
    f.tail = TextPiece(tail);
    const bool plainText = conversion == 's' && !f.zero && !f.plus && f.width == 0 && f.precision < 0;
    const bool sane = f.width < 64 && f.precision < 64 && tail.find('%') == std::string_view::npos;
    f.conversion = sane && (conversion == 'd' || conversion == 'x' || plainText) ? conversion : 'p';
    return f;
}

LineLayout MakeLineLayout(LineKind kind, const char* format, const char* alternative, int width) {
    LineLayout l;
    l.kind = kind;
    l.width = width;
    l.label = TextPiece(format);
    l.value = ParseValueFormat(format);
    if (alternative) l.alternative = ParseValueFormat(alternative);
    switch (kind) {
    case LineKind::Number:
    case LineKind::LowByte:
        l.bound = ValueBound(l.value, 0);
        break;
    case LineKind::Text:
        l.bound = ValueBound(l.value, size_t(width));
        break;
    case LineKind::ShortText:
        l.bound = std::max(ValueBound(l.value, size_t(width)), ValueBound(l.alternative, size_t(width)));
        break;
    case LineKind::Latitude:
    case LineKind::Longitude:
        l.bound = l.label.text.size() + TextPiece::kBlock + kAngleBound;
        break;
    case LineKind::Bytes:
        l.bound = l.label.text.size() + TextPiece::kBlock + size_t(width) * ValueBound(l.alternative, 0);
        break;
    }
    return l;
}

char* PutRecordLine(char* p, const LineLayout& l, const void* field) {
    switch (l.kind) {
    case LineKind::Number:
        return PutValue(p, l.value, Field32(field));
    case LineKind::Text:
    case LineKind::ShortText: {
        const char* text = static_cast<const char*>(field);
        const size_t n = ::strnlen(text, size_t(l.width));
        return PutText(p, l.kind == LineKind::ShortText && n < 2 ? l.alternative : l.value, text, n);
    }
    case LineKind::Latitude:
        return PutAngle(Put(p, l.label), Field32(field), 'N', 'S', 2);
    case LineKind::Longitude:
        return PutAngle(Put(p, l.label), Field32(field), 'E', 'W', 3);
    case LineKind::LowByte:
        return PutValue(p, l.value, int8_t(Field32(field) & 0xFF));
    case LineKind::Bytes:
        p = Put(p, l.label);
        for (int i = 0; i < l.width; ++i) p = PutValue(p, l.alternative, static_cast<const uint8_t*>(field)[i]);
        return p;
    }
    return p;
}

std::string FormatLatitude(int32_t angle) {
    char text[kAngleBound];
    return std::string(text, PutAngle(text, angle, 'N', 'S', 2));
}

std::string FormatLongitude(int32_t angle) {
    char text[kAngleBound];
    return std::string(text, PutAngle(text, angle, 'E', 'W', 3));
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

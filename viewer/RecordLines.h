// The lines of a record as a table: each line's format, how its field is shown, whether it
// may be searched, and where its field lies in the record object.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "common/TextHelpers.h"
#include "platform/Text1252.h"

enum class LineKind {
    Number,     // printf of the 32-bit field
    Text,       // printf of the text field (up to its terminator or width)
    ShortText,  // as Text, but with the alternative format when shorter than two characters
    Latitude,   // the label, then N/S, degrees and minutes
    Longitude,  // the label, then E/W, degrees and minutes
    LowByte,    // printf of the field's low byte as a signed number
    Bytes,      // the label, then each byte of the field in the alternative format
};

// Latitude and longitude texts: "N 00\xB000.000", "W180\xB000.000" (degree sign 0xB0).
std::string FormatLatitude(int32_t angle);
std::string FormatLongitude(int32_t angle);

template <class R>
struct RecordLine {
    const char* format;  // the label with the printf format of the value, or the label alone
    LineKind kind;
    bool searchable;
    const void* (*field)(const R&);
    int width;               // bytes of the field
    const char* alternative = nullptr;
};

// The field of a record object and its width, for a RecordLine.
#define RECORD_FIELD(R, member) [](const R& r) -> const void* { return &r.member; }, int(sizeof(R::member))

// Room for the angle of a coordinate line: hemisphere, blank, degrees, sign and "%06.3f" minutes.
inline constexpr size_t kAngleBound = 32;
// printf writes into a buffer of this size (and is cut there).
inline constexpr size_t kPrintfBound = 160;

// A short constant text kept in a block of fixed size as well, so that it is copied in one move
// of the whole block (the place it goes to has room for the block).
struct TextPiece {
    static constexpr size_t kBlock = 32;
    std::string_view text;
    std::array<char, kBlock> block{};
    constexpr TextPiece() = default;
    constexpr explicit TextPiece(std::string_view t) : text(t) {
        for (size_t i = 0; i < t.size() && i < kBlock; ++i) block[i] = t[i];
    }
};

// A printf format of one value, taken apart once: the text before and after the conversion and
// the conversion. Plain "%s" and "%d"/"%x" with the flags '0' and '+', a width and a precision
// are written here; any other conversion is left to printf.
struct ValueFormat {
    const char* format = "";  // the whole format, for printf
    TextPiece head;           // before the '%' (the whole format when it has none)
    TextPiece tail;           // after the conversion
    char conversion = 0;      // 'd', 'x' or 's'; 0 without a conversion; 'p' for printf
    bool plus = false;
    bool zero = false;
    int width = 0;
    int precision = -1;
};

constexpr ValueFormat ParseValueFormat(const char* format) {
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

// The most bytes of a value written in a format.
constexpr size_t ValueBound(const ValueFormat& f, size_t textWidth) {
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

// A line of a table with its formats taken apart and the most bytes it writes (its text, and
// room for the blocks of its pieces).
struct LineLayout {
    LineKind kind = LineKind::Number;
    TextPiece label;  // the whole format (coordinate and byte lines)
    ValueFormat value;
    ValueFormat alternative;
    int width = 0;
    size_t bound = 0;
};

constexpr LineLayout MakeLineLayout(LineKind kind, const char* format, const char* alternative, int width) {
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

// The pieces of PutRecordLine.
namespace record_line {

// printf of one value at p, cut at kPrintfBound bytes; the end.
char* PutPrintf(char* p, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The hemisphere letter, whole degrees (at least degreeDigits digits, after a blank for a
// latitude), the degree sign and the minutes as "%06.3f", the minutes not rounded into the
// degrees (the sign in UTF-8 when utf8 is set); the end.
char* PutAngle(char* p, int32_t angle, char positive, char negative, int degreeDigits, bool utf8);
// As printf of "%s" with the text (length bytes, no terminator), in UTF-8 when utf8 is set; the end.
char* PrintfText(char* p, const char* format, const char* text, size_t length, bool utf8);

[[gnu::always_inline]] inline int32_t Field32(const void* field) {
    int32_t value;
    std::memcpy(&value, field, sizeof value);
    return value;
}

[[gnu::always_inline]] inline char* Put(char* p, const TextPiece& piece) {
    const size_t n = piece.text.size();
    if (n == 0) return p;
    if (n <= TextPiece::kBlock) {
        std::memcpy(p, piece.block.data(), TextPiece::kBlock);
    } else {
        std::memcpy(p, piece.text.data(), n);
    }
    return p + n;
}

// Hexadecimal digits of value (lower case), zero-padded to at least width; the end. Writes
// eight bytes at least.
[[gnu::always_inline]] inline char* PutHex(char* p, uint32_t value, int width) {
    // The zeros up to eight digits are the value's own leading digits.
    int count = std::max(value ? (int(std::bit_width(value)) + 3) / 4 : 1, width);
    for (; count > 8; --count) *p++ = '0';
    // Each of the eight digits in a byte of its own, the most significant first in memory
    // (little-endian).
    uint64_t x = value;
    x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
    x = (x | (x << 8)) & 0x00FF00FF00FF00FFull;
    x = (x | (x << 4)) & 0x0F0F0F0F0F0F0F0Full;
    x = __builtin_bswap64(x);
    const uint64_t letters = ((x + 0x0606060606060606ull) >> 4) & 0x0101010101010101ull;
    x += 0x3030303030303030ull + letters * ('a' - '0' - 10);
    x >>= 8 * (8 - count);
    std::memcpy(p, &x, 8);
    return p + count;
}

[[gnu::always_inline]] inline char* PutValue(char* p, const ValueFormat& f, int32_t value) {
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
    if (f.precision != 0 || magnitude != 0)
        p = decimal ? PutNumber(p, magnitude, digits) : PutHex(p, magnitude, digits);
    if (f.width > 0) {
        const int length = int(p - start);
        if (f.width > length) {
            // Blanks before the sign.
            std::memmove(start + (f.width - length), start, size_t(length));
            std::fill_n(start, f.width - length, ' ');
            p = start + f.width;
        }
    }
    return Put(p, f.tail);
}

[[gnu::always_inline]] inline char* PutText(char* p, const ValueFormat& f, const char* text, size_t length,
                                            bool utf8) {
    if (f.conversion == 'p') return PrintfText(p, f.format, text, length, utf8);
    p = Put(p, f.head);
    if (utf8) {
        p = platform::PutUtf8From1252(std::string_view(text, length), p);
    } else {
        std::memcpy(p, text, length);
        p += length;
    }
    return Put(p, f.tail);
}

constexpr bool IsAscii(const char* text) {
    for (; text && *text; ++text)
        if (static_cast<unsigned char>(*text) >= 0x80) return false;
    return true;
}

// False when a line in the layout surely ends in a character above a blank.
constexpr bool MayEndInBlank(const LineLayout& l) {
    auto endsAbove = [](const TextPiece& piece) {
        return !piece.text.empty() && static_cast<unsigned char>(piece.text.back()) > ' ';
    };
    auto valueEndsAbove = [&](const ValueFormat& f) {
        if (!f.tail.text.empty()) return endsAbove(f.tail);
        if (f.conversion == 0) return endsAbove(f.head);
        return (f.conversion == 'd' || f.conversion == 'x') && f.precision != 0;  // at least one digit
    };
    switch (l.kind) {
    case LineKind::Latitude:
    case LineKind::Longitude:
        return false;
    case LineKind::Number:
    case LineKind::LowByte:
        return !valueEndsAbove(l.value);
    case LineKind::Bytes:
        return l.width <= 0 ? !endsAbove(l.label) : !valueEndsAbove(l.alternative);
    default:
        return true;  // the text field may end in blanks
    }
}

}  // namespace record_line

// The line's text of a field written at p, which has room for layout.bound bytes; the end.
// With utf8 the text is written in UTF-8 (three times the room): the formats must be ASCII.
[[gnu::always_inline]] inline char* PutRecordLine(char* p, const LineLayout& l, const void* field,
                                                  bool utf8 = false) {
    using namespace record_line;
    switch (l.kind) {
    case LineKind::Number:
        return PutValue(p, l.value, Field32(field));
    case LineKind::Text:
    case LineKind::ShortText: {
        const char* text = static_cast<const char*>(field);
        const size_t n = ::strnlen(text, size_t(l.width));
        return PutText(p, l.kind == LineKind::ShortText && n < 2 ? l.alternative : l.value, text, n, utf8);
    }
    case LineKind::Latitude:
        return PutAngle(Put(p, l.label), Field32(field), 'N', 'S', 2, utf8);
    case LineKind::Longitude:
        return PutAngle(Put(p, l.label), Field32(field), 'E', 'W', 3, utf8);
    case LineKind::LowByte:
        return PutValue(p, l.value, int8_t(Field32(field) & 0xFF));
    case LineKind::Bytes:
        p = Put(p, l.label);
        for (int i = 0; i < l.width; ++i) p = PutValue(p, l.alternative, static_cast<const uint8_t*>(field)[i]);
        return p;
    }
    return p;
}

// A line's text at p cut of its trailing blanks and control characters, then '\n'; the end.
inline char* EndLine(char* start, char* p) {
    while (p > start && static_cast<unsigned char>(p[-1]) <= ' ') --p;
    *p++ = '\n';
    return p;
}

// The text of a line, appended to out (the formats taken apart on every call).
void AppendRecordLine(std::string& out, LineKind kind, const char* format, const char* alternative,
                      const void* field, int width);
// The same as a text of its own.
std::string FormatRecordLine(LineKind kind, const char* format, const char* alternative, const void* field,
                             int width);

// The layouts of a table's lines, made on first use.
template <class R, int N>
const std::array<LineLayout, N>& TableLayouts(const RecordLine<R> (&lines)[N]) {
    static const std::array<LineLayout, N> layouts = [&] {
        std::array<LineLayout, N> made;
        for (int i = 0; i < N; ++i)
            made[i] = MakeLineLayout(lines[i].kind, lines[i].format, lines[i].alternative, lines[i].width);
        return made;
    }();
    return layouts;
}

// Nothing for an index outside the table.
template <class R, int N>
void AppendTableLine(const RecordLine<R> (&lines)[N], const R& record, int line, std::string& out) {
    if (line < 0 || line >= N) return;
    const LineLayout& layout = TableLayouts(lines)[line];
    const size_t start = out.size();
    out.resize(start + layout.bound);
    out.resize(size_t(PutRecordLine(out.data() + start, layout, lines[line].field(record)) - out.data()));
}

template <class R, int N>
std::string FormatTableLine(const RecordLine<R> (&lines)[N], const R& record, int line) {
    std::string text;
    AppendTableLine(lines, record, line, text);
    return text;
}

// The most bytes of PutTableLines.
template <class R, int N>
size_t TableLinesBound(const RecordLine<R> (&lines)[N]) {
    size_t bound = 0;
    for (const LineLayout& layout : TableLayouts(lines)) bound += layout.bound + 1;
    return bound;
}

// Every line of the record written at p, each without its trailing blanks and control
// characters and ended by '\n', in UTF-8 when Utf8 is set (room for three times
// TableLinesBound); the end. The table is a constant: each line is written by code of its own,
// its format taken apart at compile time.
template <const auto& lines, bool Utf8, size_t I, class R>
[[gnu::always_inline]] inline char* PutFixedTableLine(const R& record, char* p) {
    static constexpr LineLayout layout =
        MakeLineLayout(lines[I].kind, lines[I].format, lines[I].alternative, lines[I].width);
    static_assert(!Utf8 || (record_line::IsAscii(lines[I].format) && record_line::IsAscii(lines[I].alternative)));
    char* const start = p;
    p = PutRecordLine(p, layout, lines[I].field(record), Utf8);
    if constexpr (record_line::MayEndInBlank(layout)) return EndLine(start, p);
    *p++ = '\n';
    return p;
}

template <const auto& lines, bool Utf8, class R, size_t... I>
char* PutFixedTableLines(const R& record, char* p, std::index_sequence<I...>) {
    ((p = PutFixedTableLine<lines, Utf8, I>(record, p)), ...);
    return p;
}

template <const auto& lines, bool Utf8, class R>
char* PutTableLines(const R& record, char* p) {
    return PutFixedTableLines<lines, Utf8>(record, p, std::make_index_sequence<std::size(lines)>());
}

// The 32-bit field of a searchable line; the record number for any other line.
template <class R, int N>
int TableLineValue(const RecordLine<R> (&lines)[N], const R& record, int line, int32_t recordNumber) {
    if (line < 0 || line >= N || !lines[line].searchable) return recordNumber;
    int32_t value;
    __builtin_memcpy(&value, lines[line].field(record), sizeof value);
    return value;
}

template <class R, int N>
bool TableLineSearchable(const RecordLine<R> (&lines)[N], int line) {
    return line >= 0 && line < N && lines[line].searchable;
}

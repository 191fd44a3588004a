// The lines of a record as a table: each line's format, how its field is shown, whether it
// may be searched, and where its field lies in the record object.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

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

// A short constant text kept in a block of fixed size as well, so that it is copied in one move
// of the whole block (the place it goes to has room for the block).
struct TextPiece {
    static constexpr size_t kBlock = 32;
    std::string_view text;
    std::array<char, kBlock> block{};
    TextPiece() = default;
    explicit TextPiece(std::string_view t);
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
ValueFormat ParseValueFormat(const char* format);

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
LineLayout MakeLineLayout(LineKind kind, const char* format, const char* alternative, int width);

// The line's text of a field written at p, which has room for layout.bound bytes; the end.
char* PutRecordLine(char* p, const LineLayout& layout, const void* field);

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
// characters and ended by '\n'; the end.
template <class R, int N>
char* PutTableLines(const RecordLine<R> (&lines)[N], const R& record, char* p) {
    const std::array<LineLayout, N>& layouts = TableLayouts(lines);
    for (int i = 0; i < N; ++i) {
        char* start = p;
        p = PutRecordLine(p, layouts[i], lines[i].field(record));
        while (p > start && static_cast<unsigned char>(p[-1]) <= ' ') --p;
        *p++ = '\n';
    }
    return p;
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

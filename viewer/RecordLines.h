// The lines of a record as a table: each line's format, how its field is shown, whether it
// may be searched, and where its field lies in the record object.
#pragma once

#include <cstdint>
#include <string>

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

// The text of a line of the table, appended to out.
void AppendRecordLine(std::string& out, LineKind kind, const char* format, const char* alternative,
                      const void* field, int width);
// The same as a text of its own.
std::string FormatRecordLine(LineKind kind, const char* format, const char* alternative, const void* field,
                             int width);

// Nothing for an index outside the table.
template <class R, int N>
void AppendTableLine(const RecordLine<R> (&lines)[N], const R& record, int line, std::string& out) {
    if (line < 0 || line >= N) return;
    const RecordLine<R>& l = lines[line];
    AppendRecordLine(out, l.kind, l.format, l.alternative, l.field(record), l.width);
}

template <class R, int N>
std::string FormatTableLine(const RecordLine<R> (&lines)[N], const R& record, int line) {
    if (line < 0 || line >= N) return {};
    const RecordLine<R>& l = lines[line];
    return FormatRecordLine(l.kind, l.format, l.alternative, l.field(record), l.width);
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

// One aircraft of a FLARM identification database, as every reader fills it and every writer
// takes it: fixed NUL-terminated text fields in Windows-1252.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

struct FlarmRecord {
    char FlarmID[8];
    char NAME[24];
    char AIRFIELD[24];
    char REG[8];
    char TYPE[24];
    char COMPID[4];
    char FREQUENCY[8];
    int32_t ogn;  // the record came from an OGN device database
};

// Every field to zero, field by field: one memset of the whole record becomes a string
// instruction whose start-up costs more than the stores.
inline void ClearFlarmRecord(FlarmRecord& record) {
    auto clear = [](auto& field) { std::memset(field, 0, sizeof field); };
    clear(record.FlarmID);
    clear(record.NAME);
    clear(record.AIRFIELD);
    clear(record.REG);
    clear(record.TYPE);
    clear(record.COMPID);
    clear(record.FREQUENCY);
    record.ogn = 0;
}

// Copies at most `max` bytes of the text (and never past the field's terminator place or a NUL
// in the text) into the field, NUL-terminated.
template <size_t N>
void SetFlarmField(char (&field)[N], std::string_view text, size_t max = N - 1) {
    size_t n = text.size();
    if (n > max) n = max;
    if (n > N - 1) n = N - 1;
    const void* nul = std::memchr(text.data(), 0, n);
    if (nul) n = static_cast<size_t>(static_cast<const char*>(nul) - text.data());
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

// Upper-cases FlarmID, turns control characters in the texts into blanks and cuts trailing
// blanks from NAME, AIRFIELD, REG, TYPE, COMPID and FREQUENCY. The bytes after each field's
// terminator become zero.
void NormaliseFlarmRecord(FlarmRecord& record);

// SetFlarmField of `length` bytes and then NormaliseFlarmRecord's work on that field, in one pass
// (a reader's fast path). The field's size in bytes must be readable at `text`, whatever the length.
void SetNormalisedId(char (&id)[8], const char* text, size_t length);
template <size_t N>
void SetNormalisedText(char (&field)[N], const char* text, size_t length);

// True when the six characters are digits or letters A-F in either case.
bool IsHexId(const char* text);
// True when the three characters are digits, letters A-Z in either case, or blanks.
bool IsCompIdText(const char* text);
// The value of six hexadecimal digits.
uint32_t FlarmIdValue(const char* id);
// True when the id is six hexadecimal digits and its terminator; `key` is then their value.
bool FlarmIdKey(const char (&id)[8], uint32_t& key);
// True when the text is exactly six hexadecimal digits.
bool IsHexVersion(std::string_view text);

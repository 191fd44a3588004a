// The restriction text of a frequency line ("R:", then "RX" or "TX", a bearing sector, BELOW,
// ABOVE, REMOTEVOR and a text in double quotes) as the remarks form kept in a RESTR chain and
// the frequency's flags word.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FreqRecord;

struct Restriction696 {
    std::vector<uint8_t> form;   // length byte, flags byte F, the parts F names
    uint32_t flagBits = 0;       // bits 16-23 of `f431`: F bits 0-4, bit 21 TX, bit 22 RX
};

// False (with a message) for a form that the image cannot hold; *out is then untouched. The
// text must begin with "R:".
bool ParseRestriction696(const std::string& text, Restriction696* out, std::string* error);

// The frequency's `f431` with bits 16-23 replaced and bit 5 (the third-decimal mark) set or
// cleared; bits 0-15 stay, all ones counting as 0.
int32_t FrequencyFlags696(int32_t f431, uint32_t flagBits, bool thirdDecimalMark);

// Writes the form as a chain of RESTR records: `frsno` is its first serial.
void StoreRestriction696(const Restriction696& r, int32_t* next, FreqRecord* rec);

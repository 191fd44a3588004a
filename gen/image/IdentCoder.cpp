#include "gen/image/IdentCoder.h"

#include <algorithm>
#include <cstring>

#include "common/CLocale.h"
#include "common/IdentDigits.h"
#include "common/SixBitCode.h"

namespace {

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Bits of the ident code in a record: 4 for the second character, 6 for each further one.
uint32_t IdentBits(const SectionParams& s) { return 4 + 6 * (s.identLength - 2); }
uint32_t IdentBytes(const SectionParams& s) { return (IdentBits(s) + 7) / 8; }

}  // namespace

std::string TrimmedIdent(const std::string& ident) {
    std::string text = ident;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

uint32_t IdentCharCode6(char c) {
    if (IsLetter(c)) return static_cast<uint32_t>(c - 'A' + 1);
    if (IsDigit(c)) return static_cast<uint32_t>(c - '0' + 32);
    return 0;
}

std::string ImageIdent(const char* ident) {
    // Seven characters, none of them NUL; the string's own terminator takes the eighth byte.
    std::string out(kIdent7Size - 1, '\0');
    MakeIdent7(out.data(), ident);
    return out;
}

ImageResult IdentBucket(const SectionParams& section, const std::string& ident, uint32_t* bucket) {
    const char first = ident.empty() ? '\0' : ident[0];
    if (!IsLetter(first) && !IsDigit(first)) {
        return ImageResult::Data(StringFormatC("unknown icao ident char '%c' (%s \"%s\")", first ? first : ' ',
                                               section.name, TrimmedIdent(ident).c_str()));
    }
    const char second = ident.size() > 1 ? ident[1] : ' ';
    const uint32_t k = IdentCharCode6(first) - 1;
    const uint32_t g = IsDigit(second) ? 2 : (second >= 'P' && second <= 'Z') ? 1 : 0;
    *bucket = 4 * k + g;
    return ImageResult::Ok();
}

ImageResult PackIdentCode(const SectionParams& section, const std::string& ident, uint8_t* record) {
    uint32_t value = 0;
    for (uint32_t i = 1; i < section.identLength; ++i) {
        const char c = i < ident.size() ? ident[i] : ' ';
        if (c != ' ' && c != '\0' && !IsLetter(c) && !IsDigit(c)) {
            return ImageResult::Data(StringFormatC("%s \"%s\": ident character '%c' cannot be coded", section.name,
                                                   TrimmedIdent(ident).c_str(), c));
        }
        const uint32_t code = IdentCharCode6(c);
        value = (i == 1) ? (code & 0x0F) : (value << 6) | code;
    }
    const uint32_t bytes = IdentBytes(section);
    const uint32_t shift = 8 * bytes - IdentBits(section);
    const uint32_t mask = ((1u << IdentBits(section)) - 1) << shift;
    value <<= shift;
    uint8_t* low = record + section.identLastByte + 1 - bytes;
    uint32_t word = 0;
    for (uint32_t i = 0; i < bytes; ++i) word |= static_cast<uint32_t>(low[i]) << (8 * i);
    word = (word & ~mask) | value;
    for (uint32_t i = 0; i < bytes; ++i) low[i] = static_cast<uint8_t>(word >> (8 * i));
    return ImageResult::Ok();
}

std::string UnpackIdentTail(const SectionParams& section, const uint8_t* record, uint32_t bucket) {
    const uint32_t bytes = IdentBytes(section);
    const uint32_t shift = 8 * bytes - IdentBits(section);
    const uint8_t* low = record + section.identLastByte + 1 - bytes;
    uint32_t word = 0;
    for (uint32_t i = 0; i < bytes; ++i) word |= static_cast<uint32_t>(low[i]) << (8 * i);
    word >>= shift;
    std::string text;
    const uint32_t low4 = word >> (6 * (section.identLength - 2));
    text += IdentCodeChar((bucket % 4) * 16 + low4);
    for (int i = static_cast<int>(section.identLength) - 3; i >= 0; --i) {
        text += IdentCodeChar((word >> (6 * i)) & 63);
    }
    return text;
}

IdentBuckets::IdentBuckets() { std::fill(entries_, entries_ + kBucketCount, 0xFFFF); }

ImageResult IdentBuckets::Set(const SectionParams& section, const std::string& ident, uint32_t recordNumber) {
    uint32_t bucket = 0;
    if (ImageResult r = IdentBucket(section, ident, &bucket); !r) return r;
    if (entries_[bucket] == 0xFFFF) entries_[bucket] = static_cast<uint16_t>(recordNumber);
    return ImageResult::Ok();
}

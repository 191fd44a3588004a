#include "common/TextHelpers.h"

#include <strings.h>

#include <cstring>

bool MatchKeyword(const char* text, const char* keyword) {
    return std::strncmp(text, keyword, std::strlen(keyword)) == 0;
}

void StripTrailingSpaces(char* start, char* end) {
    while (end > start && end[-1] == ' ') *--end = '\0';
}

size_t TrimTrailingBlanks(char* text) {
    size_t length = std::strlen(text);
    while (length > 0 && static_cast<unsigned char>(text[length - 1]) <= ' ') --length;
    text[length] = '\0';
    return length;
}

namespace {

// "00" to "99": two digits per division.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

template <typename Unsigned>
char* PutDigitsBackwards(char* end, Unsigned value) {
    while (value >= 100) {
        const unsigned pair = static_cast<unsigned>(value % 100);
        value /= 100;
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * pair, 2);
    }
    if (value >= 10) {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * static_cast<unsigned>(value), 2);
    } else {
        *--end = static_cast<char>('0' + value);
    }
    return end;
}

}  // namespace

char* PutTwoDigits(char* out, unsigned value) {
    std::memcpy(out, kDigitPairs + 2 * value, 2);
    return out + 2;
}

int DecimalLength(uint64_t value) {
    int count = 1;
    for (uint64_t limit = 10; count < 20 && value >= limit; limit *= 10) ++count;
    return count;
}

char* PutNumber(char* out, uint64_t value, int width) {
    // The digits go straight to their place, counted first.
    const int count = DecimalLength(value);
    for (int i = count; i < width; ++i) *out++ = '0';
    char* const end = out + count;
    // Most values fit 32 bits, whose divisions are cheaper.
    if (value <= UINT32_MAX) {
        PutDigitsBackwards(end, static_cast<uint32_t>(value));
    } else {
        PutDigitsBackwards(end, value);
    }
    return end;
}

bool EndsWithNoCase(const std::string& text, const char* tail) {
    const size_t n = std::strlen(tail);
    return text.size() >= n && ::strcasecmp(text.c_str() + text.size() - n, tail) == 0;
}

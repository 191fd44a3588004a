#include "common/TextHelpers.h"

#include <strings.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

template <unsigned long Base>
unsigned DigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (Base <= 10) return 99;
    if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned>(c - 'A' + 10);
    return 99;
}

// Blanks, a sign, the base-16 prefix and the digits, as strtol and strtoul read them.
struct ScannedNumber {
    bool negative = false;
    bool overflow = false;
    unsigned long magnitude = 0;
    const char* end = nullptr;  // the text itself when there are no digits
};

template <unsigned long Base>
ScannedNumber ScanNumber(const char* text) {
    ScannedNumber n;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    if (*p == '-' || *p == '+') n.negative = *p++ == '-';
    if (Base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue<Base>(p[2]) < Base) p += 2;
    const char* digits = p;
    for (unsigned d; (d = DigitValue<Base>(*p)) < Base; ++p) {
        if (n.magnitude > (ULONG_MAX - d) / Base) {
            n.overflow = true;
        } else {
            n.magnitude = n.magnitude * Base + d;
        }
    }
    n.end = p != digits ? p : text;
    return n;
}

ScannedNumber ScanNumber(const char* text, int base) {
    return base == 16 ? ScanNumber<16>(text) : ScanNumber<10>(text);
}

}  // namespace

long ParseLong(const char* text, char** end, int base) {
    if (base != 10 && base != 16) return std::strtol(text, end, base);
    const ScannedNumber n = ScanNumber(text, base);
    if (end) *end = const_cast<char*>(n.end);
    const unsigned long most = n.negative ? static_cast<unsigned long>(LONG_MAX) + 1 : LONG_MAX;
    if (n.overflow || n.magnitude > most) return n.negative ? LONG_MIN : LONG_MAX;
    return n.negative ? static_cast<long>(0UL - n.magnitude) : static_cast<long>(n.magnitude);
}

unsigned long ParseUnsignedLong(const char* text, char** end, int base) {
    if (base != 10 && base != 16) return std::strtoul(text, end, base);
    const ScannedNumber n = ScanNumber(text, base);
    if (end) *end = const_cast<char*>(n.end);
    if (n.overflow) return ULONG_MAX;
    return n.negative ? 0UL - n.magnitude : n.magnitude;
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

bool EndsWithNoCase(const std::string& text, const char* tail) {
    const size_t n = std::strlen(tail);
    return text.size() >= n && ::strcasecmp(text.c_str() + text.size() - n, tail) == 0;
}

#include "common/Frequency.h"

#include <cstdlib>
#include <cstring>

#include "common/CLocale.h"

void FormatFrequency(char* text, int32_t value, int32_t divisor) {
    if (divisor < 1) divisor = 1;
    if (divisor <= 10 && value >= 10000) {
        FormatC(text, kFrequencyTextSize, "%5d", value / divisor);
        return;
    }
    int decimals = 0;
    for (int32_t d = divisor; d >= 10; d /= 10) ++decimals;
    // Whole and fraction from the magnitude, so a negative value reads "-0.5", not "  0.-5".
    const int64_t magnitude = value < 0 ? -static_cast<int64_t>(value) : value;
    char whole[16];
    FormatC(whole, sizeof whole, "%s%lld", value < 0 ? "-" : "", static_cast<long long>(magnitude / divisor));
    FormatC(text, kFrequencyTextSize, "%3s.%.*lld", whole, decimals,
            static_cast<long long>(magnitude % divisor));
}

int CheckNumericText(char* text, char separator) {
    size_t length = std::strlen(text);
    while (length > 0 && static_cast<signed char>(text[length - 1]) <= 32) --length;
    text[length] = '\0';
    if (length == 0) return 1;
    bool otherSeen = false;
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if ((c >= '0' && c <= '9') || c == separator) continue;
        if (c == '*') {
            if (i + 1 != length) return 1;
            otherSeen = true;
        } else if (c == ' ') {
            if (otherSeen) return 1;
        } else {
            otherSeen = true;
        }
    }
    return 0;
}

int ParseFrequency(char* text, int decimals, int32_t* out, int32_t* flags) {
    if (CheckNumericText(text, '.') != 0) return 1;
    const size_t length = std::strlen(text);
    if (flags && text[length - 1] == '*') *flags |= 128;
    const int32_t scale = decimals == 2 ? 100 : 10;
    int32_t fraction = 0;
    if (char* dot = std::strchr(text, '.')) {
        int digits = 0;
        while (digits < decimals && dot[1 + digits] >= '0' && dot[1 + digits] <= '9') {
            fraction = fraction * 10 + (dot[1 + digits] - '0');
            ++digits;
        }
        if (decimals == 2 && digits == 1) fraction *= 10;
        dot[1 + digits] = '\0';
        *dot = '\0';
    }
    const long whole = std::strtol(text, nullptr, 10);
    if (whole < 0 || whole > 1000000) return 1;
    const int32_t value = static_cast<int32_t>(whole) * scale + fraction;
    if (decimals == 2 && (value < 10800 || value > 15000)) return 1;
    *out = value;
    return 0;
}

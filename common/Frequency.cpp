#include "common/Frequency.h"

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

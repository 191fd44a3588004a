#include "common/HeightRange.h"

#include <algorithm>
#include <cstring>

#include "common/ListingTables.h"

namespace {

// "<lower> to <upper>": two limits of at most 10 characters and " to ".
constexpr size_t kRangeTextSize = 32;

char* PutText(char* out, const char* text) {
    const size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
}

// A limit (hundreds of feet, at most 1023) as its name, or "%d" / "%d AGL" of its feet.
char* PutLimit(char* out, int limit, bool aboveGround) {
    if (const char* named = (limit >> 8) == 3 ? NamedHeightLimit(limit & 0xFF) : nullptr) return PutText(out, named);
    char digits[12];
    int count = 0;
    for (unsigned feet = static_cast<unsigned>(limit) * 100; count == 0 || feet != 0; feet /= 10) {
        digits[count++] = static_cast<char>('0' + feet % 10);
    }
    while (count > 0) *out++ = digits[--count];
    return aboveGround ? PutText(out, " AGL") : out;
}

}  // namespace

int AppendHeightRange(char* text, size_t size, uint8_t lower, uint8_t flags, uint8_t upper, int flag) {
    if (flag < 0) return 1;
    char range[kRangeTextSize];
    char* end = PutLimit(range, lower + 256 * (flags & 3), (flags & 16) != 0);
    end = PutText(end, " to ");
    end = PutLimit(end, upper + 256 * ((flags >> 2) & 3), (flags & 32) != 0);
    // Cut to fit behind the text already there.
    const size_t used = strnlen(text, size);
    if (used < size) {
        const size_t length = std::min(static_cast<size_t>(end - range), size - used - 1);
        std::memcpy(text + used, range, length);
        text[used + length] = '\0';
    }
    return (lower & 2) ? 0 : 1;
}

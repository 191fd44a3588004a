#include "common/RawBytes.h"

void FormatRawBytes(char* text, size_t size, const uint8_t* bytes, size_t count, bool flagged) {
    if (size == 0) return;
    static const char kHex[] = "0123456789abcdef";
    size_t used = 0;
    const auto put = [&](char c) {
        if (used + 1 < size) text[used++] = c;
    };
    put('[');
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) put(' ');
        put(kHex[bytes[i] >> 4]);
        put(kHex[bytes[i] & 0xF]);
    }
    put(']');
    put(flagged ? '*' : ' ');
    if (count == 2) {
        put(' ');
        put(' ');
        put(' ');
    }
    text[used] = '\0';
}

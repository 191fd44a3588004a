#include "common/RawBytes.h"

#include "common/CLocale.h"

void FormatRawBytes(char* text, size_t size, const uint8_t* bytes, size_t count, bool flagged) {
    if (size == 0) return;
    text[0] = '\0';
    for (size_t i = 0; i < count; ++i) AppendFormatC(text, size, i == 0 ? "[%02x" : " %02x", bytes[i]);
    if (count == 0) AppendFormatC(text, size, "[");
    AppendFormatC(text, size, "%s%s", flagged ? "]*" : "] ", count == 2 ? "   " : "");
}

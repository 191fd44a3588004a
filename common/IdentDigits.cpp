#include "common/IdentDigits.h"

namespace {

char DecodedDigit(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'p' && u <= 0x7F) ? static_cast<char>(u - 64) : c;
}

}  // namespace

void EncodeIdentDigits(char* ident) {
    for (char* p = ident; *p; ++p) {
        if (*p >= '0' && *p <= '9') *p = static_cast<char>(*p + 64);
    }
}

void DecodeIdentDigits(char* ident) {
    for (char* p = ident; *p; ++p) *p = DecodedDigit(*p);
}

void MakeIdent7(char* out, const char* ident) {
    size_t i = 0;
    for (; i < kIdent7Size - 1 && ident[i]; ++i) out[i] = DecodedDigit(ident[i]);
    for (; i < kIdent7Size - 1; ++i) out[i] = ' ';
    out[kIdent7Size - 1] = '\0';
}

#include "sidedata/flarm/FlarmRecord.h"

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Control characters to blanks, then trailing blanks cut, in one pass.
template <size_t N>
void CleanText(char (&field)[N]) {
    field[N - 1] = '\0';
    char* end = field;
    for (char* p = field; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c <= ' ' || c == 0x7F) {
            if (c != ' ') *p = ' ';
        } else {
            end = p + 1;
        }
    }
    *end = '\0';
}

}  // namespace

void NormaliseFlarmRecord(FlarmRecord& record) {
    record.FlarmID[sizeof record.FlarmID - 1] = '\0';
    for (char* p = record.FlarmID; *p; ++p) {
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    }
    CleanText(record.NAME);
    CleanText(record.AIRFIELD);
    CleanText(record.REG);
    CleanText(record.TYPE);
    CleanText(record.COMPID);
    CleanText(record.FREQUENCY);
}

bool IsHexId(const char* text) {
    for (int i = 0; i < 6; ++i) {
        if (!IsHexDigit(text[i])) return false;
    }
    return true;
}

bool IsCompIdText(const char* text) {
    for (int i = 0; i < 3; ++i) {
        char c = text[i];
        bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ';
        if (!ok) return false;
    }
    return true;
}

uint32_t FlarmIdValue(const char* id) {
    uint32_t value = 0;
    for (int i = 0; i < 6; ++i) {
        char c = id[i];
        unsigned digit = c <= '9' ? static_cast<unsigned>(c - '0')
                                  : static_cast<unsigned>((c | 0x20) - 'a' + 10);
        value = value << 4 | (digit & 0xF);
    }
    return value;
}

bool IsHexVersion(std::string_view text) { return text.size() == 6 && IsHexId(text.data()); }

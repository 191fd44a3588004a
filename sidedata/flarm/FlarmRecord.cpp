#include "sidedata/flarm/FlarmRecord.h"

#include <bit>

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Byte-wise tests on eight bytes at a time (little-endian: byte i is bits 8i to 8i + 7); each
// result has the high bit of every byte that passes.
static_assert(std::endian::native == std::endian::little);
constexpr uint64_t kOnes = 0x0101010101010101;
constexpr uint64_t kHigh = 0x8080808080808080;

// Bytes below n (n at most 0x80).
constexpr uint64_t BytesBelow(uint64_t x, unsigned n) { return ~(((x & ~kHigh) + kOnes * (0x80 - n)) | x) & kHigh; }

// Bytes equal to c.
constexpr uint64_t BytesEqual(uint64_t x, unsigned char c) { return BytesBelow(x ^ (kOnes * c), 1); }

// The field's text as words: its last byte, the terminator's place, NUL, and the bytes past the
// field zero. The words are changed here and stored whole once (loading a word just after a
// byte store into it waits for the store).
template <size_t N>
struct FieldWords {
    static constexpr size_t kWords = (N + 7) / 8;
    uint64_t w[kWords] = {};
    uint64_t live[kWords];  // high bits of the bytes before the first NUL

    explicit FieldWords(const char (&field)[N]) {
#pragma GCC unroll 4
        for (size_t k = 0; k < kWords; ++k) std::memcpy(&w[k], field + 8 * k, Width(k));
        w[(N - 1) / 8] &= ~(uint64_t{0xFF} << 8 * ((N - 1) % 8));
        uint64_t before = ~uint64_t{0};  // no NUL in the words so far
#pragma GCC unroll 4
        for (size_t k = 0; k < kWords; ++k) {
            const uint64_t nul = BytesEqual(w[k], 0);
            live[k] = before & ((nul & (0 - nul)) - 1) & kHigh;
            before &= nul == 0 ? ~uint64_t{0} : 0;
        }
    }
    void Store(char (&field)[N]) const {
#pragma GCC unroll 4
        for (size_t k = 0; k < kWords; ++k) std::memcpy(field + 8 * k, &w[k], Width(k));
    }
    // Word by word: copied whole, the compiler may move them through memory in other widths.
    static constexpr size_t Width(size_t k) { return N - 8 * k < 8 ? N - 8 * k : 8; }
};

// Control characters to blanks, then trailing blanks cut (a NUL after the last other byte).
template <size_t N>
void CleanText(char (&field)[N]) {
    FieldWords<N> text(field);
    size_t end = 0;
#pragma GCC unroll 4
    for (size_t k = 0; k < text.kWords; ++k) {
        uint64_t& x = text.w[k];
        const uint64_t control = (BytesBelow(x, ' ') | BytesEqual(x, 0x7F)) & text.live[k];
        const uint64_t bytes = (control >> 7) * 0xFF;
        x = (x & ~bytes) | (bytes & (kOnes * ' '));
        const uint64_t shown = ~BytesBelow(x, ' ' + 1) & text.live[k];
        end = shown != 0 ? 8 * k + static_cast<size_t>(std::bit_width(shown)) / 8 : end;
    }
#pragma GCC unroll 4
    for (size_t k = 0; k < text.kWords; ++k) {
        const size_t at = end - 8 * k;
        text.w[k] &= at < 8 ? ~(uint64_t{0xFF} << 8 * at) : ~uint64_t{0};
    }
    text.Store(field);
}

// Letters a-z before the NUL to upper case.
template <size_t N>
void UpperCase(char (&field)[N]) {
    FieldWords<N> text(field);
#pragma GCC unroll 4
    for (size_t k = 0; k < text.kWords; ++k) {
        uint64_t& x = text.w[k];
        x -= (BytesBelow(x, 'z' + 1) & ~BytesBelow(x, 'a') & text.live[k]) >> 2;
    }
    text.Store(field);
}

}  // namespace

void NormaliseFlarmRecord(FlarmRecord& record) {
    UpperCase(record.FlarmID);
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

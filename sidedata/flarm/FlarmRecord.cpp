#include "sidedata/flarm/FlarmRecord.h"

#include <bit>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// The high bits of the bytes before byte n of a word (any n).
constexpr uint64_t BytesBefore(size_t n) { return n >= 8 ? kHigh : kHigh & ((uint64_t{1} << (8 * n)) - 1); }

// Whole bytes where the high bits are.
constexpr uint64_t Spread(uint64_t high) { return (high >> 7) * 0xFF; }

// The first `length` bytes of the text (at most N - 1; N bytes readable), cut at a NUL,
// normalised into the field and the rest of the field zero: FlarmID upper-cased, the others with
// control characters as blanks and trailing blanks cut. The words are built in registers and
// stored once: loading a word just after narrower stores into it waits for them.
template <size_t N, bool kId>
void PutNormalised(char (&field)[N], const char* text, size_t length) {
    constexpr size_t kWords = (N + 7) / 8;
    auto width = [](size_t k) { return N - 8 * k < 8 ? N - 8 * k : 8; };
    uint64_t w[kWords];
    uint64_t live[kWords];           // high bits of the bytes before the NUL
    uint64_t before = ~uint64_t{0};  // no NUL in the words so far
    size_t end = 0;                  // just past the last byte shown
#pragma GCC unroll 4
    for (size_t k = 0; k < kWords; ++k) {
        uint64_t x = 0;
        std::memcpy(&x, text + 8 * k, width(k));
        x &= Spread(BytesBefore(length > 8 * k ? length - 8 * k : 0));
        const uint64_t nul = BytesEqual(x, 0);
        live[k] = before & ((nul & (0 - nul)) - 1) & kHigh;
        before &= nul == 0 ? ~uint64_t{0} : 0;
        if constexpr (kId) {
            x -= (BytesBelow(x, 'z' + 1) & ~BytesBelow(x, 'a') & live[k]) >> 2;
        } else {
            const uint64_t control = Spread((BytesBelow(x, ' ') | BytesEqual(x, 0x7F)) & live[k]);
            x = (x & ~control) | (control & (kOnes * ' '));
            const uint64_t shown = ~BytesBelow(x, ' ' + 1) & live[k];
            end = shown != 0 ? 8 * k + static_cast<size_t>(std::bit_width(shown)) / 8 : end;
        }
        w[k] = x;
    }
#pragma GCC unroll 4
    for (size_t k = 0; k < kWords; ++k) {
        w[k] &= Spread(kId ? live[k] : BytesBefore(end > 8 * k ? end - 8 * k : 0));
        std::memcpy(field + 8 * k, &w[k], width(k));
    }
}

#ifdef __SSE2__
// PutNormalised of a 24-byte text field as two vectors, each byte classified once.
void PutNormalisedText24(char (&field)[24], const char* text, size_t length) {
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    const __m128i hi = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(text + 16));
    auto bits = [](__m128i l, __m128i h) {
        return static_cast<uint32_t>(_mm_movemask_epi8(l)) | static_cast<uint32_t>(_mm_movemask_epi8(h)) << 16;
    };
    // Blank: up to 0x20 or DEL; control: blank but not the blank itself.
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i del = _mm_set1_epi8(0x7F);
    auto blank = [&](__m128i c) { return _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(c, space), c), _mm_cmpeq_epi8(c, del)); };
    const __m128i blankLo = blank(lo);
    const __m128i blankHi = blank(hi);
    const __m128i zero = _mm_setzero_si128();
    const uint32_t nul = bits(_mm_cmpeq_epi8(lo, zero), _mm_cmpeq_epi8(hi, zero)) & ((uint32_t{1} << length) - 1);
    const uint32_t live = nul != 0 ? (nul & (0 - nul)) - 1 : (uint32_t{1} << length) - 1;
    const auto end = static_cast<char>(std::bit_width(~bits(blankLo, blankHi) & live));
    // Bytes before the end kept, the controls among them as blanks.
    auto put = [&](__m128i c, __m128i isBlank, __m128i index) {
        const __m128i kept = _mm_cmplt_epi8(index, _mm_set1_epi8(end));
        const __m128i control = _mm_andnot_si128(_mm_cmpeq_epi8(c, space), isBlank);
        return _mm_and_si128(kept, _mm_or_si128(_mm_andnot_si128(control, c), _mm_and_si128(control, space)));
    };
    _mm_storeu_si128(reinterpret_cast<__m128i*>(field),
                     put(lo, blankLo, _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(field + 16),
                     put(hi, blankHi, _mm_setr_epi8(16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31)));
}
#endif

// Texts of 24 bytes as vectors where the processor has them, the others as words.
template <size_t N>
void PutNormalisedText(char (&field)[N], const char* text, size_t length) {
#ifdef __SSE2__
    if constexpr (N == 24) {
        PutNormalisedText24(field, text, length);
        return;
    }
#endif
    PutNormalised<N, false>(field, text, length);
}

template <size_t N>
void NormaliseText(char (&field)[N]) {
    PutNormalisedText(field, field, N - 1);
}

}  // namespace

void NormaliseFlarmRecord(FlarmRecord& record) {
    PutNormalised<sizeof record.FlarmID, true>(record.FlarmID, record.FlarmID, sizeof record.FlarmID - 1);
    NormaliseText(record.NAME);
    NormaliseText(record.AIRFIELD);
    NormaliseText(record.REG);
    NormaliseText(record.TYPE);
    NormaliseText(record.COMPID);
    NormaliseText(record.FREQUENCY);
}

void SetNormalisedId(char (&id)[8], const char* text, size_t length) {
    PutNormalised<8, true>(id, text, length < 7 ? length : 7);
}

template <size_t N>
void SetNormalisedText(char (&field)[N], const char* text, size_t length) {
    PutNormalisedText(field, text, length < N - 1 ? length : N - 1);
}

template void SetNormalisedText(char (&)[4], const char*, size_t);
template void SetNormalisedText(char (&)[8], const char*, size_t);
template void SetNormalisedText(char (&)[24], const char*, size_t);

bool IsHexId(const char* text) {
    bool all = true;
    for (int i = 0; i < 6; ++i) all &= IsHexDigit(text[i]);
    return all;
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
        // Digits are 0x30-0x39, letters 0x41-0x46 or 0x61-0x66.
        const auto c = static_cast<unsigned char>(id[i]);
        value = value << 4 | ((c & 0xFu) + 9u * (c >> 6 & 1u));
    }
    return value;
}

bool IsHexVersion(std::string_view text) { return text.size() == 6 && IsHexId(text.data()); }

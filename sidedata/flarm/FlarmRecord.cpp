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

// The first `length` bytes (at most 7; 8 readable) of the text, cut at a NUL, upper-cased into
// the id, the rest of it zero. The word is built in a register and stored once: loading a word
// just after narrower stores into it waits for them.
void PutNormalisedId(char (&id)[8], const char* text, size_t length) {
    uint64_t x;
    std::memcpy(&x, text, sizeof x);
    x &= (uint64_t{1} << 8 * length) - 1;
    const uint64_t nul = BytesBelow(x, 1);
    const uint64_t live = ((nul & (0 - nul)) - 1) & kHigh;  // the bytes before the first NUL
    x -= (BytesBelow(x, 'z' + 1) & ~BytesBelow(x, 'a') & live) >> 2;
    x &= (live >> 7) * 0xFF;
    std::memcpy(id, &x, sizeof x);
}

// The first `length` bytes (at most N - 1; N readable) of the text, cut at a NUL, into the
// field with control characters and DEL as blanks, trailing blanks cut and the rest zero. The
// field is stored once, whole.
#ifdef __SSE2__
template <size_t N>
void PutNormalisedText(char (&field)[N], const char* text, size_t length) {
    static_assert(N == 4 || N == 8 || N == 24);
    __m128i lo;
    __m128i hi = _mm_setzero_si128();
    if constexpr (N == 4) {
        int32_t bytes;
        std::memcpy(&bytes, text, sizeof bytes);
        lo = _mm_cvtsi32_si128(bytes);
    } else if constexpr (N == 8) {
        lo = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(text));
    } else {
        lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
        hi = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(text + 16));
    }
    auto bits = [](__m128i l, __m128i h) {
        return static_cast<uint32_t>(_mm_movemask_epi8(l)) | static_cast<uint32_t>(_mm_movemask_epi8(h)) << 16;
    };
    // Blank: up to 0x20 or DEL; a control: blank but not the blank itself.
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i del = _mm_set1_epi8(0x7F);
    auto blank = [&](__m128i c) { return _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(c, space), c), _mm_cmpeq_epi8(c, del)); };
    const __m128i blankLo = blank(lo);
    const __m128i blankHi = blank(hi);
    const __m128i zero = _mm_setzero_si128();
    const uint32_t inText = (uint32_t{1} << length) - 1;
    const uint32_t nul = bits(_mm_cmpeq_epi8(lo, zero), _mm_cmpeq_epi8(hi, zero)) & inText;
    const uint32_t live = nul != 0 ? (nul & (0 - nul)) - 1 : inText;
    const auto end = static_cast<char>(std::bit_width(~bits(blankLo, blankHi) & live));
    // The bytes before the end kept, the controls among them as blanks.
    auto put = [&](__m128i c, __m128i isBlank, __m128i index) {
        const __m128i kept = _mm_cmplt_epi8(index, _mm_set1_epi8(end));
        const __m128i control = _mm_andnot_si128(_mm_cmpeq_epi8(c, space), isBlank);
        return _mm_and_si128(kept, _mm_or_si128(_mm_andnot_si128(control, c), _mm_and_si128(control, space)));
    };
    lo = put(lo, blankLo, _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
    if constexpr (N == 4) {
        const int32_t bytes = _mm_cvtsi128_si32(lo);
        std::memcpy(field, &bytes, sizeof bytes);
    } else if constexpr (N == 8) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(field), lo);
    } else {
        hi = put(hi, blankHi, _mm_setr_epi8(16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(field), lo);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(field + 16), hi);
    }
}
#else
template <size_t N>
void PutNormalisedText(char (&field)[N], const char* text, size_t length) {
    char out[N] = {};
    size_t end = 0;
    for (size_t i = 0; i < length && text[i] != '\0'; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool blank = c <= ' ' || c == 0x7F;
        out[i] = blank ? ' ' : text[i];
        if (!blank) end = i + 1;
    }
    std::memset(out + end, 0, N - end);
    std::memcpy(field, out, N);
}
#endif

template <size_t N>
void NormaliseText(char (&field)[N]) {
    PutNormalisedText(field, field, N - 1);
}

}  // namespace

void NormaliseFlarmRecord(FlarmRecord& record) {
    PutNormalisedId(record.FlarmID, record.FlarmID, sizeof record.FlarmID - 1);
    NormaliseText(record.NAME);
    NormaliseText(record.AIRFIELD);
    NormaliseText(record.REG);
    NormaliseText(record.TYPE);
    NormaliseText(record.COMPID);
    NormaliseText(record.FREQUENCY);
}

void SetNormalisedId(char (&id)[8], const char* text, size_t length) {
    PutNormalisedId(id, text, length < 7 ? length : 7);
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

bool FlarmIdKey(const char (&id)[8], uint32_t& key) {
    uint64_t x;
    std::memcpy(&x, id, sizeof x);
    const uint64_t lower = x | kOnes * 0x20;  // A-F as a-f, and nothing else into a-f
    const uint64_t digits = ~BytesBelow(x, '0') & BytesBelow(x, '9' + 1);
    const uint64_t letters = ~BytesBelow(lower, 'a') & BytesBelow(lower, 'f' + 1);
    // Six digits, then the terminator.
    constexpr uint64_t kSix = kHigh >> 16;
    if (((digits | letters) & kSix) != kSix || (x >> 48 & 0xFF) != 0) return false;
    // Each digit's value (digits are 0x30-0x39, letters 0x41-0x46 or 0x61-0x66), then pairs of
    // them into the low byte of each 16-bit lane, the first digit high.
    const uint64_t values = (x & kOnes * 0x0F) + 9 * (x >> 6 & kOnes);
    constexpr uint64_t kLanes = 0x00FF00FF00FF00FF;
    const uint64_t pairs = ((values & kLanes) << 4 | (values >> 8 & kLanes)) & kLanes;
    key = static_cast<uint32_t>((pairs & 0xFF) << 16 | (pairs >> 16 & 0xFF) << 8 | (pairs >> 32 & 0xFF));
    return true;
}

bool IsHexVersion(std::string_view text) { return text.size() == 6 && IsHexId(text.data()); }

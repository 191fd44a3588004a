// The text of a record file's fixed text field: its bytes up to the first NUL, or all of them.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The length of the text. The field is read in blocks of 8 or 16 bytes, as whole as the record
// file wrote it (a read of a part of a field just written waits until the write is done), and
// the first NUL found without a test that could go either way.
template <size_t N>
size_t FieldLength(const char (&field)[N]) {
#if defined(__SSE2__)
    if constexpr (N == 8 || (N % 16 == 0 && N <= 64)) {
        // A bit for each NUL, the bits of all blocks in one word.
        uint64_t nuls = 0;
        const __m128i zero = _mm_setzero_si128();
        if constexpr (N == 8) {
            const __m128i block = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(field));
            nuls = static_cast<uint8_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, zero)));
        } else {
            for (size_t at = 0; at < N; at += 16) {
                const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(field + at));
                nuls |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, zero))))
                        << at;
            }
        }
        return std::min<size_t>(N, static_cast<size_t>(std::countr_zero(nuls)));
    }
#endif
    return strnlen(field, N);
}

template <size_t N>
std::string_view FieldView(const char (&field)[N]) {
    return {field, FieldLength(field)};
}

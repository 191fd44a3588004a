// The text of a record file's fixed text field: its bytes up to the first NUL, or all of them.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// The length of the text. The field is read in 8-byte words, as whole as the record file wrote
// it: a read of a part of a field just written waits until the write is done.
template <size_t N>
size_t FieldLength(const char (&field)[N]) {
    if constexpr (N % 8 != 0 || std::endian::native != std::endian::little) {
        return strnlen(field, N);
    } else {
        // Every word is read and the first NUL taken without a test that could go either way.
        size_t length = N;
        for (size_t at = 0; at < N; at += 8) {
            uint64_t word;
            std::memcpy(&word, field + at, 8);
            // The lowest byte flagged is the first NUL: a borrow only runs upwards from one.
            const uint64_t nul = (word - 0x0101010101010101u) & ~word & 0x8080808080808080u;
            const size_t here = at + static_cast<size_t>(std::countr_zero(nul)) / 8;
            length = std::min(length, nul != 0 ? here : N);
        }
        return length;
    }
}

template <size_t N>
std::string_view FieldView(const char (&field)[N]) {
    return {field, FieldLength(field)};
}

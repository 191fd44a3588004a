// One record of a GAR file: id byte, size byte and that many data bytes. Values are read
// little-endian from data positions, only where the record reaches.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "transfer/common/TransferFile.h"

struct GarRecordView;

struct GarRecord {
    int id = -1;
    int size = 0;
    alignas(16) uint8_t data[255] = {};

    // The viewed record, its data copied in blocks of 16 bytes where the view holds them: a read
    // that keeps within one block is then served from the block's write, where a read across two
    // writes would wait for both to reach the cache.
    void CopyFrom(const GarRecordView& view);

    // True when the record has the data byte at `position`.
    bool Reaches(int position) const { return position >= 0 && position < size; }
    int Byte(int position) const { return Reaches(position) ? data[position] : 0; }
    uint16_t U16(int position) const {
        return Reaches(position) && Reaches(position + 1) ? static_cast<uint16_t>(data[position] | data[position + 1] << 8) : 0;
    }
    int16_t S16(int position) const { return static_cast<int16_t>(U16(position)); }
    uint32_t U32(int position) const {
        if (!Reaches(position) || !Reaches(position + 3)) return 0;
        if constexpr (std::endian::native == std::endian::little) {
            uint32_t value;
            std::memcpy(&value, data + position, sizeof value);
            return value;
        }
        return data[position] | data[position + 1] << 8 | data[position + 2] << 16 |
               static_cast<uint32_t>(data[position + 3]) << 24;
    }
    int32_t S32(int position) const { return static_cast<int32_t>(U32(position)); }
    float F32(int position) const {
        const uint32_t bits = U32(position);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // The zero-ended string that starts at `position`, ended at the record's end too; `position`
    // moves past it.
    std::string_view StringAt(int& position) const {
        if (!Reaches(position)) return {};
        const uint8_t* const start = data + position;
        const size_t room = static_cast<size_t>(size - position);
        // Eight bytes at a time while they lie in the data: a zero byte, and only a zero byte,
        // has its top bit set in ~(((w & 0x7F..7F) + 0x7F..7F) | w | 0x7F..7F).
        constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
        size_t length = 0;
        for (; length + 8 <= room; length += 8) {
            uint64_t word;
            std::memcpy(&word, start + length, sizeof word);
            const uint64_t zeros = ~(((word & kLow7) + kLow7) | word | kLow7);
            if (zeros != 0) {
                const int bit = std::endian::native == std::endian::little ? std::countr_zero(zeros) : std::countl_zero(zeros);
                length += static_cast<size_t>(bit / 8);
                position += static_cast<int>(length + 1);
                return std::string_view(reinterpret_cast<const char*>(start), length);
            }
        }
        while (length < room && start[length] != 0) ++length;
        position += static_cast<int>(length < room ? length + 1 : length);
        return std::string_view(reinterpret_cast<const char*>(start), length);
    }
    // The `count` strings that follow each other from `position`, as `count` calls of StringAt
    // give them. On little-endian machines the zero bytes of up to 64 data bytes are found at
    // once, as bits (the record's end as one more), and the strings' ends taken from them in
    // turn: the strings are found side by side rather than each after the one before. Inlined,
    // so that its loop is laid out for the count asked: as a function of its own its speed
    // hinged on where the linker put it.
    [[gnu::always_inline]] void StringsAt(int& position, std::string_view* strings, int count) const {
        int k = 0;
        if constexpr (std::endian::native == std::endian::little) {
            // The 64 bytes are read in the blocks of 16 that CopyFrom writes.
            while (k < count && Reaches(position) && (position & ~15) + 64 <= static_cast<int>(sizeof data)) {
                const int skip = position & 15;
                const int room = size - position;
                uint64_t bits = ZeroBytesOf64(data + (position - skip)) >> skip;
                if (room < 64 - skip) bits = (bits & ((uint64_t{1} << room) - 1)) | uint64_t{1} << room;
                const int first = k;
                int start = 0;
                for (; bits != 0 && k < count; bits &= bits - 1) {
                    const int end = std::countr_zero(bits);
                    const auto* text = reinterpret_cast<const char*>(data + position + start);
                    strings[k++] = std::string_view(text, static_cast<size_t>(end - start));
                    // A string the record ends is the last one there.
                    start = end < room ? end + 1 : room;
                }
                position += start;
                // A string that runs past the 64 bytes is left to StringAt.
                if (k == first) break;
            }
        }
        for (; k < count; ++k) strings[k] = StringAt(position);
    }

private:
    // Bit i set where byte i of the 64 at p is zero. Without SSE2: a zero byte, and only a zero
    // byte, has its top bit set in ~(((w & 0x7F..7F) + 0x7F..7F) | w | 0x7F..7F), and the eight
    // top bits of a word are gathered into one byte by a multiplication.
    static uint64_t ZeroBytesOf64(const uint8_t* p) {
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        const auto zeros16 = [&](int i) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
            return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, zero)))) << (16 * i);
        };
        return zeros16(0) | zeros16(1) | zeros16(2) | zeros16(3);
#else
        constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) {
            uint64_t word;
            std::memcpy(&word, p + 8 * i, sizeof word);
            const uint64_t zeros = ~(((word & kLow7) + kLow7) | word | kLow7) >> 7;
            bits |= (zeros * 0x0102040810204080 >> 56) << (8 * i);
        }
        return bits;
#endif
    }
};

// Copies n bytes (a record's or less) in overlapping blocks of 16 and less, as short copies of
// varying length go fastest so.
inline void CopyShortBytes(void* to, const void* from, size_t n) {
    auto* out = static_cast<uint8_t*>(to);
    const auto* in = static_cast<const uint8_t*>(from);
    if (n >= 16) {
        for (size_t i = 0; i + 16 < n; i += 16) std::memcpy(out + i, in + i, 16);
        std::memcpy(out + n - 16, in + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(out, in, 8);
        std::memcpy(out + n - 8, in + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(out, in, 4);
        std::memcpy(out + n - 4, in + n - 4, 4);
    } else {
        for (size_t i = 0; i < n; ++i) out[i] = in[i];
    }
}

enum class GarRead { Ok, End, Short };

// Reads one record at the file's position: End when nothing is left, Short when the id, the
// size or the data bytes stop early.
GarRead ReadGarRecordFrom(TransferFile& file, GarRecord& record);
// A record seen in place in a file's read buffer.
struct GarRecordView {
    int id = -1;
    int size = 0;
    const uint8_t* data = nullptr;
    size_t held = 0;  // the bytes readable from data on, the record's and any after it

    int16_t S16(int position) const {
        return position >= 0 && position + 1 < size ? static_cast<int16_t>(data[position] | data[position + 1] << 8) : 0;
    }
};

// The whole record at the file's position, seen in place, and the position past it; false,
// with the position kept, at the file's end or where the record stops early (ReadGarRecordFrom
// tells which). The view holds until the file is read again.
inline bool NextGarRecordView(TransferFile& file, GarRecordView& view) {
    const uint8_t* p;
    size_t held = file.Peek(p, 2);
    if (held < 2) return false;
    const size_t length = 2 + size_t{p[1]};
    if (held < length && (held = file.Peek(p, length)) < length) return false;
    view.id = p[0];
    view.size = p[1];
    view.data = p + 2;
    view.held = held - 2;
    file.Seek(file.Position() + static_cast<int64_t>(length));
    return true;
}

inline void GarRecord::CopyFrom(const GarRecordView& view) {
    id = view.id;
    size = view.size;
    const size_t blocks = (static_cast<size_t>(view.size) + 15) & ~size_t{15};
    if (blocks <= view.held && blocks <= sizeof data) {
        for (size_t i = 0; i < blocks; i += 16) std::memcpy(data + i, view.data + i, 16);
    } else {
        CopyShortBytes(data, view.data, static_cast<size_t>(view.size));
    }
}

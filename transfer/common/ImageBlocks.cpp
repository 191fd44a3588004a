#include "transfer/common/ImageBlocks.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "transfer/common/TransferFile.h"

namespace {

constexpr size_t kBlock = 128;
constexpr size_t kChunk = 1 << 17;  // read into a piece that stays in the cache

// A full block: 16-byte lanes summed with the sum of absolute differences against zero.
void FullBlock(const uint8_t* p, uint16_t& sum, uint8_t& data) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128i sums = zero;
    __m128i all = _mm_set1_epi8(-1);
    for (size_t i = 0; i < kBlock; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        sums = _mm_add_epi64(sums, _mm_sad_epu8(v, zero));
        all = _mm_and_si128(all, v);
    }
    sum = static_cast<uint16_t>(_mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    data = _mm_movemask_epi8(_mm_cmpeq_epi8(all, _mm_set1_epi8(-1))) != 0xFFFF;
#else
    unsigned s = 0;
    bool d = false;
    BlockSum(p, kBlock, s, d);
    sum = static_cast<uint16_t>(s);
    data = d;
#endif
}

}  // namespace

void BlockSum(const uint8_t* bytes, size_t n, unsigned& sum, bool& data) {
    for (size_t i = 0; i < n; ++i) {
        sum += bytes[i];
        if (bytes[i] != 0xFF) data = true;
    }
}

void ImageBlocks::Scan(TransferFile& file) {
    serial = file.OpenSerial();
    start = file.Position();
    sums.clear();
    data.clear();
    count = 0;
    lastLength = 0;
    size = 0;
    std::memset(first, 0, sizeof first);
    std::memset(last, 0, sizeof last);
    const int64_t expected = std::max<int64_t>(0, file.Size() - start);
    sums.resize(static_cast<size_t>((expected + kBlock - 1) / kBlock));
    data.resize(sums.size());
    std::vector<uint8_t> piece(kChunk);
    uint8_t* const chunk = piece.data();
    size_t block = 0;
    size_t lastEnd = 0;  // the end of the final block in the piece
    for (;;) {
        const size_t n = file.Read(chunk, kChunk);
        if (n == 0) break;
        if (size == 0) std::memcpy(first, chunk, std::min(n, kBlock));
        size += static_cast<int64_t>(n);
        const size_t blocks = (n + kBlock - 1) / kBlock;
        if (block + blocks > sums.size()) {
            sums.resize(block + blocks);
            data.resize(block + blocks);
        }
        const size_t full = n / kBlock;
        for (size_t i = 0; i < full; ++i) FullBlock(chunk + i * kBlock, sums[block + i], data[block + i]);
        lastLength = kBlock;
        if (full < blocks) {
            unsigned sum = 0;
            bool has = false;
            lastLength = n - full * kBlock;
            BlockSum(chunk + full * kBlock, lastLength, sum, has);
            sums[block + full] = static_cast<uint16_t>(sum);
            data[block + full] = has;
        }
        lastEnd = n;
        block += blocks;
        if (n < kChunk) break;
    }
    sums.resize(block);
    data.resize(block);
    if (lastEnd >= lastLength) std::memcpy(last, piece.data() + (lastEnd - lastLength), std::min(lastLength, sizeof last));
    count = sums.size();
    file.Seek(start);
}

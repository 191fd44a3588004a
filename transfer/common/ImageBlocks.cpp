#include "transfer/common/ImageBlocks.h"

#include <algorithm>
#include <cstring>
#include <memory>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "transfer/common/TransferFile.h"

namespace {

constexpr size_t kBlock = 128;
constexpr size_t kChunk = 1 << 19;  // few reads, each piece still in the cache when summed

// Sums and data flags of n full blocks; returns how many hold data.
using FullBlocksFn = size_t (*)(const uint8_t* p, size_t n, uint16_t* sums, uint8_t* data);

#if defined(__x86_64__)
// 16-byte lanes summed with the sum of absolute differences against zero.
size_t FullBlocksSse2(const uint8_t* p, size_t n, uint16_t* sums, uint8_t* data) {
    const __m128i zero = _mm_setzero_si128();
    size_t withData = 0;
    for (size_t b = 0; b < n; ++b, p += kBlock) {
        __m128i total = zero;
        __m128i all = _mm_set1_epi8(-1);
        for (size_t i = 0; i < kBlock; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            total = _mm_add_epi64(total, _mm_sad_epu8(v, zero));
            all = _mm_and_si128(all, v);
        }
        sums[b] = static_cast<uint16_t>(_mm_cvtsi128_si32(total) + _mm_cvtsi128_si32(_mm_srli_si128(total, 8)));
        data[b] = _mm_movemask_epi8(_mm_cmpeq_epi8(all, _mm_set1_epi8(-1))) != 0xFFFF;
        withData += data[b];
    }
    return withData;
}

__attribute__((target("avx2"))) size_t FullBlocksAvx2(const uint8_t* p, size_t n, uint16_t* sums, uint8_t* data) {
    const __m256i zero = _mm256_setzero_si256();
    size_t withData = 0;
    const __m256i ones = _mm256_set1_epi8(-1);
    for (size_t b = 0; b < n; ++b, p += kBlock) {
        const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        const __m256i v2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 64));
        const __m256i v3 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 96));
        const __m256i total = _mm256_add_epi64(_mm256_add_epi64(_mm256_sad_epu8(v0, zero), _mm256_sad_epu8(v1, zero)),
                                               _mm256_add_epi64(_mm256_sad_epu8(v2, zero), _mm256_sad_epu8(v3, zero)));
        const __m128i half = _mm_add_epi64(_mm256_castsi256_si128(total), _mm256_extracti128_si256(total, 1));
        sums[b] = static_cast<uint16_t>(_mm_cvtsi128_si32(half) + _mm_cvtsi128_si32(_mm_srli_si128(half, 8)));
        const __m256i all = _mm256_and_si256(_mm256_and_si256(v0, v1), _mm256_and_si256(v2, v3));
        data[b] = _mm256_movemask_epi8(_mm256_cmpeq_epi8(all, ones)) != -1;
        withData += data[b];
    }
    return withData;
}

// The compiler's own 512-to-128-bit narrowing reads an undefined vector on purpose.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// Eight blocks at a time: the lane sums of each packed to 16 bits, then added pairwise into
// one vector of the eight block sums (a block's sum is at most 32640).
__attribute__((target("avx512f,avx512bw"))) size_t FullBlocksAvx512(const uint8_t* p, size_t n, uint16_t* sums,
                                                                     uint8_t* data) {
    const __m512i zero = _mm512_setzero_si512();
    const __m512i ones = _mm512_set1_epi8(-1);
    size_t withData = 0;
    size_t b = 0;
    for (; b + 8 <= n; b += 8, p += 8 * kBlock) {
        __m128i lanes[8];
        unsigned flags = 0;
        for (int j = 0; j < 8; ++j) {
            const __m512i v0 = _mm512_loadu_si512(p + j * kBlock);
            const __m512i v1 = _mm512_loadu_si512(p + j * kBlock + 64);
            lanes[j] = _mm512_cvtepi64_epi16(_mm512_add_epi64(_mm512_sad_epu8(v0, zero), _mm512_sad_epu8(v1, zero)));
            flags |= static_cast<unsigned>(_mm512_cmpneq_epi8_mask(_mm512_and_si512(v0, v1), ones) != 0) << j;
        }
        const __m128i quads0 = _mm_hadd_epi16(_mm_hadd_epi16(lanes[0], lanes[1]), _mm_hadd_epi16(lanes[2], lanes[3]));
        const __m128i quads1 = _mm_hadd_epi16(_mm_hadd_epi16(lanes[4], lanes[5]), _mm_hadd_epi16(lanes[6], lanes[7]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + b), _mm_hadd_epi16(quads0, quads1));
        for (int j = 0; j < 8; ++j) data[b + j] = static_cast<uint8_t>(flags >> j & 1);
        withData += static_cast<size_t>(__builtin_popcount(flags));
    }
    for (; b < n; ++b, p += kBlock) {
        const __m512i v0 = _mm512_loadu_si512(p);
        const __m512i v1 = _mm512_loadu_si512(p + 64);
        sums[b] = static_cast<uint16_t>(_mm512_reduce_add_epi64(_mm512_add_epi64(_mm512_sad_epu8(v0, zero), _mm512_sad_epu8(v1, zero))));
        data[b] = _mm512_cmpneq_epi8_mask(_mm512_and_si512(v0, v1), ones) != 0;
        withData += data[b];
    }
    return withData;
}
#pragma GCC diagnostic pop
#else
size_t FullBlocksPlain(const uint8_t* p, size_t n, uint16_t* sums, uint8_t* data) {
    size_t withData = 0;
    for (size_t b = 0; b < n; ++b, p += kBlock) {
        unsigned sum = 0;
        bool has = false;
        BlockSum(p, kBlock, sum, has);
        sums[b] = static_cast<uint16_t>(sum);
        data[b] = has;
        withData += has;
    }
    return withData;
}
#endif

// The widest form the processor runs.
FullBlocksFn ChooseFullBlocks() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512bw")) return FullBlocksAvx512;
    if (__builtin_cpu_supports("avx2")) return FullBlocksAvx2;
    return FullBlocksSse2;
#else
    return FullBlocksPlain;
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
    dataBlocks = 0;
    lastLength = 0;
    size = 0;
    std::memset(first, 0, sizeof first);
    std::memset(last, 0, sizeof last);
    const int64_t expected = std::max<int64_t>(0, file.Size() - start);
    sums.resize(static_cast<size_t>((expected + kBlock - 1) / kBlock));
    data.resize(sums.size());
    static const FullBlocksFn fullBlocks = ChooseFullBlocks();
    const std::unique_ptr<uint8_t[]> piece(new uint8_t[kChunk]);
    uint8_t* const chunk = piece.get();
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
        dataBlocks += fullBlocks(chunk, full, sums.data() + block, data.data() + block);
        lastLength = kBlock;
        if (full < blocks) {
            unsigned sum = 0;
            bool has = false;
            lastLength = n - full * kBlock;
            BlockSum(chunk + full * kBlock, lastLength, sum, has);
            sums[block + full] = static_cast<uint16_t>(sum);
            data[block + full] = has;
            dataBlocks += has;
        }
        lastEnd = n;
        block += blocks;
        if (n < kChunk) break;
    }
    sums.resize(block);
    data.resize(block);
    if (lastEnd >= lastLength) std::memcpy(last, chunk + (lastEnd - lastLength), std::min(lastLength, sizeof last));
    count = sums.size();
    file.Seek(start);
}

void ImageBlocks::AddBlocks(size_t from, size_t to, unsigned& sum, bool& has) const {
    to = std::min(to, count);
    unsigned total = 0;
    uint8_t any = 0;
    for (size_t i = from; i < to; ++i) {
        total += sums[i];
        any |= data[i];
    }
    sum += total;
    has = has || any != 0;
}

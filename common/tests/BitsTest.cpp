#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "common/Bits.h"

namespace {

struct BitsCase {
    uint32_t position;
    uint32_t count;
    uint32_t value;
    uint8_t fill;
    std::array<uint8_t, 6> expected;
};

// Expected bytes worked out bit by bit; fill shows that the bits around the field keep their values.
const BitsCase kCases[] = {
    {0, 8, 0xA5, 0x00, {0xA5, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {3, 5, 0x1F, 0x00, {0x1F, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {3, 5, 0x00, 0xFF, {0xE0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    {5, 7, 0x55, 0x00, {0x05, 0x50, 0x00, 0x00, 0x00, 0x00}},
    {7, 2, 0x03, 0x00, {0x01, 0x80, 0x00, 0x00, 0x00, 0x00}},
    {1, 32, 0xDEADBEEF, 0x00, {0x6F, 0x56, 0xDF, 0x77, 0x80, 0x00}},
    {4, 32, 0x12345678, 0xFF, {0xF1, 0x23, 0x45, 0x67, 0x8F, 0xFF}},
    {0, 0, 0xFF, 0xAA, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
    {6, 13, 0x1ABC, 0x5A, {0x5B, 0x57, 0x9A, 0x5A, 0x5A, 0x5A}},
    {2, 3, 0xFFFFFFFD, 0x00, {0x28, 0x00, 0x00, 0x00, 0x00, 0x00}},  // only the low 3 bits count
};

TEST(Bits, PutBitsWritesTheFieldMostSignificantBitFirst) {
    for (const BitsCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << "p=" << c.position << " n=" << c.count);
        std::array<uint8_t, 6> buf;
        buf.fill(c.fill);
        EXPECT_EQ(PutBits(c.position, c.count, buf.data(), c.value), c.position + c.count);
        EXPECT_EQ(buf, c.expected);
    }
}

// Every start bit within two bytes and every width up to 40, against the field written bit by bit;
// the bits around the field keep the fill.
TEST(Bits, PutBitsAgreesWithABitByBitWrite) {
    for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x5A}}) {
        for (uint32_t p = 0; p < 16; ++p) {
            for (uint32_t n = 0; n <= 40; ++n) {
                const uint32_t value = 0x9E3779B9u ^ (p * 0x01010101u) ^ n;
                std::array<uint8_t, 8> expected;
                expected.fill(fill);
                for (uint32_t k = 0; k < n; ++k) {
                    const uint32_t weight = n - 1 - k;  // of the value's bit
                    const bool one = weight < 32 && ((value >> weight) & 1);
                    const uint32_t at = p + k;
                    const uint8_t bit = static_cast<uint8_t>(0x80 >> (at % 8));
                    expected[at / 8] = static_cast<uint8_t>(one ? expected[at / 8] | bit : expected[at / 8] & ~bit);
                }
                std::array<uint8_t, 8> buf;
                buf.fill(fill);
                EXPECT_EQ(PutBits(p, n, buf.data(), value), p + n);
                EXPECT_EQ(buf, expected) << "p=" << p << " n=" << n << " fill=" << int{fill};
            }
        }
    }
}

TEST(Bits, GetBitsReadsBackTheLowBitsOfTheValue) {
    for (const BitsCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << "p=" << c.position << " n=" << c.count);
        const uint32_t mask = c.count >= 32 ? 0xFFFFFFFFu : (1u << c.count) - 1;
        EXPECT_EQ(GetBits(c.position, c.count, c.expected.data()), c.value & mask);
    }
}

TEST(Bits, GetBitsReadsOnlyTheBytesThatHoldTheField) {
    // Each read gets a heap block of exactly the bytes p/8 .. (p+n-1)/8; the sanitizer build
    // reports any read outside it.
    const uint8_t pattern[] = {0x81, 0x42, 0x24, 0x18, 0xFF};
    for (uint32_t p = 0; p < 8; ++p) {
        for (uint32_t n = 1; n <= 32; ++n) {
            const uint32_t first = p / 8;
            const uint32_t last = (p + n - 1) / 8;
            const uint32_t bytes = last - first + 1;
            auto block = std::make_unique<uint8_t[]>(bytes);
            for (uint32_t i = 0; i < bytes; ++i) block[i] = pattern[i];
            uint64_t expected = 0;
            for (uint32_t bit = p; bit < p + n; ++bit) expected = expected << 1 | ((pattern[bit / 8] >> (7 - bit % 8)) & 1);
            EXPECT_EQ(GetBits(p, n, block.get()), static_cast<uint32_t>(expected)) << "p=" << p << " n=" << n;
        }
    }
}

TEST(Bits, ZeroCountReadsAndWritesNothing) {
    EXPECT_EQ(GetBits(12345, 0, nullptr), 0u);
    EXPECT_EQ(PutBits(12345, 0, nullptr, 0xFFFFFFFF), 12345u);
}

TEST(Bits, FieldsWrittenSideBySideKeepEachOther) {
    uint8_t buf[8] = {};
    uint32_t p = 0;
    const uint32_t widths[] = {3, 11, 1, 17, 6, 20};
    const uint32_t values[] = {5, 0x5A5, 1, 0x1F00F, 0x2A, 0xABCDE};
    for (int i = 0; i < 6; ++i) p = PutBits(p, widths[i], buf, values[i]);
    EXPECT_EQ(p, 58u);
    p = 0;
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(GetBits(p, widths[i], buf), values[i]) << i;
        p += widths[i];
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/Bits.h"
#include "common/NameCode.h"

namespace {

// Test-side encoder of the letter code, written from the code table.
class NameWriter {
public:
    explicit NameWriter(uint32_t start) : position_(start) { bytes_.resize(128); }

    void Put(const std::string& text) {
        for (char c : text) PutChar(c);
        Bits(2, 4);  // end of name
    }
    void Bits(uint32_t value, uint32_t count) { position_ = PutBits(position_, count, bytes_.data(), value); }
    uint32_t Position() const { return position_; }
    const uint8_t* Data() const { return bytes_.data(); }

private:
    void PutChar(char c) {
        if (c == 'A') return Bits(0, 3);
        const char* prefix = std::strchr("ENORI", c);
        if (prefix) return Bits(static_cast<uint32_t>(prefix - "ENORI") + 3, 4);
        const char* a = std::strchr(kNameCodeTableA, c);
        if (a && a - kNameCodeTableA < 14) return Bits(static_cast<uint32_t>(a - kNameCodeTableA) + 16, 5);
        const char* b = std::strchr(kNameCodeTableB, c);
        const uint32_t index = static_cast<uint32_t>(b - kNameCodeTableB);
        Bits(30 + index / 16, 5);
        Bits(index % 16, 4);
    }

    uint32_t position_;
    std::vector<uint8_t> bytes_;
};

std::string Decode(const uint8_t* block, size_t bytes, uint32_t start, size_t limit, uint32_t* next) {
    char text[128];
    *next = DecodeName(block, bytes, text, limit, start);
    return text;
}

TEST(NameCode, AeroTakesNineteenBits) {
    NameWriter writer(0);
    writer.Put("AERO");
    EXPECT_EQ(writer.Position(), 19u);
    uint32_t next = 0;
    EXPECT_EQ(Decode(writer.Data(), 3, 0, 32, &next), "AERO");
    EXPECT_EQ(next, 19u);
}

TEST(NameCode, NamesBackToBackFromAnyBit) {
    const char* const names[] = {"LONDON/CITY", "ST. JOHN'S", "X-RAY 1204(B)", "", "MACKAY fm"};
    NameWriter writer(5);
    for (const char* name : names) writer.Put(name);
    uint32_t position = 5;
    for (const char* name : names) {
        uint32_t next = 0;
        EXPECT_EQ(Decode(writer.Data(), 128, position, 64, &next), name);
        EXPECT_GT(next, position);
        position = next;
    }
    EXPECT_EQ(position, writer.Position());
}

TEST(NameCode, DoubledSlashListsOnce) {
    NameWriter writer(0);
    writer.Put("A//B///C");
    uint32_t next = 0;
    EXPECT_EQ(Decode(writer.Data(), 128, 0, 64, &next), "A/B/C");
}

TEST(NameCode, LimitCutsTheTextButNotTheDecoding) {
    NameWriter writer(3);
    writer.Put("ABERDEEN");
    uint32_t next = 0;
    EXPECT_EQ(Decode(writer.Data(), 128, 3, 4, &next), "ABE");
    EXPECT_EQ(next, writer.Position());
    char one[1] = {'x'};
    EXPECT_EQ(DecodeName(writer.Data(), 128, one, 1, 3), writer.Position());
    EXPECT_EQ(one[0], '\0');
}

TEST(NameCode, StopsAtTheEndOfTheBlock) {
    NameWriter writer(0);
    writer.Put("LLLLLLLLLLLL");  // 60 bits and the end code
    // A heap block of 5 bytes holds 8 whole characters; the sanitizer build catches any read past it.
    auto block = std::make_unique<uint8_t[]>(5);
    std::memcpy(block.get(), writer.Data(), 5);
    uint32_t next = 0;
    EXPECT_EQ(Decode(block.get(), 5, 0, 64, &next), "LLLLLLLL");
    EXPECT_EQ(next, 40u + 1);  // the next group would cross the bound: the position plus one
    EXPECT_EQ(Decode(block.get(), 5, 40, 64, &next), "");
    EXPECT_EQ(next, 41u);
}

TEST(NameCode, StopsAfterAtMost384Bits) {
    NameWriter writer(0);
    writer.Put(std::string(100, 'L'));  // 500 bits
    uint32_t next = 0;
    const std::string text = Decode(writer.Data(), 128, 0, 128, &next);
    EXPECT_EQ(text, std::string(76, 'L'));  // 380 bits of whole characters
    EXPECT_EQ(next, 383u + 1);
}

}  // namespace

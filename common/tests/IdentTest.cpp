#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "common/IdentDigits.h"
#include "common/SixBitCode.h"

namespace {

TEST(IdentDigits, EncodeAndDecode) {
    char ident[] = "K0A9-5z";
    EncodeIdentDigits(ident);
    EXPECT_STREQ(ident, "KpAy-uz");
    DecodeIdentDigits(ident);
    EXPECT_STREQ(ident, "K0A9-5:");  // every character from 'p' on loses 64
    char high[] = "\xF0p";
    DecodeIdentDigits(high);
    EXPECT_STREQ(high, "\xF0" "0");  // bytes above 0x7F stay
}

TEST(IdentDigits, MakeIdent7PadsOrCuts) {
    char out[kIdent7Size];
    MakeIdent7(out, "KpAy");
    EXPECT_STREQ(out, "K0A9   ");
    MakeIdent7(out, "ABCDEFGHIJ");
    EXPECT_STREQ(out, "ABCDEFG");
    MakeIdent7(out, "");
    EXPECT_STREQ(out, "       ");
}

TEST(SixBitCode, IdentCodesBothWays) {
    const struct {
        unsigned code;
        char c;
    } table[] = {{0, ' '}, {1, 'A'}, {26, 'Z'}, {32, '0'}, {41, '9'}, {48, ' '}, {63, '/'}};
    for (const auto& entry : table) EXPECT_EQ(IdentCodeChar(entry.code), entry.c) << entry.code;
    EXPECT_EQ(IdentCharCode('A'), 1u);
    EXPECT_EQ(IdentCharCode('Z'), 26u);
    EXPECT_EQ(IdentCharCode('0'), 32u);
    EXPECT_EQ(IdentCharCode('9'), 41u);
    EXPECT_EQ(IdentCharCode(' '), 0u);
    EXPECT_EQ(IdentCharCode('\xB0'), 0u);
    for (char c : std::string("ABCXYZ0189")) EXPECT_EQ(IdentCodeChar(IdentCharCode(c)), c);
}

TEST(SixBitCode, PackIdent6FillsFromTheLastByteBackwards) {
    std::array<uint8_t, 4> area = {0xEE, 0x00, 0x00, 0x00};
    PackIdent6("AB", area.data() + 1, 3, 4);  // codes 1, 2, 0, 0
    EXPECT_EQ(area, (std::array<uint8_t, 4>{0xEE, 0x00, 0x20, 0x04}));

    area = {0, 0, 0, 0};
    PackIdent6("A1", area.data(), 4, 2);  // 000001 100001, then the low 4 bits of byte 2 untouched
    EXPECT_EQ(area, (std::array<uint8_t, 4>{0x00, 0x00, 0x10, 0x06}));

    area = {0, 0, 0, 0xFF};
    PackIdent6("A BC", area.data(), 4, 4);  // after the blank every code is 0
    EXPECT_EQ(area, (std::array<uint8_t, 4>{0x00, 0x00, 0x00, 0x04}));
}

TEST(SixBitCode, PackIdent6StaysInsideItsArea) {
    auto area = std::make_unique<uint8_t[]>(1);
    area[0] = 0;
    PackIdent6("ZZZZ", area.get(), 1, 4);  // 24 bits into one byte: the rest is dropped
    EXPECT_EQ(area[0], 0x69);               // 011010 and the top of the next code
}

TEST(SixBitCode, RemoteVorIdent) {
    const uint8_t bytes[3] = {0xC0, 0x20, 0x04};  // 000001 000010 000011 000000, last byte first
    char text[32] = "R: ";
    AppendRemoteVor(text, sizeof text, bytes);
    EXPECT_STREQ(text, "R: remoteVOR ABC");
    const uint8_t full[3] = {0xFF, 0xFF, 0xFF};
    char small[14] = "";
    AppendRemoteVor(small, sizeof small, full);
    EXPECT_STREQ(small, "remoteVOR \x7F\x7F\x7F");
    char ident[5];
    SixBitIdentText(0x000000, ident);
    EXPECT_STREQ(ident, "");
}

TEST(SixBitCode, PartNumberTextRoundTrip) {
    const char text[] = "   CREATED BY TEST  006-D0677-XX";  // the code holds 0x20 to 0x5F
    ASSERT_EQ(std::strlen(text), 32u);
    uint8_t bytes[24] = {};
    EXPECT_EQ(PackSixBitText(bytes, sizeof bytes, text), 32u);
    // The first character (a blank, code 0) and the second sit in the top bits of the last byte.
    EXPECT_EQ(bytes[23], 0x00);
    char back[33];
    UnpackSixBitText(bytes, sizeof bytes, 32, back);
    EXPECT_STREQ(back, text);
    // The transfer programs read the part number from the 9 bytes that hold its 12 characters.
    char partNumber[13];
    UnpackSixBitText(bytes, 9, 12, partNumber);
    EXPECT_STREQ(partNumber, "006-D0677-XX");
}

TEST(SixBitCode, FirstCharacterInTheTopBitsOfTheLastByte) {
    uint8_t bytes[9] = {};
    EXPECT_EQ(PackSixBitText(bytes, sizeof bytes, "A"), 1u);
    EXPECT_EQ(bytes[8], 0x84);  // 'A' - 0x20 = 33 = 100001
    for (int i = 0; i < 8; ++i) EXPECT_EQ(bytes[i], 0) << i;
}

TEST(SixBitCode, CountryRecordAndOverlongText) {
    uint8_t bytes[9] = {};
    EXPECT_EQ(PackSixBitText(bytes, sizeof bytes, "USUNITED STATES"), 12u);  // 12 characters fit
    char back[13];
    UnpackSixBitText(bytes, sizeof bytes, 40, back);
    EXPECT_STREQ(back, "USUNITED STA");
}

}  // namespace

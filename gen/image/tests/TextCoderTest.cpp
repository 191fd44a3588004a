// Six-bit texts (part number, country records), approach IDs and the names-table letter code.
#include <gtest/gtest.h>

#include <cstring>

#include "common/Bits.h"
#include "gen/image/ApproachId.h"
#include "gen/image/CountryRecord.h"
#include "gen/image/NameCoder.h"
#include "gen/image/NamesTable.h"
#include "common/PartNumber.h"

namespace {

std::string Bits(const uint8_t* buf, uint32_t from, uint32_t n) {
    std::string s;
    for (uint32_t i = 0; i < n; ++i) s += GetBits(from + i, 1, buf) ? '1' : '0';
    return s;
}

TEST(PartNumber, TextOfTitleAndNumber) {
    struct Case {
        std::string title;
        int number;
        std::string text;
    };
    const Case cases[] = {
        {"", 677, "                    006-D0677-XX"},
        {"Jan 2026", 677, "   JAN 2026         006-D0677-XX"},
        {"exactly17chars_ab", 19, "   EXACTLY17CHARS_AB006-D0019-XX"},
        // A longer title is cut so that the packed text keeps to its field.
        {"a title that is far too long", 14, "   A TITLE THAT IS F006-D0014-XX"},
        // Characters the six-bit code cannot hold become blanks.
        {"caf\xE9{x}", 677, "   CAF  X           006-D0677-XX"},
    };
    for (const Case& c : cases) EXPECT_EQ(MakePartNumberText(c.title, c.number), c.text) << c.title;
}

TEST(PartNumber, PackedFieldIsLittleEndianWithTheFirstCharacterOnTop) {
    uint8_t field[kPartNumberFieldSize];
    PackPartNumber(field, MakePartNumberText("AB", 677));
    // The 24 bytes are a 192-bit little-endian number whose top six bits are the first
    // character (blank = 0) and whose lowest six bits are the last ('X' = 0x38).
    EXPECT_EQ(field[23] >> 2, 0);
    EXPECT_EQ(field[0] & 0x3F, 'X' - 0x20);
    EXPECT_EQ(UnpackPartNumberText(field), "   AB               006-D0677-XX");
    uint8_t header[64] = {};
    std::memcpy(header + 33, field, sizeof field);
    EXPECT_EQ(DecodePartNumber(header, sizeof header, 33), 677);
    EXPECT_EQ(DecodePartNumber(header, sizeof header, 34), -1);
    EXPECT_EQ(DecodePartNumber(header, 41, 33), -1);  // the 9 bytes must lie in the buffer
}

TEST(PartNumber, TemplateOfTheDecoder) {
    const struct {
        const char* tail;
        int number;
    } cases[] = {
        {"006-D0677-XX", 677}, {"006-D0014-12", 14}, {"006-D1234-X9", 1234}, {"006-D0019-AX", -1},
        {"006-D06A7-XX", -1},  {"007-D0677-XX", -1}, {"006-E0677-XX", -1},  {"006 D0677-XX", -1},
    };
    for (const auto& c : cases) {
        uint8_t packed[kPartNumberFieldSize];
        PackPartNumber(packed, std::string(20, ' ') + c.tail);
        EXPECT_EQ(DecodePartNumber(packed, sizeof packed, 0), c.number) << c.tail;
    }
}

TEST(CountryRecord, PackingAndReading) {
    struct Case {
        const char* cid;
        const char* cname;
        const char* id;
        const char* name;
    };
    const Case cases[] = {
        {"US", "UNITED STATES", "US", "UNITED STA"},  // 12 characters in all
        {"F", "FRANCE  \t", "F ", "FRANCE"},          // blank for a missing second character
        {"GB", "United Kingdom", "GB", "UNITED KIN"},  // no lower case in the code
        {"", "", "  ", ""},
    };
    for (const Case& c : cases) {
        uint8_t rec[9];
        PackCountryRecord(rec, c.cid, std::strlen(c.cid), c.cname, std::strlen(c.cname));
        std::string id, name;
        UnpackCountryRecord(rec, &id, &name);
        EXPECT_EQ(id, c.id);
        EXPECT_EQ(name, c.name);
    }
    // Byte 8 holds the first character in its top six bits.
    uint8_t rec[9];
    PackCountryRecord(rec, "US", 2, "", 0);
    EXPECT_EQ(rec[8] >> 2, 'U' - 0x20);
}

TEST(ApproachId, PackingAndOrder) {
    uint8_t out[4];
    PackApproachId(out, "I04R");
    // I = 9, '0' = 32, '4' = 36, R = 18, then 0; 30 bits from the top, bytes reversed.
    uint8_t expect[4] = {};
    uint32_t bit = 0;
    for (uint32_t code : {9u, 32u, 36u, 18u, 0u}) bit = PutBits(bit, 6, expect, code);
    EXPECT_EQ(out[0], expect[3]);
    EXPECT_EQ(out[3], expect[0]);
    EXPECT_EQ(out[1], expect[2]);

    ApproachIdTable table;
    for (const char* id : {"R22L", "I04R", "R04", "VOR-A", "R22L", "I04R", "RA"}) table.Insert(id);
    ASSERT_EQ(table.Count(), 5u);
    // Digits sort after letters: "RA" before "R04".
    const char* order[] = {"I04R", "RA", "R04", "R22L", "VOR-A"};
    for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(table.At(i), order[i]);
    uint32_t index = 0;
    ASSERT_TRUE(table.Index("R22L", &index).ok());
    EXPECT_EQ(index, 3u);
    const ImageResult missing = table.Index("X1", &index);
    EXPECT_EQ(missing.code, ImageCode::InternalError);
    EXPECT_EQ(missing.text, "apid string \"X1\" not found");
}

TEST(NameCoder, CodeVectors) {
    struct Case {
        const char* text;
        const char* bits;
    };
    const Case cases[] = {
        {"AERO", "000" "0011" "0110" "0101" "0010"},
        {"aero", "000" "0011" "0110" "0101" "0010"},  // lower case codes as upper case
        {"", "0010"},
        {"L S", "10000" "10001" "10010" "0010"},
        {"#", "10001" "0010"},                       // unknown: the blank
        {"V", "1111" "00000" "0010"},
        {"?", "1111" "11110" "0010"},                // the escaped '?', never 11110 alone
        {"9-", "1111" "01110" "1111" "10001" "0010"},
        // Longer than one 32-bit write, with the end code in the next one.
        {"VVVV", "1111" "00000" "1111" "00000" "1111" "00000" "1111" "00000" "0010"},
        {"VVVA", "1111" "00000" "1111" "00000" "1111" "00000" "000" "0010"},
    };
    for (const Case& c : cases) {
        uint8_t buf[16] = {};
        const uint32_t end = EncodeNameText(c.text, 3, buf);
        EXPECT_EQ(end - 3, std::strlen(c.bits)) << c.text;
        EXPECT_EQ(NameCodeBits(c.text), std::strlen(c.bits)) << c.text;
        EXPECT_EQ(Bits(buf, 3, end - 3), c.bits) << c.text;
        EXPECT_EQ(GetBits(0, 3, buf), 0u);  // bits before the start untouched
    }
}

TEST(NameCoder, EveryCodableCharacterReadsBack) {
    const std::string all = "AENORILSTUMCDHBGKPYVWFJZXQ1204367985-/,.&()+;': ?";
    uint8_t buf[128] = {};
    const uint32_t end = EncodeNameText(all.c_str(), 5, buf);
    std::string text;
    uint32_t next = 0;
    ASSERT_TRUE(DecodeNameText(buf, 5, end, &text, &next));
    EXPECT_EQ(text, all);
    EXPECT_EQ(next, end);
    // A name cut short does not decode.
    EXPECT_FALSE(DecodeNameText(buf, 5, end - 1, &text, &next));
}

TEST(NamesTable, OffsetsStartValuesAndCarriedByte) {
    NamesTableWriter w;
    std::vector<uint8_t> table;
    const uint32_t a = w.Add("AERO");  // 19 bits
    auto take = [&] {
        const std::vector<uint8_t> b = w.TakeCompleteBytes();
        table.insert(table.end(), b.begin(), b.end());
    };
    take();
    EXPECT_EQ(table.size(), 2u);  // the third byte is partial
    const uint32_t b = w.Add("A");  // 7 bits: ends at bit 26
    take();
    const uint32_t c = w.Add("");
    const std::vector<uint8_t> rest = w.Finish();
    table.insert(table.end(), rest.begin(), rest.end());
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 19u);
    EXPECT_EQ(c, 26u);
    EXPECT_EQ(table.size(), 4u);
    EXPECT_EQ(w.ByteLength(), 4u);
    // Name b: byte offset 2, start value 7 - 3 = 4.
    EXPECT_EQ(b / 8, 2u);
    EXPECT_EQ(7 - b % 8, 4u);
    // The last byte is completed with zero bits: 0010 ends at bit 30.
    EXPECT_EQ(table[3] & 0x03, 0);
    std::string text;
    uint32_t next = 0;
    ASSERT_TRUE(DecodeNameText(table.data(), b, 32, &text, &next));
    EXPECT_EQ(text, "A");
    ASSERT_TRUE(DecodeNameText(table.data(), c, 32, &text, &next));
    EXPECT_EQ(text, "");
}

// Names of the longest codes (9 bits a character) beside short ones: each decodes from its
// position, and the bits behind the last name are 0.
TEST(NamesTable, LongestCodesAndZeroBitsBehind) {
    const std::vector<std::string> names = {"1234567890123456789012345678901", "A", "9/,.&()+;'", "", "Q"};
    NamesTableWriter w;
    std::vector<uint32_t> at;
    for (const std::string& name : names) at.push_back(w.Add(name.c_str()));
    const std::vector<uint8_t> table = w.Finish();
    ASSERT_EQ(table.size(), w.ByteLength());
    for (size_t i = 0; i < names.size(); ++i) {
        std::string text;
        uint32_t next = 0;
        ASSERT_TRUE(DecodeNameText(table.data(), at[i], 8 * static_cast<uint32_t>(table.size()), &text, &next));
        EXPECT_EQ(text, names[i]);
        EXPECT_EQ(next, i + 1 < names.size() ? at[i + 1] : w.BitLength());
    }
    const uint32_t spare = 8 * w.ByteLength() - w.BitLength();
    EXPECT_EQ(table.back() & ((1u << spare) - 1), 0u);
}

}  // namespace

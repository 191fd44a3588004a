// The coders of batch RWY and FRQ lines: runway picture values and restriction texts.
#include <gtest/gtest.h>

#include "common/SixBitCode.h"
#include "gen/image/NameCoder.h"
#include "gen/image/RestrictionCoder.h"
#include "gen/image/RunwayPicture.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(RestrictionCoder, Texts) {
    struct Case {
        const char* text;
        Bytes bytes;
    };
    const Case cases[] = {
        {"BELOW 3000", {}},  // not a restriction list
        {"R:", {}},          // nothing recognised
        {"R:090-270", {3, 0x81, 90, 14}},
        {"R:000-400 BELOW 3000", {5, 0xC5, 0x68, 0x68, 0x40, 0x1F}},
        {"R:BELOW 1500 ABOVE 500", {5, 0x06, 0x64, 0x19, 0x7C, 0x15}},
        {"R:REMOTEVOR ABCD", {4, 0x08, 0xC4, 0x20, 0x04}},
    };
    for (const Case& c : cases) {
        Bytes out;
        ASSERT_TRUE(EncodeRestrictionText(c.text, &out).ok()) << c.text;
        EXPECT_EQ(out, c.bytes) << c.text;
    }
    // The remote VOR ident reads back as the listings read it.
    Bytes out;
    ASSERT_TRUE(EncodeRestrictionText("R:REMOTEVOR ABCD", &out).ok());
    char text[40] = "";
    AppendRemoteVor(text, sizeof text, out.data() + 2);
    EXPECT_STREQ(text, "remoteVOR ABCD");
}

TEST(RestrictionCoder, RemainingTextInTheNameCode) {
    struct Case {
        const char* text;
        uint8_t flags;
        const char* name;
    };
    const Case cases[] = {
        {"R:UNK20 NO ENTRY", 0x30, "NO ENTRY"},
        {"R:090-270X", 0x10, "090-270X"},       // no blank after the bearings: plain text
        {"R:ABOVE 2000 PPR", 0x12, "PPR"},
    };
    for (const Case& c : cases) {
        Bytes out;
        ASSERT_TRUE(EncodeRestrictionText(c.text, &out).ok()) << c.text;
        ASSERT_GE(out.size(), 3u) << c.text;
        EXPECT_EQ(out[0], out.size() - 1) << c.text;
        EXPECT_EQ(out[1], c.flags) << c.text;
        // The text field: its first byte's bits 1-7 count its bytes; the code starts at bit 0.
        const size_t field = (c.flags & 0x02) ? 4 : 2;
        const uint32_t fieldBytes = out[field] >> 1;
        ASSERT_EQ(field + fieldBytes, out.size()) << c.text;
        std::string name;
        uint32_t next = 0;
        ASSERT_TRUE(DecodeNameText(out.data() + field, 7, fieldBytes * 8, &name, &next)) << c.text;
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(fieldBytes, (7 + NameCodeBits(c.name)) / 8 + 1);
    }
}

TEST(RestrictionCoder, LimitsAreErrors) {
    Bytes out;
    const ImageResult height = EncodeRestrictionText("R:BELOW 70000", &out);
    EXPECT_EQ(height.code, ImageCode::DataError);
    EXPECT_NE(height.text.find("limit 60535"), std::string::npos) << height.text;
    const ImageResult longText = EncodeRestrictionText("R:" + std::string(200, 'V'), &out);
    EXPECT_EQ(longText.code, ImageCode::DataError);
    EXPECT_NE(longText.text.find("limit 128"), std::string::npos) << longText.text;
    EXPECT_TRUE(out.empty());
    // Within the limit: 2 header bytes and a 113-byte text field (296 codes of 3 bits, the end code).
    ASSERT_TRUE(EncodeRestrictionText("R:" + std::string(296, 'A'), &out).ok());
    EXPECT_LE(out.size(), kMaxRestrictionBytes);
}

TEST(RunwayPicture, PackingAgreesWithTheManagersFormula) {
    // Runway ends as the database keeps them: latitude offset (units of 128) in the high half,
    // longitude offset in the low half.
    const int32_t words[][2] = {
        {0x00100020, 0x7FF07FF0}, {static_cast<int32_t>(0xFFF0FFF0), 0x12345678}, {0x40004000, -0x40004000},
        {0, 0x7FFFFFFF},
    };
    for (const auto& w : words) {
        for (uint32_t kind = 0; kind < 4; ++kind) {
            const RunwayPicture p = PackRunwayPicture(kind, w[0], w[1]);
            const uint32_t a = static_cast<uint32_t>(w[0]);
            const uint32_t b = static_cast<uint32_t>(w[1]);
            const uint32_t h = static_cast<uint32_t>(w[0] >> 9) & 0x3FF800;
            EXPECT_EQ(p.start, ((a >> 4 & 0x7FF) + h) & 0xFFFF);
            const uint32_t rpic = (h >> 16) | ((b >> 1) & 0x3FF80000) | ((b & 0x7FF0) << 4) | (kind & 1) << 6 |
                                  (kind & 2) << 29 | 0x80000080;
            EXPECT_EQ(p.picture, rpic) << std::hex << a << " " << b << " " << kind;
            // Unpacking gives back the kind and words that pack the same way.
            uint32_t k = 9;
            int32_t a2 = 0, b2 = 0;
            UnpackRunwayPicture(p, &k, &a2, &b2);
            EXPECT_EQ(k, kind);
            const RunwayPicture again = PackRunwayPicture(k, a2, b2);
            EXPECT_EQ(again.start, p.start);
            EXPECT_EQ(again.picture, p.picture);
        }
    }
    const RunwayPicture none = PackRunwayPicture(3, 0, 0);
    EXPECT_EQ(none.start, 0);
    EXPECT_EQ(none.picture, 0u);
}

}  // namespace

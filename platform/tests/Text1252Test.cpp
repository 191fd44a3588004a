// Windows-1252 to UTF-8: ASCII runs of every length around the eight-byte steps, the high
// half, the 0x80-0x9F block with its unused bytes, and appending after earlier text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Text1252.h"

namespace {

using platform::AppendUtf8From1252;
using platform::PutUtf8From1252;
using platform::Utf8From1252;

TEST(Text1252, Utf8OfEveryKindOfByte) {
    struct Case {
        std::string text;
        std::string utf8;
    } cases[] = {
        {"", ""},
        {"N 47\xB0" "26.940", "N 47\xC2\xB0" "26.940"},
        {"\x80\x81\x8D\x9F\xA0\xFF", "\xE2\x82\xAC\xC2\x81\xC2\x8D\xC5\xB8\xC2\xA0\xC3\xBF"},
        {"M\xFCller & \x93quoted\x94", "M\xC3\xBCller & \xE2\x80\x9Cquoted\xE2\x80\x9D"},
        {std::string(17, 'a').append("\xE9"), std::string(17, 'a').append("\xC3\xA9")},
        {std::string("\xE9").append(16, 'b'), std::string("\xC3\xA9").append(16, 'b')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8From1252(c.text), c.utf8) << c.text;
        std::string out = "before ";
        AppendUtf8From1252(c.text, out);
        EXPECT_EQ(out, std::string("before ").append(c.utf8)) << c.text;
    }
}

TEST(Text1252, HighByteAtEveryPlaceOfAnAsciiRun) {
    // The byte after the run lands inside, at the end of and after each eight-byte step.
    for (size_t before = 0; before < 20; ++before) {
        for (size_t after = 0; after < 10; ++after) {
            const std::string text = std::string(before, 'x') + "\xB0" + std::string(after, 'y');
            const std::string utf8 = std::string(before, 'x') + "\xC2\xB0" + std::string(after, 'y');
            std::vector<char> out(3 * text.size() + 1, '#');
            char* end = PutUtf8From1252(text, out.data());
            ASSERT_EQ(std::string(out.data(), end), utf8) << before << ' ' << after;
            ASSERT_EQ(*end, '#') << "nothing written past the end";
        }
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/Angle.h"
#include "common/CLocale.h"
#include "common/GreatCircle.h"
#include "common/TextHelpers.h"
#include "common/Win1252.h"

namespace {

TEST(Win1252, ToUtf8) {
    EXPECT_EQ(Win1252ToUtf8("N 51\xB0" "30"), "N 51\xC2\xB0" "30");
    EXPECT_EQ(Win1252ToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(Win1252ToUtf8("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(Win1252ToUtf8("\x81"), "\xC2\x81");
    EXPECT_EQ(Win1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Win1252, EveryByteComesBack) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    size_t replaced = 99;
    EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(all), &replaced), all);
    EXPECT_EQ(replaced, 0u);
}

TEST(Win1252, FromUtf8ReplacesWhatItCannotHold) {
    struct {
        const char* utf8;
        const char* expected;
        size_t replaced;
    } cases[] = {
        {"\xE2\x82\xAC 5", "\x80 5", 0},
        {"\xE6\x97\xA5", "?", 1},        // a character outside the code page
        {"\xF0\x9F\x98\x80!", "?!", 1},  // four-byte sequence
        {"\xC3", "?", 1},                // cut sequence
        {"\xE2\x82", "??", 2},
        {"\xFF" "a", "?a", 1},           // no lead byte
        {"\x80", "?", 1},                // stray continuation byte
    };
    for (const auto& c : cases) {
        size_t replaced = 0;
        EXPECT_EQ(Utf8ToWin1252(c.utf8, &replaced), c.expected) << c.utf8;
        EXPECT_EQ(replaced, c.replaced) << c.utf8;
    }
}

TEST(CLocale, FormatAndAppendStayInsideTheBuffer) {
    char text[8];
    EXPECT_EQ(FormatC(text, sizeof text, "%.3f|%d", 1.25, 12345), 11);
    EXPECT_STREQ(text, "1.250|1");
    char appended[8] = "ab";
    EXPECT_EQ(AppendFormatC(appended, sizeof appended, "%s", "cdefghij"), 8);
    EXPECT_STREQ(appended, "abcdefg");
    char full[3] = {'x', 'y', 'z'};  // no terminator inside: nothing is written
    EXPECT_EQ(AppendFormatC(full, sizeof full, "%s", "q"), 0);
    EXPECT_EQ(StringFormatC("%s-%05.1f", std::string(300, 'a').c_str(), 2.5), std::string(300, 'a').append("-002.5"));
}

TEST(CLocale, ParseDouble) {
    double value = 0;
    EXPECT_EQ(ParseDoubleC("30.5x", &value), 4u);
    EXPECT_EQ(value, 30.5);
    EXPECT_EQ(ParseDoubleC("+1e2", &value), 4u);
    EXPECT_EQ(value, 100.0);
    EXPECT_EQ(ParseDoubleC("-0.25", &value), 5u);
    EXPECT_EQ(value, -0.25);
    EXPECT_EQ(ParseDoubleC("abc", &value), 0u);
    EXPECT_EQ(ParseDoubleC("+-1", &value), 0u);
    EXPECT_EQ(ParseDoubleC("", &value), 0u);
}

TEST(TextHelpers, KeywordsAndTrailingBlanks) {
    EXPECT_TRUE(MatchKeyword("BELOW 1200", "BELOW "));
    EXPECT_FALSE(MatchKeyword("BELO", "BELOW "));
    EXPECT_TRUE(MatchKeyword("anything", ""));

    char line[] = "AREA   \0xx";
    StripTrailingSpaces(line, line + 7);
    EXPECT_EQ(std::memcmp(line, "AREA\0\0\0", 8), 0);
    char blanks[] = "   ";
    StripTrailingSpaces(blanks, blanks + 3);
    EXPECT_EQ(blanks[0], '\0');

    char text[] = "NAME \t\r\n";
    EXPECT_EQ(TrimTrailingBlanks(text), 4u);
    EXPECT_STREQ(text, "NAME");
    char accented[] = "CAF\xC9  ";
    EXPECT_EQ(TrimTrailingBlanks(accented), 4u);  // bytes above 0x7F are characters
}

TEST(TextHelpers, PutNumberWritesWhatPrintfWrites) {
    // Every value of a few digits, powers of ten and their neighbours, and the ends of the
    // 32- and 64-bit ranges, at widths below, at and above the digit count.
    std::vector<uint64_t> values;
    for (uint64_t v = 0; v < 20000; ++v) values.push_back(v);
    for (uint64_t p = 10; p <= 1000000000000000000ull; p *= 10) {
        values.insert(values.end(), {p - 1, p, p + 1, p * 7 + 3});
    }
    values.insert(values.end(), {0xFFFFFFFFull, 0x100000000ull, 0x100000001ull, 0x7FFFFFFFFFFFFFFFull,
                                 0xFFFFFFFFFFFFFFFFull, 0xFFFFFFFFFFFFFFFEull});
    for (uint64_t v : values) {
        for (int width : {0, 1, 2, 3, 5, 8, 21}) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "%0*llu", width, static_cast<unsigned long long>(v));
            char got[32];
            char* end = PutNumber(got, v, width);
            ASSERT_EQ(std::string(got, static_cast<size_t>(end - got)), expected) << v << " width " << width;
        }
    }
}

// The number readers agree with strtol and strtoul on value and end, for hand-picked edges and
// for random texts of blanks, signs, digits, letters and base prefixes.
TEST(TextHelpers, NumberReadersAgreeWithTheLibrary) {
    std::vector<std::string> texts = {
        "", "0", "05", "99", "-3", "+4", " \t\n\v\f\r12", "x", "-", "+", " -", "0x", "0x1F", "0X1f", "-0x10",
        "0xg", "0x 1", "00x1", "1e5", "12.34", "9223372036854775807", "9223372036854775808",
        "-9223372036854775808", "-9223372036854775809", "18446744073709551615", "18446744073709551616",
        "-18446744073709551615", "-18446744073709551616", "99999999999999999999999999", "4294967296",
        "7fffffffffffffff", "8000000000000000", "ffffffffffffffff", "10000000000000000", "-ffffffffffffffff",
        "\xA0" "5", "5\xA0", "zz", "Z9", "\x80",
    };
    std::mt19937 rng(20261211);
    const char alphabet[] = " \t-+0123456789abcdefxXABCDEFgz.";
    for (int i = 0; i < 20000; ++i) {
        std::string t(rng() % 24, ' ');
        for (char& c : t) c = alphabet[rng() % (sizeof alphabet - 1)];
        texts.push_back(t);
    }
    for (const std::string& t : texts) {
        for (const int base : {10, 16, 8}) {
            char* libEnd = nullptr;
            char* end = nullptr;
            ASSERT_EQ(ParseLong(t.c_str(), &end, base), std::strtol(t.c_str(), &libEnd, base)) << t << " base " << base;
            ASSERT_EQ(end, libEnd) << t << " base " << base;
            ASSERT_EQ(ParseUnsignedLong(t.c_str(), &end, base), std::strtoul(t.c_str(), &libEnd, base))
                << t << " base " << base;
            ASSERT_EQ(end, libEnd) << t << " base " << base;
        }
    }
    EXPECT_EQ(ParseLong("42", nullptr, 10), 42);
}

TEST(GreatCircle, Distances) {
    const int32_t oneDegree = DegreesToCircle(1.0, 32);
    EXPECT_NEAR(GreatCircleNm(0, 0, oneDegree, 0), 60.0, 1e-3);
    EXPECT_NEAR(GreatCircleNm(0, 0, 0, oneDegree), 60.0, 1e-3);
    EXPECT_NEAR(GreatCircleNm(0, 0, 0, kCircleUnset), 10800.0, 1e-3);
    const int32_t lat = DegreesToCircle(51.4775, 32);
    const int32_t lon = DegreesToCircle(-0.4614, 32);
    const double same = GreatCircleNm(lat, lon, lat, lon);
    EXPECT_FALSE(std::isnan(same));
    EXPECT_EQ(same, 0.0);
    // Across the date line the short way round.
    EXPECT_NEAR(GreatCircleNm(0, DegreesToCircle(179.5, 32), 0, DegreesToCircle(-179.5, 32)), 60.0, 1e-3);
}

}  // namespace

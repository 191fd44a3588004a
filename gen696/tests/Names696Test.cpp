// The names table of Create Image: the names that records use, in the order of their text,
// each text coded once (a leading blank left off), the table as long as its codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gen/image/NameCoder.h"
#include "gen696/SectionFile696.h"
#include "gen696/tests/ImageRun696.h"
#include "platform/testsupport/ScratchDir.h"

namespace {

using Names696 = ImageRun696;

TEST_F(Names696, UsedNamesAreCodedOnceInTheOrderOfTheirText) {
    // Texts of 31 letters of the longest code, shorter ones, one with a leading blank that is
    // coded as the one without, many sharing their first 8 bytes or fewer, and a name no
    // record uses (the last).
    const std::string longest(31, 'Q');
    std::vector<std::string> texts = {longest, "ZX1/,.&()+;'" + std::string(19, 'V'), " ZED", "ZED", "ALPHA", "BRAVO"};
    for (int k = 0; k < 300; ++k) {
        const char* prefixes[] = {"SAMEPFX", "SAMEPFXA", "SAMEPFXAB", "SAMEPFXAB CITY"};
        texts.push_back(prefixes[k % 4] + std::to_string(k * 7919 % 1000));
    }
    texts.push_back("UNUSED");
    const int32_t used = static_cast<int32_t>(texts.size()) - 1;
    {
        TestDatabase db;
        CountryRecord c{};
        std::strcpy(c.cid, "US");
        std::strcpy(c.cname, "UNITED STATES");
        dbif_add(c);
        for (size_t k = 0; k < texts.size(); ++k) {
            NameRecord n{};
            n.nsno = static_cast<int32_t>(k);
            std::strcpy(n.nname, texts[k].c_str());
            dbif_add(n);
        }
        for (int32_t k = 0; k < used; ++k) {
            IntRecord i{};
            i.isno = k;
            std::snprintf(i.iident, sizeof i.iident, "FIX%u", static_cast<unsigned>(k) % 10000u);
            i.ilat = 1000 * k;
            i.iname = k;
            i.iparent = -1;
            dbif_add(i);
        }
    }
    Start();
    Run(kModeCreateImage, "a.img");
    const std::vector<uint8_t> a = suitetest::ReadAll("a.img");
    ASSERT_GT(a.size(), 1344u) << ::testing::PrintToString(Doc().Lines());
    const auto [start, count] = Entry(a, 3);
    // The blank first: the points without a second name point at it.
    std::vector<std::string> expected = {" "};
    for (int32_t k = 0; k < used; ++k) {
        if (texts[k] != " ZED") expected.push_back(texts[k]);
    }
    std::sort(expected.begin() + 1, expected.end());
    ASSERT_EQ(count, expected.size());
    uint32_t bits = 0;
    for (const std::string& t : expected) bits += NameCodeBits(t.c_str());
    // The second names (section 87) start where the codes end.
    EXPECT_EQ(Entry(a, 87).first, start + (bits + 7) / 8);
    uint32_t bit = 0;
    for (const std::string& t : expected) {
        std::string text;
        ASSERT_TRUE(DecodeNameText(&a[start], bit, bits, &text, &bit));
        EXPECT_EQ(text, t);
    }
}

// The static data goes into the image before the names table is made: a record there that
// names a name finds none, however far the table's work has gone, and ends the run.
TEST_F(Names696, ANameInTheStaticDataEndsTheRun) {
    {
        TestDatabase db;
        NameRecord n{};
        std::strcpy(n.nname, "ALPHA");
        dbif_add(n);
        IntRecord i{};
        std::strcpy(i.iident, "FIX");
        i.iname = 0;
        i.iparent = -1;
        dbif_add(i);
    }
    std::string values(60, '\0');
    values[2] = 9;
    values[6] = 14;
    std::string fss(12, '\0');   // name number 0
    std::ofstream("db50/STA+.DAT", std::ios::binary)
        << FormatDatHeader("STA+", 512 + 8, 30, 2, 60) + values + FormatDatHeader("STA+", 512 + 8 * 29, 1, 12, 12) +
               fss + FormatDatHeader("STA+", 0, 0, 0, 0);
    Start();
    Run(kModeCreateImage, "a.img");
    const std::vector<std::string> messages = Messages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), "*** Program error: cannot find name sno 0 ***"),
              messages.end())
        << ::testing::PrintToString(messages) << ::testing::PrintToString(Doc().Lines());
    EXPECT_FALSE(std::filesystem::exists("a.img"));
}

}  // namespace

// The full dumps of Save As over the example image of the listing tests: which kinds are
// walked and in which order, the settings the dump runs with and gives back, the filters, and
// the airport line whose restricted frequency and runway overlap.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "gen/testsupport/GoldenFiles.h"
#include "common/LineWriter.h"
#include "gen/listing/FullDump.h"
#include "gen/testsupport/ListingExample.h"

using namespace listtest;

namespace {


std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(text.substr(at, end - at));
    }
    EXPECT_EQ(at, text.size()) << "every line ends with CR LF";
    return lines;
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class FullDump : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.File(""));
    }
    void TearDown() override { std::filesystem::current_path(old_); }

    void Open(ExampleBuilder builder = ExampleData()) {
        const std::string path = dir_.File("example.img");
        BuildExample(path, std::move(builder));
        source_.Open(path);
    }

    std::vector<std::string> Dump(int shownKind, bool batch, uint32_t dumpFlag, bool sbs = false) {
        SaveAsModes modes;
        modes.shownKind = shownKind;
        modes.batch = batch;
        modes.sbs = sbs;
        modes.dumpFlag = dumpFlag;
        std::string text;
        LineWriter out(&text);
        EXPECT_TRUE(DumpAllRecords(source_.context, modes, out));
        return SplitCrLf(text);
    }

    imgtest::TempDir dir_;
    std::filesystem::path old_;
    ListingSource source_;
};

TEST_F(FullDump, PointKindsAreDumpedInOrderWhateverPointKindIsShown) {
    Open();
    const std::vector<std::string> text = Dump(kListVors, false, 0);
    ListingRequest plain;
    const std::vector<std::string> expected =
        Concat({ReadLines(kGoldenDir + "listing_apts.txt"), ReadLines(kGoldenDir + "listing_ints.txt"),
                source_.List(kListNdbs, plain), ReadLines(kGoldenDir + "listing_vors.txt")});
    EXPECT_EQ(text, expected);
    EXPECT_EQ(Dump(kListTitle, false, 0), expected);

    const std::vector<std::string> batch = Dump(kListInts, true, 1);
    std::vector<std::string> types;
    for (const std::string& line : batch) {
        const std::string type = line.substr(4, 3);
        if (types.empty() || types.back() != type) types.push_back(type);
    }
    EXPECT_EQ(types, (std::vector<std::string>{"APT", "FRQ", "RWY", "FRQ", "RWY", "FRQ", "APT", "RWY", "APT", "FRQ",
                                               "RWY", "FRQ", "RWY", "APT", "FRQ", "RWY", "INT", "NDB", "VOR"}));
    EXPECT_EQ(std::count_if(batch.begin(), batch.end(), [](const std::string& l) { return l.rfind("ADD|", 0) == 0; }),
              static_cast<long>(batch.size()));
    EXPECT_EQ(batch[batch.size() - 5],
              "ADD|NDB|LQ|F -FRANCE|<UNSET>|<UNSET>|N 48\xB0" "41.979|E002\xB0" "23.948|330.0");
    EXPECT_EQ(batch.back(), "ADD|VOR|TGL|DE-GERMANY|WATER/TO@WN|TEGEL|N 52\xB0" "33.598|E013\xB0"
                            "17.360|112.30|VOR|Term|WX");
}

TEST_F(FullDump, TheDumpRunsWithItsOwnSettingsAndGivesTheUsersBack) {
    Open();
    GenSettings& s = source_.settings;
    s.recordNumbers = 1;
    s.debugLevel = 2;
    s.extraDebugLevel = 2;
    // No record numbers and no raw lines in the dump.
    const std::vector<std::string> text = Dump(kListNdbs, false, 0);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.front().substr(0, 10), "APT  EDDT ");
    for (const std::string& line : text) EXPECT_NE(line.substr(0, 3), " b4") << line;
    EXPECT_EQ(s.recordNumbers, 1);
    EXPECT_EQ(s.debugLevel, 2u);
    EXPECT_EQ(s.extraDebugLevel, 2u);

    // An SUA dump writes only SUA lines, never as batch text, at the debug level of the dump flag:
    // each area gets its raw record line, and its vertex lines show their raw bytes.
    const std::vector<std::string> sua = Dump(kListSuas, true, 1);
    const std::vector<std::string> screen = ReadLines(kGoldenDir + "listing_suas.txt");
    ASSERT_EQ(sua.size(), screen.size() + 3);
    EXPECT_EQ(sua[0], screen[0]);
    EXPECT_EQ(sua[1].substr(0, 9), "        [") << sua[1];
    EXPECT_NE(sua[2].find("N395959 W0740004"), std::string::npos) << sua[2];
    EXPECT_NE(sua[3].find('['), std::string::npos) << sua[3];
    EXPECT_EQ(s.debugLevel, 2u);

    // Debug bit 16 in the dump flag: raw coordinates.
    const std::vector<std::string> raw = Dump(kListApts, false, 16);
    ASSERT_FALSE(raw.empty());
    EXPECT_EQ(raw[0].substr(11, 1), "[") << raw[0];
}

TEST_F(FullDump, TheFiltersApply) {
    source_.settings.SetCountryFilter("DE");
    Open();
    const std::vector<std::string> batch = Dump(kListApts, true, 1);
    ASSERT_FALSE(batch.empty());
    for (const std::string& line : batch) EXPECT_NE(line.find("|DE-GERMANY|"), std::string::npos) << line;
    EXPECT_EQ(batch.front().substr(0, 12), "ADD|APT|EDDT");
    EXPECT_EQ(batch.back().substr(0, 11), "ADD|VOR|TGL");
}

TEST_F(FullDump, SbsDumpsUseDecimalCoordinates) {
    Open();
    const std::vector<std::string> sbs = Dump(kListApts, true, 1, true);
    ASSERT_FALSE(sbs.empty());
    EXPECT_EQ(sbs.front(), "TEGE/EDDT,,15,2,52.55859,13.28659,120");
    const std::vector<std::string> areas = Dump(kListSuas, false, 0, true);
    ASSERT_GT(areas.size(), 1u);
    EXPECT_EQ(areas[1], "         0    39.9998   -74.0012");
}

TEST(FullDumpRawLines, OnlyBlankHexHexBlankLinesAreRaw) {
    EXPECT_TRUE(IsRawByteLine(" b4 01 43"));
    EXPECT_TRUE(IsRawByteLine(" 0a "));
    EXPECT_FALSE(IsRawByteLine(" B4 01"));
    EXPECT_FALSE(IsRawByteLine("*4a 3d"));
    EXPECT_FALSE(IsRawByteLine("           Tower"));
    EXPECT_FALSE(IsRawByteLine(" 0a"));
}

}  // namespace

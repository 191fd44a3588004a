#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ObstacleTestSupport.h"

namespace obstacles::test {
namespace {

using unitfile::Bytes;
using unitfile::Circle;

const std::string kDeg = "\xB0";

// ---- Kind 38 ---------------------------------------------------------------------------------

TEST_F(ObstacleTest, ObstacleFileOnScreen) {
    auto lines = Screen(Fixture("obstacles38.awp"));
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], "Area:Test Area");
    EXPECT_EQ(lines[1], "Cycle:2401");
    EXPECT_EQ(lines[2], "Dates:1/15/2024 2/12/2024 3/11/2024 ");
    EXPECT_EQ(lines[3], "MAST ONE       N51" + kDeg + "30.00000 W000" + kDeg +
                            "30.00000  1000  800 Mast                    Lit                           Marked");
    EXPECT_EQ(lines[4].substr(0, 15), "TURBINE        ");
    EXPECT_NE(lines[4].find("W180" + kDeg + "00.00000"), std::string::npos);
    // The first point's coarse position: the high 16 bits of 50 and 7 degrees.
    EXPECT_EQ(lines[5], "LINE A         N49" + kDeg + "59.92676 E006" + kDeg + "59.89746 Power line with 3 sections");
    EXPECT_EQ(lines.back().substr(0, 9), "NO POINTS");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ObstacleTest, ObstacleFileAsBatchLines) {
    struct Case {
        const char* what;
        bool purge;
        HeightUnits units;
        int debug;
        size_t pl, pp;
        const char* firstOb;
    } cases[] = {
        {"feet", false, HeightUnits::Feet, 0, 3, 6,
         "OB|MAST ONE|N51\xB0" "30.00000|W000\xB0" "30.00000|1a2b|0102|0000|1000|800|Mast(M)|Lit|Marked|"},
        {"metres: 1000 ft is 305 m", false, HeightUnits::Metres, 0, 3, 6,
         "OB|MAST ONE|N51\xB0" "30.00000|W000\xB0" "30.00000|1a2b|0102|0000|305|244|Mast(M)|Lit|Marked|"},
        {"purge: the duplicate line goes", true, HeightUnits::Feet, 0, 2, 3, nullptr},
        {"debug 16: raw positions and table indexes", false, HeightUnits::Feet, 16, 3, 6, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        doc->batchFormat = true;
        doc->purge = c.purge;
        doc->heightUnits = c.units;
        options.debugLevel = c.debug;
        auto out = Output(Fixture("obstacles38.awp"));
        EXPECT_EQ(Matching(out, "PL|").size(), c.pl);
        EXPECT_EQ(Matching(out, "PP|").size(), c.pp);
        auto ob = Matching(out, "OB|");
        ASSERT_EQ(ob.size(), 2u);
        if (c.firstOb) {
            EXPECT_EQ(ob[0], c.firstOb);
        }
        // The second obstacle: longitude 180 with W, and its extra byte.
        if (c.debug == 0) {
            EXPECT_EQ(ob[1].substr(0, 38), "OB|TURBINE|S12" + kDeg + "15.00000|W180" + kDeg + "00.00000|");
            EXPECT_EQ(ob[1].substr(ob[1].size() - 3), "5c|");
        } else {
            EXPECT_EQ(ob[0], "OB|MAST ONE|[249f49f5] [ffa4fa50] 1a2b|0102|0000|1000|800|  00|00|01|");
        }
        EXPECT_NE(std::find(out.begin(), out.end(), "Height Units:" + std::string(c.units == HeightUnits::Metres ? "meters" : "feet")),
                  out.end());
    }
    // A line obstacle's points: the first as stored, the others by steps of 64 units.
    doc->purge = false;
    options.debugLevel = 0;
    doc->heightUnits = HeightUnits::Feet;
    auto out = Output(Fixture("bare38.taw"));
    auto pl = std::find(out.begin(), out.end(), "PL|LINE A|3|00ff|1000|42|Power line|");
    ASSERT_NE(pl, out.end());
    EXPECT_EQ(pl[1], "PP|N50" + kDeg + "00.00000|E007" + kDeg + "00.00000|160|60|");
    EXPECT_EQ(pl[3], "PP|N50" + kDeg + "00.09656|E006" + kDeg + "59.99356|190|70|");
    EXPECT_EQ(out.back(), "PL|NO POINTS|0|0000|0000|00|Power line|");
}

// ---- Kinds 51, 55, 76, 79 --------------------------------------------------------------------

TEST_F(ObstacleTest, VrpsAsBatchLinesWithUniqueIdents) {
    doc->batchFormat = true;
    for (const char* name : {"vrp51.awp", "vrp79.awp"}) {
        SCOPED_TRACE(name);
        auto add = Matching(Output(Fixture(name)), "ADD|INT|");
        ASSERT_EQ(add.size(), 6u);
        EXPECT_EQ(add[0], "ADD|INT|ATOWE|XW-EURO|N51" + kDeg + "30.00000|W000" + kDeg +
                              "15.00000  // Control tower {ATOWE} ");
        std::vector<std::string> idents;
        for (const auto& l : add) idents.push_back(l.substr(8, 5));
        EXPECT_EQ(idents, (std::vector<std::string>{"ATOWE", "NGATE", "LAKE2", "ABCDE", "ABCD1", "ABCD2"}));
    }
    // A second listing issues the same idents again.
    EXPECT_EQ(Matching(Output(Fixture("vrp51.awp")), "ADD|INT|")[4].substr(8, 5), "ABCD1");
    doc->country = "XX-TEST";
    EXPECT_EQ(Matching(Output(Fixture("vrp51.awp")), "ADD|INT|")[0].substr(0, 22), "ADD|INT|ATOWE|XX-TEST|");
}

TEST_F(ObstacleTest, VrpsOnScreenAndTheRecordsAround) {
    auto lines = Screen(Fixture("vrp51.awp"));
    EXPECT_EQ(lines[0], "// Title: Test VRPs");
    EXPECT_EQ(lines[1], "// Descr: Visual reporting points for tests");
    EXPECT_EQ(lines[2], "// Start of Section: Sector One");
    EXPECT_EQ(lines[3], "// Section: N51" + kDeg + "00.00000 W001" + kDeg + "30.00000  to  N52" + kDeg +
                            "00.00000 E000" + kDeg + "30.00000 ");
    // On screen the remark keeps its markup.
    EXPECT_EQ(lines[4], "N51" + kDeg + "30.00000 W000" + kDeg + "15.00000 Alpha Tower | Control tower<br> {ATOWE} ");
    EXPECT_EQ(lines[5], "N51" + kDeg + "15.00000 E000" + kDeg + "07.50000 North Gate {NGATE} ");
    EXPECT_EQ(lines[10], "// End of Section: Sector One");  // the type-4 record printed nothing
    EXPECT_EQ(lines.back(), "// End of File");
    options.debugLevel = 1;
    lines = Screen(Fixture("vrp51.awp"));
    auto four = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("(0x1234)") != std::string::npos; });
    ASSERT_NE(four, lines.end());
    EXPECT_NE(four->find("Typ=00004 len=2 "), std::string::npos);
    EXPECT_NE(lines[2].find("Typ=80009 sect=1 sect=2 len="), std::string::npos);
}

TEST_F(ObstacleTest, MarkupKindsListTextLinesAndNeverBatch) {
    doc->batchFormat = true;
    for (const char* name : {"airsports55.awp", "aopa76.awp"}) {
        SCOPED_TRACE(name);
        auto lines = Screen(Fixture(name));
        EXPECT_EQ(lines, (std::vector<std::string>{
                             "// Title: Air sports", " ",
                             "N47" + kDeg + "30.00000 E008" + kDeg + "15.00000 Glider Site | ", "Open",
                             "Daylight only", " ", "N47" + kDeg + "45.00000 E008" + kDeg + "30.00000 Para Site | ",
                             "OpenDaylight", " ", "// End of File"}));
        EXPECT_TRUE(doc->batchFormat);  // restored after the listing
    }
}

// ---- Kind 39 ---------------------------------------------------------------------------------

TEST_F(ObstacleTest, FixedObstaclesWithNumberedNamesAndMinAgl) {
    struct Case {
        const char* minAgl;
        HeightUnits units;
        std::vector<std::string> names;
    } cases[] = {
        {"", HeightUnits::Feet, {"1234", "1234A", "1234B", "12342", "L124A"}},
        {"300", HeightUnits::Feet, {"1234", "1234A", "12342", "L124A"}},
        {"100", HeightUnits::Metres, {"376", "376A", "3762", "3762A"}},
    };
    doc->batchFormat = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.minAgl);
        doc->minAgl = c.minAgl;
        doc->heightUnits = c.units;
        auto out = Output(Fixture("fixed39.awp"));
        ASSERT_GE(out.size(), 6u);
        EXPECT_EQ(out[0], "// Obstacles cycle 24B1");
        EXPECT_EQ(out[4], "// 1 2 3  to  4 5 6 (5 obstacles)");
        auto add = Matching(out, "ADD|INT|");
        std::vector<std::string> names;
        for (const auto& l : add) names.push_back(l.substr(8, l.find('|', 8) - 8));
        EXPECT_EQ(names, c.names);
        if (c.units == HeightUnits::Feet) {
            EXPECT_EQ(add[0], "ADD|INT|1234|XW-EURO|N51" + kDeg + "30.00000|W001" + kDeg + "15.00000  //  1234 394 lit {1234}");
        }
    }
    doc->batchFormat = false;
    doc->minAgl = "";
    doc->heightUnits = HeightUnits::Feet;
    auto lines = Screen(Fixture("fixed39.awp"));
    EXPECT_EQ(lines[7], "N51" + kDeg + "35.99999   W001" + kDeg + "18.00000  1234 262 unlit {1234A}");
    // At a debug level: the entry's bytes before its first record, blanks before the others;
    // the empty entry writes nothing.
    options.debugLevel = 1;
    lines = Screen(Fixture("fixed39.awp"));
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[6].rfind("Index |Recd addr", 0), 0u);
    EXPECT_EQ(lines[7].substr(0, 40), "    0  ca 00 00 00 03 00 00 00 00 00  ->");
    EXPECT_EQ(lines[8].substr(0, 40), std::string(37, ' ') + " ->");
    EXPECT_EQ(lines[10].substr(0, 7), "    2  ");
    EXPECT_NE(lines[7].find(" 1234 394) lit {1234}"), std::string::npos);
}

// ---- The output path: filters and the screen limit -------------------------------------------

TEST_F(ObstacleTest, FiltersOnTheOutputLines) {
    doc->batchFormat = true;
    struct Case {
        const char* filter;
        std::vector<std::string> starts;  // the first three characters of the lines kept
    } cases[] = {
        {"pl|", {"PL|", "PL|", "PL|"}},
        {"turbine", {"OB|"}},
        {"lit|", {"OB|", "OB|"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        doc->filter = c.filter;
        std::vector<std::string> starts;
        for (const auto& l : Output(Fixture("obstacles38.awp"))) starts.push_back(l.substr(0, 3));
        EXPECT_EQ(starts, c.starts);
    }
    // The filter is kept in lower case (View > Filters), so capitals in the dialog match any case.
    app.headless->AddAnswer({"Set Textual and AGL Filters", {{"Filter Text", "POWER LINE"}, {"Min AGL", "300"}}, "OK"});
    doc->OnFilters();
    EXPECT_EQ(doc->filter, "power line");
    EXPECT_EQ(doc->minAgl, "300");
    EXPECT_EQ(Matching(Output(Fixture("obstacles38.awp")), "PL|").size(), 3u);
    EXPECT_TRUE(doc->PassesFilter("cont|x") == false);
    doc->filter = "pl|";
    EXPECT_TRUE(doc->PassesFilter("cont|anything"));
    EXPECT_FALSE(doc->PassesFilter("pl|lower"));
}

TEST_F(ObstacleTest, ScreenListingStopsAt2000Lines) {
    unitfile::ObstacleData d;
    d.typeTexts = {{"Mast", "M"}};
    for (int i = 0; i < 2500; ++i) {
        unitfile::Obstacle o;
        o.name = "O" + std::to_string(i);
        d.obstacles.push_back(o);
    }
    Bytes bare = unitfile::ObstacleFileData(d);
    auto lines = Screen(bare);
    EXPECT_EQ(lines.size(), kScreenLineLimit + 1);
    EXPECT_EQ(lines.back(), kScreenLimitText);
    // To a file there is no limit.
    doc->batchFormat = true;
    EXPECT_EQ(Matching(Output(bare), "OB|").size(), 2500u);
    // VRP runs stop the same way.
    std::vector<Bytes> records;
    for (int i = 0; i < 2100; ++i) records.push_back(unitfile::VrpRecord("V" + std::to_string(i), 0, 0, "", false));
    doc->batchFormat = false;
    lines = Screen(unitfile::Container({}, {{51, unitfile::Join(records)}}));
    EXPECT_EQ(lines.size(), kScreenLineLimit + 1);
    EXPECT_EQ(lines.back(), kScreenLimitText);
}

TEST_F(ObstacleTest, DamagedRunsEndWithALineAndUnlistedKindsWithTheMessage) {
    Bytes vrp = Fixture("vrp51.awp");
    vrp.resize(vrp.size() - 30);  // the last records leave the data
    auto lines = Screen(vrp);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("// Damaged record at ", 0), 0u);
    Bytes bare = Fixture("bare38.taw");
    bare.resize(bare.size() - 5);
    lines = Screen(bare);
    EXPECT_EQ(lines.back().rfind("// Damaged record at ", 0), 0u);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(Screen(Fixture("nothing.awp")).empty());
    EXPECT_EQ(Messages(), std::vector<std::string>{kNothingListedText});
    EXPECT_FALSE(doc->IsOpen());
}

// ---- Save As and the unattended run ----------------------------------------------------------

class ObstacleFiles : public ObstacleTest {
protected:
    std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / ("trevossa-" + std::to_string(::getpid()));
    void SetUp() override {
        std::filesystem::create_directories(dir);
        for (auto& [name, bytes] : unitfile::Fixtures()) Put(name, std::string(bytes.begin(), bytes.end()));
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string P(const std::string& name) const { return (dir / name).string(); }
    void Put(const std::string& name, const std::string& text) const {
        std::ofstream(P(name), std::ios::binary) << text;
    }
    std::string Get(const std::string& name) const {
        std::ifstream in(P(name), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
};

TEST_F(ObstacleFiles, SaveAsChecksTheKindBeforeTheFileIsTouched) {
    struct Case {
        const char* input;
        bool batch;
        const char* message;  // null: written
    } cases[] = {
        {"aopa76.awp", true, kNoBatchFormatText},
        {"airsports55.awp", true, kNoBatchFormatText},
        {"aopa76.awp", false, nullptr},
        {"vrp51.awp", true, nullptr},
        {"", true, kCannotSaveText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.input) + (c.batch ? " batch" : ""));
        Put("out.txt", "before");
        doc->CloseDataFile();
        if (*c.input) {
            ASSERT_TRUE(doc->OpenDataFile(P(c.input)));
        }
        doc->batchFormat = c.batch;
        size_t shown = Messages().size();
        bool wrote = doc->SaveListingAs(P("out"));  // ".txt" is added
        EXPECT_EQ(wrote, c.message == nullptr);
        if (c.message) {
            EXPECT_EQ(Get("out.txt"), "before");
            ASSERT_EQ(Messages().size(), shown + 1);
            EXPECT_EQ(Messages().back(), c.message);
        } else {
            EXPECT_NE(Get("out.txt"), "before");
            EXPECT_EQ(Get("out.txt").substr(0, 10), "// Title: ");
        }
        EXPECT_FALSE(std::filesystem::exists(P("out.txt.tmp~")));
    }
}

TEST_F(ObstacleFiles, UnattendedRunExitStatuses) {
    struct Case {
        const char* input;
        const char* output;
        int status;
        const char* message;
    } cases[] = {
        {"vrp51.awp", "out.txt", kExitDone, nullptr},
        {"vrp51.awp", "missing/out.txt", kExitFailed, kCannotWriteText},
        {"absent.awp", "out.txt", kExitFailed, kCannotReadText},
        {"nothing.awp", "out.txt", kExitFailed, kNothingListedText},
        {".", "out.txt", kExitFailed, kCannotReadText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " -> " + c.output);
        std::filesystem::remove(P("out.txt"));
        size_t shown = Messages().size();
        CTrevossaDoc unattended(options);
        unattended.batchFormat = true;
        EXPECT_EQ(unattended.RunUnattended(P(c.input), P(c.output)), c.status);
        if (c.message) {
            ASSERT_EQ(Messages().size(), shown + 1);
            EXPECT_EQ(Messages().back(), c.message);
            EXPECT_FALSE(std::filesystem::exists(P("out.txt")));
            const auto& lines = unattended.Lines();
            EXPECT_TRUE(std::find(lines.begin(), lines.end(), kAutoCompleteText) == lines.end());
        } else {
            EXPECT_EQ(unattended.Lines(), (std::vector<std::string>{kAutoStartText, kAutoCompleteText}));
            EXPECT_EQ(Matching(SplitCrLf(Get("out.txt")), "ADD|INT|").size(), 6u);
        }
    }
}

}  // namespace
}  // namespace obstacles::test

// Tessily's setup: its confirmation lines and the SUA compiler's maximum-base filter.
#include <gtest/gtest.h>

#include <algorithm>

#include "gen/testsupport/ShellTestSupport.h"
#include "gen696/Settings696.h"
#include "gen696/Tessily696.h"

namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

class Setup696 : public shelltest::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        TessilySettings() = Settings696{};
        GenModel model;
        InstallTessily(model);
        model.compileModes = {{kModeCompileSua, "Compile SUA Text"}};
        MakeApp(std::move(model));
    }
    void TearDown() override {
        TessilySettings() = Settings696{};
        ShellTest::TearDown();
    }
    std::vector<std::string> Run(const std::string& mode, const std::string& file, Values more = {}) {
        Values values{{"Mode", mode}, {"Filename", file}};
        values.insert(values.end(), more.begin(), more.end());
        AddAnswer("Select Required Operation", values, "OK");
        const size_t before = Doc().Lines().size();
        View().RunSetup();
        return LinesFrom(before);
    }
    static bool Has(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(Setup696, MaximumBaseIsAskedAgainUntilAMultipleOf100) {
    WriteFile("s.txt", "x");
    AddAnswer("Compile SUA Filter", {{"Max Base in feet", "250"}}, "OK");
    AddAnswer("Compile SUA Filter", {{"Max Base in feet", "3000"}}, "OK");
    AddAnswer("Confirm Operation Details", {}, "GO");
    const std::vector<std::string> lines = Run("Compile SUA Text", "s.txt");
    EXPECT_EQ(Messages(), std::vector<std::string>{"Maximum Base must be a multiple of 100"});
    EXPECT_EQ(TessilySettings().maxBase, 3000);
    EXPECT_TRUE(Has(lines, "You have chosen to create file \"NewSUA+.dat\"")) << ::testing::PrintToString(lines);
    EXPECT_TRUE(Has(lines, "from the text file 's.txt'"));
}

TEST_F(Setup696, UnattendedMaximumBaseThatIsNoMultipleOf100StartsNothing) {
    WriteFile("s.txt", "x");
    ControlRun& run = App().Control();
    ControlSection& section = run.sections[0];
    section.mode = kModeCompileSua;
    section.fileName = "s.txt";
    section.maxBase = "250";
    section.goState = kGoUnattended;
    run.count = 1;
    run.index = 0;
    run.goState = section.goState;
    const size_t before = Doc().Lines().size();
    View().RunSetup();
    EXPECT_TRUE(Has(LinesFrom(before), "Maximum Base must be a multiple of 100"));
    EXPECT_TRUE(Messages().empty());
    EXPECT_NE(App().State(), kStateStartPending);
}

TEST_F(Setup696, ConfirmationNamesTheAirwaysSectionAndNoTitleLine) {
    WriteFile("in.img", std::string(300, '\0'));
    AddAnswer("Confirm Operation Details", {}, "Cancel");
    std::vector<std::string> lines = Run("List Selected Image File Section", "in.img", {{"Section", "Airways"}});
    EXPECT_TRUE(Has(lines, "The 'Airways' section of file 'in.img' will be listed")) << ::testing::PrintToString(lines);
    AddAnswer("Confirm Operation Details", {}, "Cancel");
    lines = Run("Create Image File from ISAM Database", "out.img");
    EXPECT_TRUE(Has(lines, "You have chosen to create a new Binary Image File"));
    for (const std::string& line : lines) EXPECT_EQ(line.find("title page"), std::string::npos) << line;
    EXPECT_TRUE(Has(lines, " ************* Tessily 5.4.10 *************"));
}

}  // namespace

#include <filesystem>

#include "gen/shell/CGenFrame.h"
#include "gen696/SectionFile696.h"
#include "gen696/tests/SectionFixture696.h"

namespace {

void WriteSectionFiles(size_t plain) { WriteSectionFiles696(plain); }

TEST_F(Setup696, StopInsideACopyEndsTheRunAndLeavesNoImage) {
    WriteSectionFiles(1600);   // ten pieces a file
    AddAnswer("Your ISAM database", {}, "Yes");
    View().mode = kModeCreateImage;
    View().fileName = "new.img";
    App().SetState(kStateStartPending);
    App().OnIdle(1);
    ASSERT_EQ(App().State(), kStateStep);
    auto last = [this] { return Doc().Lines().empty() ? std::string() : Doc().Lines().back(); };
    for (long i = 2; i < 100 && last().rfind("Copying static data", 0) != 0; ++i) App().OnIdle(i);
    ASSERT_EQ(last().rfind("Copying static data", 0), 0u) << ::testing::PrintToString(Doc().Lines());
    App().OnIdle(100);
    ASSERT_TRUE(App().RouteCommand(kCmdStopReset));
    EXPECT_EQ(App().State(), kStateIdle);
    EXPECT_TRUE(Has(Doc().Lines(), "Operation Aborted"));
    for (long i = 101; i < 110; ++i) App().OnIdle(i);
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        EXPECT_EQ(entry.path().filename().string().find("new.img"), std::string::npos) << entry.path();
    }
    // The next run starts afresh and completes.
    AddAnswer("Your ISAM database", {}, "Yes");
    View().mode = kModeCreateImage;
    App().SetState(kStateStartPending);
    for (long i = 200; i < 1000 && App().State() != kStateIdle; ++i) App().OnIdle(i);
    EXPECT_TRUE(Has(Doc().Lines(), "Image Complete"));
    // The copied sections, the X1 table of each of the four point types, the seal.
    EXPECT_EQ(std::filesystem::file_size("new.img"), 1344u + 6 * 1600 + 4 * 164 * 3 + 4);
}

}  // namespace

#include "gen/shell/ControlFile.h"

namespace {

TEST_F(Setup696, ControlFileModeAndSectionKeywordsOfTessily) {
    WriteFile("run.ctl",
              "Mode=CompileAWY\r\nSection=AWY\r\nGO=0\r\nMode=List\r\nSection=TIT\r\nSection=CompileTCC\r\nGO=0\r\n"
              "Mode=CompileTCC\r\nGO=0\r\n");
    ASSERT_TRUE(ReadControlFile(App(), "run.ctl"));
    const ControlRun& run = App().Control();
    EXPECT_EQ(run.sections[0].mode, kModeCompileAwy);
    EXPECT_EQ(run.sections[0].section, 11);
    EXPECT_EQ(run.sections[1].mode, kModeList);
    EXPECT_EQ(run.sections[1].section, 0);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Unknown Control File Section=CompileTCC",
                                                    "Unknown Control File Mode=CompileTCC"}));
}

}  // namespace

// Gindral's shell: command line, listing document, menu commands and their dialogs, headless.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/HeadlessUi.h"
#include "platform/Printing.h"
#include "sidedata/flarm/CflarmApp.h"
#include "sidedata/flarm/CflarmDoc.h"
#include "sidedata/flarm/CflarmView.h"
#include "sidedata/flarm/tests/FlarmTestSupport.h"

using namespace flarmtest;

namespace {

platform::ScriptedAnswer Answer(std::string match, std::vector<std::pair<std::string, std::string>> values,
                                std::string press) {
    return platform::ScriptedAnswer{std::move(match), std::move(values), std::move(press), 0};
}

class FlarmShellTest : public ScratchFolder {
protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        ::setenv("XDG_CONFIG_HOME", Path("config").c_str(), 1);
    }
    void TearDown() override {
        app_.reset();
        ScratchFolder::TearDown();
    }
    // A started application; false when start-up ended it (exit code in App().ExitCode()).
    bool Start(std::vector<std::string> args = {}) {
        app_ = std::make_unique<CflarmApp>();
        auto ui = std::make_unique<platform::HeadlessUi>();
        ui->SetStreams(nullptr, nullptr);
        ui_ = ui.get();
        app_->SetUi(std::move(ui));
        app_->SetArgs(std::move(args));
        return app_->InitInstance();
    }
    CflarmApp& App() { return *app_; }
    CflarmView& View() { return *dynamic_cast<CflarmView*>(app_->ActiveView()); }
    CflarmDoc& Doc() { return *View().GetDoc(); }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& i : ui_->Interactions()) {
            if (i.kind == platform::Interaction::Kind::MessageBox) texts.push_back(i.text);
        }
        return texts;
    }
    bool Enabled(unsigned id) {
        platform::CommandState s;
        s.id = id;
        app_->RouteQuery(s);
        return s.enabled;
    }
    std::unique_ptr<CflarmApp> app_;
    platform::HeadlessUi* ui_ = nullptr;
};

}  // namespace

TEST(FlarmCommandLine, SwitchesAndTheirMistakes) {
    FlarmOptions o;
    std::string error;
    ASSERT_TRUE(ParseFlarmCommandLine({"-d", "-d3", "--convert", "a", "b", "--to", "naviter", "c", "--version",
                                       "003c4d", "--force"},
                                      o, error));
    EXPECT_EQ(o.debugLevel, 4);
    EXPECT_EQ(o.inputs, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(o.saveType, 4);
    EXPECT_EQ(o.output, "c");
    EXPECT_EQ(o.version, "003c4d");
    EXPECT_TRUE(o.force);
    const struct {
        std::vector<std::string> args;
        const char* error;
    } wrong[] = {
        {{"--bogus"}, "unknown switch --bogus"},
        {{"-x"}, "unknown switch -x"},
        {{"stray"}, "unexpected argument stray"},
        {{"--convert", "a", "--to", "zip", "b"}, "unknown KIND for --to: zip (bfn, flx, winpilot, naviter or dbtext)"},
        {{"--convert", "a"}, "--convert needs --to KIND OUT"},
        {{"--list"}, "--list needs a file name"},
        {{"--force"}, "--to, --version HEX6 and --force go with --convert"},
    };
    for (const auto& w : wrong) {
        FlarmOptions other;
        EXPECT_FALSE(ParseFlarmCommandLine(w.args, other, error));
        EXPECT_EQ(error, w.error);
    }
    FlarmOptions version;
    ASSERT_TRUE(ParseFlarmCommandLine({"--version"}, version, error));
    EXPECT_TRUE(version.showVersion);
}

TEST_F(FlarmShellTest, UnknownSwitchEndsStartUpWithStatusTwo) {
    EXPECT_FALSE(Start({"--bogus"}));
    EXPECT_EQ(App().ExitCode(), kGindralExitUsage);
}

TEST_F(FlarmShellTest, DebugTokensAddUpAndFileDebugToggles) {
    ASSERT_TRUE(Start({"-d", "-d3"}));
    EXPECT_EQ(App().DebugLevel(), 4);
    App().RouteCommand(kCmdDebug);
    EXPECT_EQ(App().DebugLevel(), 0);
    App().RouteCommand(kCmdDebug);
    EXPECT_EQ(App().DebugLevel(), 3);
}

TEST_F(FlarmShellTest, ListingShows2000LinesAndSavesThemAll) {
    ASSERT_TRUE(Start());
    for (int i = 0; i < 2500; ++i) Doc().AddLine("line " + std::to_string(i));
    EXPECT_EQ(Doc().GetLineCount(), 2000);
    EXPECT_EQ(Doc().GetLine(1998), "line 1998");
    EXPECT_EQ(Doc().GetLine(1999), kMaxDisplayableText);
    ui_->AddAnswer(Answer("Save As", {{"File name", Path("listing")}}, "Save"));
    App().RouteCommand(platform::kCmdFileSaveAs);
    std::string saved = ReadBytes(Path("listing.txt"));
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 2500);
    EXPECT_EQ(saved.substr(saved.size() - 11), "line 2499\r\n");
}

TEST_F(FlarmShellTest, SetVersionNumberRefusesUntilSixHexDigits) {
    ASSERT_TRUE(Start());
    ui_->AddAnswer(Answer("Set Version Number", {{"#1000", "12345"}}, "OK"));
    ui_->AddAnswer(Answer("Set Version Number", {{"#1000", "12345g"}}, "OK"));
    ui_->AddAnswer(Answer("Set Version Number", {{"#1000", "003c4d"}}, "OK"));
    App().RouteCommand(kCmdSetVersionNumber);
    EXPECT_EQ(View().Memory().version, "003c4d");
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Please use 6 hex digits",
                                                    "Please use only digits 0-9 and letters a-f"}));
    App().RouteCommand(kCmdSetVersionNumber);  // cancelled: kept
    EXPECT_EQ(View().Memory().version, "003c4d");
}

TEST_F(FlarmShellTest, OpenFilterListAndSaveThroughTheMenus) {
    ASSERT_TRUE(Start());
    std::string sample = SampleDir() + "/data.fln";
    EXPECT_FALSE(Enabled(kCmdSaveMemoryAs));
    ui_->AddAnswer(Answer("Set ID Filter", {{"#1001", "00000f"}}, "OK"));
    App().RouteCommand(kCmdIdFilter);
    ui_->AddAnswer(Answer("Select Data File", {{"File name", sample}}, "Open"));
    App().RouteCommand(platform::kCmdFileOpen);
    EXPECT_EQ(View().Memory().Records().size(), 1u);
    EXPECT_TRUE(Enabled(kCmdSaveMemoryAs));
    EXPECT_TRUE(Enabled(kCmdClearMemory));

    ui_->AddAnswer(Answer("Select Data File", {{"File name", sample}}, "Open"));
    App().RouteCommand(kCmdFileList);
    EXPECT_EQ(Doc().Lines().front(), "This file is hex fln format");
    EXPECT_EQ(View().Memory().Records().size(), 1u);

    WriteBytes(Path("old.flx"), "old");
    ui_->AddAnswer(Answer("Save Merged Data", {{"File name", Path("old.flx")}, {"Files of type", "FlarmView [*.flx]"}}, "Save"));
    ui_->AddAnswer(Answer("Are you sure you want to overwrite", {}, "No"));
    App().RouteCommand(kCmdSaveMemoryAs);
    EXPECT_EQ(ReadBytes(Path("old.flx")), "old");
    ui_->AddAnswer(Answer("Save Merged Data", {{"File name", Path("old.flx")}, {"Files of type", "FlarmView [*.flx]"}}, "Save"));
    ui_->AddAnswer(Answer("Are you sure you want to overwrite", {}, "Yes"));
    App().RouteCommand(kCmdSaveMemoryAs);
    EXPECT_EQ(ReadBytes(Path("old.flx")), std::string("00000F\0X27\0\0\0\0", 14));

    App().RouteCommand(kCmdClearMemory);
    EXPECT_FALSE(View().Memory().HasRecords());
}

TEST_F(FlarmShellTest, PrintingPutsTheHeaderOnEveryPage) {
    ASSERT_TRUE(Start());
    for (int i = 0; i < 300; ++i) Doc().AddLine("line " + std::to_string(i));
    ui_->AddAnswer(Answer("Print", {}, "OK"));
    ASSERT_TRUE(platform::PrintView(View(), false));
    ASSERT_FALSE(ui_->PrintedJobs().empty());
    const auto& pages = ui_->PrintedJobs().back().pages;
    int perPage = View().LinesPerPage();
    EXPECT_EQ(static_cast<int>(pages.size()), (300 + perPage - 1) / perPage);
    for (const auto& page : pages) {
        ASSERT_FALSE(page.records.empty());
        EXPECT_EQ(page.records.front().text, "Gindral");
        EXPECT_EQ(page.records.front().font.weight, platform::kWeightBold);
        for (const auto& record : page.records) EXPECT_LT(record.y, 6600);
    }
}

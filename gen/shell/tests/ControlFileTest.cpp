// Control files and the command line that names them.
#include <gtest/gtest.h>

#include "gen/testsupport/ShellTestSupport.h"
#include "gen/shell/CommandLine.h"
#include "gen/shell/ControlFile.h"

namespace shelltest {
namespace {

class ControlFile : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        MakeApp();
    }
    // Parses a command line from the defaults.
    void Parse(std::vector<std::string> args) {
        App().Control() = ControlRun();
        App().SetArgs(std::move(args));
        ParseCommandLine(App());
    }
    // Reads a control file of these lines (CR LF ends).
    const ControlRun& Read(const std::vector<std::string>& lines, std::vector<std::string> before = {}) {
        std::string text;
        for (const auto& l : lines) text += l + "\r\n";
        WriteFile("c.ctl", text);
        before.insert(before.end(), {"-F", "c.ctl"});
        Parse(before);
        return App().Control();
    }
};

TEST_F(ControlFile, SectionsTakeTheirKeywordsAndEndWithGo) {
    const ControlRun& run = Read({
        "Line=1",
        "Mode=CreateImage",
        "Section=VOR",
        "Filename=out\\europe.img",
        "Title=EUROPE",
        "Append=1",
        "Listing=1",
        "BriefAPTs=0",
        "OptimiseCNT=1",
        "MaxBase=9500",
        "LimitSW=N400000 W0100000",
        "LimitNE=N600000 E0200000",
        "FilterCO=LF",
        "FilterNAM=PARIS",
        "FilterICAO=LFP",
        "FilterSW=N480000 E0020000",
        "FilterNE=N490000 E0030000",
        "Message=Europe first",
        "SaveAs=out/europe.txt",
        "GO=1",
        "Line=2",
        "Mode=List",
        "GO=0",
        "Mode=BatchUpdate",
        "GO=7",
        "Mode=CompileSUA",
    });
    ASSERT_EQ(run.count, 3);
    EXPECT_EQ(run.index, 0);
    EXPECT_EQ(run.goState, kGoSaveAs);
    const ControlSection& s = run.sections[0];
    EXPECT_EQ(s.mode, kModeCreateImage);
    EXPECT_EQ(s.section, 6);
    EXPECT_EQ(s.fileName, "out/europe.img");
    EXPECT_EQ(s.title, "EUROPE");
    EXPECT_EQ(s.append, 1);
    EXPECT_EQ(s.listing, 1);
    EXPECT_EQ(s.briefApts, 0);
    EXPECT_EQ(s.optimiseCountries, 1);
    EXPECT_EQ(s.maxBase, "9500");
    EXPECT_EQ(s.limitNE, "N600000 E0200000");
    EXPECT_EQ(s.filterICAO, "LFP");
    EXPECT_EQ(s.message, "Europe first");
    EXPECT_EQ(s.saveAs, "out/europe.txt");
    EXPECT_EQ(s.goState, kGoSaveAs);
    // The next section keeps the choices and filters, not the outcome.
    const ControlSection& t = run.sections[1];
    EXPECT_EQ(t.mode, kModeList);
    EXPECT_EQ(t.section, 6);
    EXPECT_EQ(t.fileName, "out/europe.img");
    EXPECT_EQ(t.title, "EUROPE");
    EXPECT_EQ(t.maxBase, "9500");
    EXPECT_EQ(t.limitSW, "N400000 W0100000");
    EXPECT_EQ(t.briefApts, 0);
    EXPECT_EQ(t.filterCO, "LF");
    EXPECT_EQ(t.filterNAM, "PARIS");
    EXPECT_EQ(t.filterSW, "N480000 E0020000");
    EXPECT_EQ(t.filterNE, "N490000 E0030000");
    EXPECT_EQ(t.saveAs, "");
    EXPECT_EQ(t.message, "");
    EXPECT_EQ(t.append, 0);
    EXPECT_EQ(t.listing, 0);
    EXPECT_EQ(t.optimiseCountries, 0);
    EXPECT_EQ(t.goState, kGoConfirm);
    EXPECT_EQ(run.sections[2].goState, kGoUnattended);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ControlFile, ASectionWithoutGoDoesNotRun) {
    const ControlRun& run = Read({"Mode=BatchUpdate", "Filename=a.txt", "GO=1", "Filename=b.txt", "Mode=List"});
    EXPECT_EQ(run.count, 1);
    EXPECT_EQ(run.goState, kGoUnattended);
    const ControlRun& none = Read({"Mode=BatchUpdate", "Filename=a.txt"});
    EXPECT_EQ(none.count, 0);
    EXPECT_EQ(none.goState, kGoNone);
}

TEST_F(ControlFile, WrongWordsAreReportedAndReadingGoesOn) {
    const ControlRun& run = Read({"Mode=BatchUpdate", "Mode=batchupdate", "Section=Apt", "mode=List", "Colour=red",
                                  "no keyword here", "", "GO=1"});
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Unknown Control File Mode=batchupdate",
                                                    "Unknown Control File Section=Apt",
                                                    "Unknown Control File Keyword mode=",
                                                    "Unknown Control File Keyword Colour="}));
    EXPECT_EQ(run.count, 1);
    EXPECT_EQ(run.sections[0].mode, kModeBatchUpdate);
    EXPECT_EQ(run.sections[0].section, 3);
}

TEST_F(ControlFile, CommentsFollowTheLinesFirstSlash) {
    const ControlRun& run = Read({"// a whole-line comment", "Title=WEEKLY // the title", "Filename=data/x.txt // note",
                                  "Message=a\tb\t ", "GO=1 // go"});
    const ControlSection& s = run.sections[0];
    EXPECT_EQ(s.title, "WEEKLY");
    // A path's single slash comes first: the later "//" is not a comment.
    EXPECT_EQ(s.fileName, "data/x.txt // note");
    EXPECT_EQ(s.message, "a\tb");
    EXPECT_EQ(s.goState, kGoUnattended);
}

TEST_F(ControlFile, FirstAndLastLineSwitchesCountBeforeTheFile) {
    const std::vector<std::string> lines = {"Line=1", "Title=ONE", "GO=1", "Line=5", "Title=FIVE", "GO=1",
                                            "Line=9", "Title=NINE", "GO=1"};
    const ControlRun& a = Read(lines, {"-S5"});
    ASSERT_EQ(a.count, 2);
    EXPECT_EQ(a.sections[0].title, "FIVE");  // reading starts after the Line=5 line
    Read(lines, {"-S", "4", "-E8"});
    EXPECT_EQ(App().Control().count, 1);
    EXPECT_EQ(App().Control().sections[0].title, "FIVE");
    // After -F the switches come too late: the whole file is read.
    App().Control() = ControlRun();
    WriteFile("c.ctl", "Line=1\nTitle=ONE\nGO=1\nLine=5\nTitle=FIVE\nGO=1\n");
    App().SetArgs({"-F", "c.ctl", "-S5", "-E2"});
    ParseCommandLine(App());
    EXPECT_EQ(App().Control().count, 2);
    EXPECT_EQ(App().Control().sections[0].title, "ONE");
    // A first line that is never reached reads nothing.
    EXPECT_EQ(Read(lines, {"-S99"}).count, 0);
}

TEST_F(ControlFile, SixtyFourSectionsAtMost) {
    std::vector<std::string> lines;
    for (int i = 0; i < 64; ++i) lines.insert(lines.end(), {"Title=T" + std::to_string(i), "GO=1"});
    EXPECT_EQ(Read(lines).count, 64);
    EXPECT_TRUE(Messages().empty());
    // Any line after the 64th section ends the run, one without '=' too.
    for (const char* extra : {"Title=ONE TOO MANY", "", "// the end", "label"}) {
        SCOPED_TRACE(extra);
        std::vector<std::string> more = lines;
        more.push_back(extra);
        const size_t before = Messages().size();
        try {
            Read(more);
            ADD_FAILURE() << "the program goes on";
        } catch (const ExitCalled& e) {
            EXPECT_EQ(e.status, kExitFatal);
        }
        EXPECT_EQ(Messages().size(), before + 1);
        EXPECT_EQ(Messages().back(), "Too many Control File Sections");
    }
}

TEST_F(ControlFile, FileNamesRememberTheModeOfTheSectionThatNamedThem) {
    const ControlRun& run = Read({"Mode=BatchUpdate", "Filename=in.txt", "GO=1",
                                  "Mode=CreateImage", "Filenme=out.img", "GO=1",
                                  "Filename=out.img", "GO=1",
                                  "Mode=List", "GO=1"});
    ASSERT_EQ(run.count, 4);
    EXPECT_EQ(run.sections[0].fileNameMode, kModeBatchUpdate);
    EXPECT_EQ(run.sections[1].fileName, "in.txt");  // the misspelt keyword named nothing
    EXPECT_EQ(run.sections[1].fileNameMode, kModeBatchUpdate);
    EXPECT_EQ(run.sections[2].fileNameMode, kModeCreateImage);
    EXPECT_EQ(run.sections[3].fileName, "out.img");
    EXPECT_EQ(run.sections[3].fileNameMode, kModeCreateImage);
}

TEST_F(ControlFile, LongLinesAreJoinedAndNeverTakenInPieces) {
    const std::string path = "data/" + std::string(200, 'p') + ".txt";
    const ControlRun& run = Read({"Filename=" + path, "Title=" + std::string(200, 't'), "GO=" + std::string(170, '1')});
    EXPECT_EQ(run.sections[0].fileName, path);
    EXPECT_EQ(run.sections[0].title, "CUSTOMISED DB");
    EXPECT_EQ(run.count, 0);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Unknown Control File Keyword Title=",
                                                    "Unknown Control File Keyword GO="}));
}

TEST_F(ControlFile, NamesOfTheFile) {
    WriteFile("my ctl.txt", "GO=1\n");
    Parse({"-F", "\"my ctl.txt\""});
    EXPECT_EQ(App().Control().count, 1);
    Parse({"-F", "none.ctl"});
    EXPECT_EQ(Messages(), std::vector<std::string>{"Cannot open Control File none.ctl"});
    EXPECT_EQ(App().Control().goState, kGoNone);
    // A file without line ends, NUL bytes and binary noise: no section, no crash.
    WriteFile("noise.ctl", std::string("GO=\0\xff\x01Mode=", 11) + std::string(5000, '\x7f'));
    Parse({"-F", "noise.ctl"});
    EXPECT_EQ(App().Control().count, 1);
}

TEST_F(ControlFile, CommandLineSwitches) {
    Parse({"-T", "CUSTOM"});
    EXPECT_EQ(App().Settings().defaultTitle, "CUSTOM .");
    Parse({"-T:MY TITLE "});
    EXPECT_EQ(App().Settings().defaultTitle, "MY TITLE .");
    Parse({"-d", "8", "-x", "-d2"});
    EXPECT_EQ(App().Settings().debugLevel, 10u);
    EXPECT_EQ(App().Settings().extraDebugLevel, 1u);
    Parse({"-NOTRAININGX", "-Nothing", "-NOTRAINING", "-c", "L"});
    EXPECT_EQ(App().Settings().trainingSwitch, 1);
    EXPECT_EQ(App().Settings().countryFilter, "L");
}

TEST_F(ControlFile, ApplyFillsTheSetupFromTheRunningSection) {
    const ControlRun& run = Read({"Mode=BatchUpdate", "Filename=b.txt", "Listing=1", "OptimiseCNT=1", "FilterCO=LFX",
                                  "Message=Weekly update", "SaveAs=b.lst", "GO=1"});
    ASSERT_EQ(run.goState, kGoSaveAs);
    CGenSetupDlg dialog(App());
    size_t before = Doc().Lines().size();
    EXPECT_TRUE(ApplyControlSection(App(), dialog));
    EXPECT_EQ(dialog.mode, kModeBatchUpdate);
    EXPECT_EQ(dialog.fileName, "b.txt");
    EXPECT_EQ(dialog.listing, 1);
    EXPECT_EQ(App().Settings().countryFilter, "LF");
    EXPECT_TRUE(App().Settings().optimiseCountries);
    EXPECT_EQ(RememberedSetup().fileNames[kModeBatchUpdate], "b.txt");
    EXPECT_EQ(LinesFrom(before), (std::vector<std::string>{
                                     "", "Weekly update", "",
                                     "Save As is not available: the listing will not be saved as \"b.lst\""}));
    // GO=0: the dialogs are shown.
    Read({"Mode=List", "GO=0"});
    EXPECT_FALSE(ApplyControlSection(App(), dialog));
    // A filter rectangle that does not parse: the section is shown in the setup.
    Read({"Mode=List", "FilterSW=N999999 E0000000", "FilterNE=N100000 E0100000", "GO=1"});
    App().NoteOperationDone();
    EXPECT_FALSE(ApplyControlSection(App(), dialog));
    EXPECT_EQ(App().Control().goState, kGoNone);
    // The control-file run ends there: the program's status says so.
    EXPECT_EQ(App().ExitInstance(), kExitNotDone);
}

}  // namespace
}  // namespace shelltest

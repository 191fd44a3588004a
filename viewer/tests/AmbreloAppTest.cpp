// The viewer's start-up, its windows and view commands headless, and the approach-ident
// diagnostic.
#include <gtest/gtest.h>
#include <fcntl.h>

#include <cstring>
#include <random>

#include "common/IdentDigits.h"
#include "dblib/dfAPTS.h"
#include "dblib/dfINTS.h"
#include "dblib/dfNDBS.h"
#include "dblib/dfVORS.h"
#include "platform/FileSystem.h"
#include "platform/HeadlessUi.h"
#include "platform/Printing.h"
#include "viewer/ApproachIdentDiagnostic.h"
#include "viewer/CAmbreloApp.h"
#include "viewer/CAmbreloView.h"
#include "viewer/RecordDocs.h"
#include "viewer/tests/ViewerTestSupport.h"

namespace {

class AmbreloApp : public viewertest::ViewerFolder {
protected:
    void TearDown() override {
        app.reset();
        ViewerFolder::TearDown();
    }
    bool Start(std::vector<std::string> args = {}) {
        db.reset();  // the program opens the folder itself
        app = std::make_unique<CAmbreloApp>();
        auto headless = std::make_unique<platform::HeadlessUi>();
        headless->SetStreams(nullptr, nullptr);
        ui = headless.get();
        app->SetUi(std::move(headless));
        app->SetArgs(std::move(args));
        return app->InitInstance();
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& i : ui->Interactions())
            if (i.kind == platform::Interaction::Kind::MessageBox) texts.push_back(i.text);
        return texts;
    }
    std::unique_ptr<CAmbreloApp> app;
    platform::HeadlessUi* ui = nullptr;
};

TEST_F(AmbreloApp, EmptyFolderOpensFifteenWindowsShowingMinusOne) {
    ASSERT_TRUE(Start());
    auto docs = app->Documents();
    ASSERT_EQ(docs.size(), 15u);
    const char* titles[] = {"apts.dta", "country.dta", "freq3.dta", "ints.dta", "names.dta",
                            "ndbs.dta", "rwy3.dta",    "vors.dta",  "usr.dta",  "restr.dta",
                            "appr.dta", "lwpt.dta",    "awys.dta",  "awps.dta", "rte.dta"};
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(docs[i]->Title(), titles[i]);
        EXPECT_EQ(docs[i]->FileKind(), i);
        std::string text;
        docs[i]->FormatLine(0, text);
        EXPECT_EQ(text.substr(text.size() - 2), "-1") << titles[i];
        EXPECT_TRUE(platform::FileExists(std::string(titles[i], std::strlen(titles[i]) - 1) + "x"));
    }
    ASSERT_EQ(app->MainFrame()->Children().size(), 15u);
    EXPECT_EQ(app->ActiveView()->GetDocument(), docs[0]) << "apts is made last and is active";
    // The start-up output: each title, its lines, an empty line.
    const auto& echoed = ui->EchoedLines();
    ASSERT_GE(echoed.size(), 14u);
    EXPECT_EQ(echoed[0], "apts.dta");
    EXPECT_EQ(echoed[1], "asno     -1");
    EXPECT_EQ(echoed[2], "aident");
    EXPECT_EQ(echoed[13], "");
    EXPECT_EQ(echoed[14], "country.dta");
    EXPECT_TRUE(Messages().empty());

    // Files made here carry the version mark: the next start accepts them.
    app.reset();
    EXPECT_TRUE(Start());
}

TEST_F(AmbreloApp, HeldOrWrongVersionFileRefusesTheStart) {
    Db();
    db.reset();
    int fd = platform::OpenFile("vors.dtx", O_RDWR, platform::Share::DenyReadWrite);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(Start());
    EXPECT_EQ(Messages(), std::vector<std::string>{"Sorry, Database in Use"});
    EXPECT_EQ(app->ExitCode(), kAmbreloExitFailed);
    platform::CloseFile(fd);

    rectest::PokeByte("ndbs.dta", 1020, '1');
    EXPECT_FALSE(Start());
    EXPECT_EQ(Messages(), std::vector<std::string>{"Sorry, Database in Use"});
}

TEST_F(AmbreloApp, CommandLine) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        std::vector<std::string> diagnostics;
        std::string list;
    } cases[] = {
        {{"-Dsub\\apidgen.txt", "other", "-D"}, true, {"sub\\apidgen.txt", ""}, ""},
        {{"--list", "rte"}, true, {}, "rte"},
        {{"--list", "all"}, true, {}, "all"},
        {{"--list", "runways"}, false, {}, ""},
        {{"--list"}, false, {}, ""},
        {{"-Z"}, false, {}, ""},
    };
    for (const Case& c : cases) {
        AmbreloOptions options;
        std::string error;
        EXPECT_EQ(ParseAmbreloCommandLine(c.args, options, error), c.ok) << c.args[0];
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(options.diagnostics, c.diagnostics);
        EXPECT_EQ(options.list, c.list);
    }
}

TEST_F(AmbreloApp, ViewSelectsSearchableLinesAndSearchesTheirValue) {
    const int heights[][2] = {{0, 20}, {1, 1500}, {2, 400}, {3, 1000}, {4, 1500}};
    for (auto [sno, height] : heights)
        Add<dfAPTS>(0, [&](dfAPTS& r) {
            r.asno = sno;
            r.aheight = height;
        });
    ASSERT_TRUE(Start());
    auto* view = dynamic_cast<CAmbreloView*>(app->ActiveView());
    ASSERT_NE(view, nullptr);
    auto* doc = view->GetDoc();
    view->GetDC();  // measures the font
    int h = view->LineHeight();
    struct Click {
        int line;
        int selected;
    } clicks[] = {{1, -1}, {3, -1}, {12, -1}, {40, -1}, {0, 0}, {7, 7}};
    for (const Click& c : clicks) {
        view->OnLButtonDown(platform::kMouseLeft, {5, c.line * h + h / 2});
        EXPECT_EQ(view->SelectedLine(), c.selected) << c.line;
    }
    ui->AddAnswer({"Enter Required Value", {{"Value", "1000"}}, "OK", 0});
    ui->AddAnswer({"Enter Required Value", {{"Value", "0x5dc"}}, "OK", 0});
    ui->AddAnswer({"Enter Required Value", {{"Value", "7"}}, "Cancel", 0});
    struct Step {
        unsigned command;
        int shown;
    } steps[] = {{kCmdSearchValue, 1}, {kCmdNextRecord, 3}, {kCmdNextRecord, 4}, {kCmdPrevRecord, 3},
                 {kCmdSearchValue, 1}, {kCmdNextRecord, 4}, {kCmdNextRecord, 4}, {kCmdSearchValue, 4}};
    for (const Step& s : steps) {
        EXPECT_TRUE(app->RouteCommand(s.command));
        EXPECT_EQ(doc->SavedRecordNumber(), s.shown) << s.command;
    }
    EXPECT_EQ(view->LastSearchValue(), 1500) << "a cancelled search changes nothing";

    // Drawn and printed: the selected line on the highlight band, one page.
    ui->RecordPaints(true);
    view->Invalidate();
    ui->PaintInvalid();
    std::vector<std::string> drawn;
    for (const auto& r : ui->LastPaint(*view)) {
        if (r.kind != platform::DrawRecord::Kind::Text) continue;
        drawn.push_back(r.text);
        EXPECT_EQ(r.textColor == platform::MakeColor(255, 255, 255), r.text == "aheight  1500") << r.text;
    }
    EXPECT_EQ(drawn.size(), 12u);
    EXPECT_EQ(drawn[1], "aident") << "trailing blanks cut";
    ASSERT_TRUE(platform::PrintView(*view, true));
    ASSERT_EQ(ui->PrintedJobs().size(), 1u);
    ASSERT_EQ(ui->PrintedJobs()[0].pages.size(), 1u);
    EXPECT_EQ(ui->PrintedJobs()[0].pages[0].Lines()[0], "asno     4");
    // Every command's record is echoed.
    const auto& echoed = ui->EchoedLines();
    EXPECT_EQ(echoed[echoed.size() - 14], "apts.dta");
    EXPECT_EQ(echoed[echoed.size() - 13], "asno     4");
    EXPECT_EQ(echoed.back(), "");
}

class Diagnostic : public viewertest::ViewerFolder {
protected:
    void SetUp() override {
        ViewerFolder::SetUp();
        auto put = [](char* field, const char* ident) {
            std::strcpy(field, ident);
            EncodeIdentDigits(field);
        };
        int n = 0;
        for (const char* ident : {"ABC12", "BOTH", "LONGIDE"})
            Add<dfINTS>(3, [&](dfINTS& r) {
                r.isno = n++;
                put(r.iident, ident);
            });
        Add<dfNDBS>(5, [&](dfNDBS& r) { put(r.bident, "NDB1"); });
        n = 0;
        for (const char* ident : {"BOTH", "VORONLY"})
            Add<dfVORS>(7, [&](dfVORS& r) {
                r.vsno = n++;
                put(r.vident, ident);
            });
    }
};

TEST_F(Diagnostic, MarksFoundIdentsDropsMarkedLinesAndCopiesOtherForms) {
    ASSERT_TRUE(platform::MakeDirectory("sub"));
    ASSERT_TRUE(platform::MakeDirectory("sub/dir"));
    rectest::WriteText("sub/dir/apidgen.txt",
                       "   0 x ABC12\r\n"
                       "   1 x BOTH\r\n"
                       "   2 x VORONLY\r\n"
                       "   3 x NDB1\r\n"
                       "   4 x NOWHERE\r\n"
                       "   5 x LONGIDENT\r\n"
                       "   6   BOTH   \r\n"
                       "   7 I ABC12\r\n"
                       "   8 V BOTH\r\n"
                       "  9 ABC12\r\n"
                       "   a x\r\n"
                       "   b x \r\n");
    ASSERT_TRUE(DiagnoseApproachIdents(Db(), "sub\\dir\\apidgen.txt"));
    EXPECT_EQ(rectest::ReadText("sub/dir/apiddiag.txt"),
              "   0 I ABC12\r\n"
              "   1 I BOTH\r\n"
              "   2 V VORONLY\r\n"
              "   3 N NDB1\r\n"
              "   4   NOWHERE\r\n"
              "   5 I LONGIDENT\r\n"
              "   6 I BOTH   \r\n"
              "  9 ABC12\r\n"
              "   a x\r\n"
              "   b x \r\n");
    for (int kind : {3, 5, 7}) EXPECT_FALSE(Db().File(kind)->IsOpen());
}

TEST_F(Diagnostic, AnyBytesGiveALineOrNone) {
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        std::string line(random() % 24, ' ');
        for (char& c : line) c = random() % 3 ? char(random() % 256) : "x \0"[random() % 3];
        const std::string before = line;
        if (!MarkApproachIdentLine(Db(), line)) continue;
        ASSERT_EQ(line.size(), before.size());
        for (size_t c = 0; c < line.size(); ++c) {
            if (c == 5) continue;
            ASSERT_EQ(line[c], before[c]) << "only the mark column changes";
        }
    }
}

TEST_F(Diagnostic, OutputPathAndMissingFiles) {
    struct Case {
        const char* input;
        const char* output;
    } cases[] = {{"apidgen.txt", "apiddiag.txt"},
                 {"sub\\dir\\apidgen.txt", "sub\\dir\\apiddiag.txt"},
                 {"/a/b/x.txt", "/a/b/apiddiag.txt"},
                 {"a/b\\", "a/b\\apiddiag.txt"}};
    for (const Case& c : cases) EXPECT_EQ(DiagnosticOutputPath(c.input), c.output);

    auto ui = std::make_unique<platform::HeadlessUi>();
    ui->SetStreams(nullptr, nullptr);
    platform::HeadlessUi* headless = ui.get();
    CAmbreloApp app;
    app.SetUi(std::move(ui));
    EXPECT_FALSE(DiagnoseApproachIdents(Db(), "missing/apidgen.txt"));
    rectest::WriteText("apidgen.txt", "   0 x ABC12\r\n");
    EXPECT_FALSE(DiagnoseApproachIdents(Db(), "apidgen.txt/../nofolder/apidgen.txt"));
    ASSERT_TRUE(platform::MakeDirectory("apiddiag.txt"));  // the output cannot be a folder
    EXPECT_FALSE(DiagnoseApproachIdents(Db(), "apidgen.txt"));
    std::vector<std::string> texts;
    for (const auto& i : headless->Interactions()) texts.push_back(i.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Cannot open apidgen file", "Cannot open apidgen file",
                                               "Cannot open apiddiag file"}));
}

}  // namespace

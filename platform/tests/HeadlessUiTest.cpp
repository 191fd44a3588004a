#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "platform/Clipboard.h"
#include "platform/Dialog.h"
#include "platform/Exchange.h"
#include "platform/Document.h"
#include "platform/FileDialog.h"
#include "platform/FontDialog.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"

namespace platform {
namespace {

using test::TestApp;

ScriptedAnswer Answer(std::string match, std::string press,
                      std::vector<std::pair<std::string, std::string>> values = {}) {
    return ScriptedAnswer{std::move(match), std::move(values), std::move(press), 0};
}

TEST(HeadlessUi, MessageBoxesTakeMatchingAnswersElseTheirDefaultButton) {
    TestApp app;
    struct Case {
        std::string text;
        MessageStyle style;
        int expected;
    };
    // Answers: by text, by caption, a button the box lacks, and one never used.
    app.headless->AddAnswer(Answer("overwrite", "Yes"));
    app.headless->AddAnswer(Answer("testprog", "Retry"));
    app.headless->AddAnswer(Answer("unrecognised part", "Ignore"));
    app.headless->AddAnswer(Answer("never shown", "No"));
    const Case cases[] = {
        {"Are you SURE you want to overwrite x.img", {Buttons::YesNo, Icon::Question, 1}, kIdYes},
        {"Device not ready", {Buttons::AbortRetryIgnore, Icon::Error, 0}, kIdRetry},
        {"Image File has unrecognised part number", {Buttons::YesNo, Icon::Question, 0}, kIdYes},
        {"Cannot open x", {Buttons::Ok, Icon::Warning, 0}, kIdOk},
        {"Save changes?", {Buttons::YesNoCancel, Icon::Question, 2}, kIdCancel},
        {"Stop?", {Buttons::OkCancel, Icon::Question, 1}, kIdCancel},
        {"Bad default", {Buttons::RetryCancel, Icon::None, 7}, kIdRetry},
    };
    for (const Case& c : cases) EXPECT_EQ(ShowMessage(c.text, c.style), c.expected) << c.text;
    EXPECT_EQ(app.headless->AnswersLeft(), 1u);
    const auto& seen = app.headless->Interactions();
    ASSERT_EQ(seen.size(), std::size(cases));
    EXPECT_TRUE(seen[0].scripted);
    EXPECT_TRUE(seen[2].scripted);  // matched, but Ignore is not offered: default
    EXPECT_FALSE(seen[3].scripted);
    EXPECT_EQ(seen[1].caption, "testprog");
}

TEST(HeadlessUi, MessageTextsGoToStandardErrorAsUtf8AfterTheProgramsName) {
    TestApp app;
    testing::internal::CaptureStderr();
    app.headless->SetStreams(nullptr, stderr);
    ShowMessage("N51\xB0" "30' is outside", MessageStyle{});
    app.headless->SetProgramName("brondel");
    ShowMessage("Cannot open x", MessageStyle{});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "N51\xC2\xB0" "30' is outside\nbrondel: Cannot open x\n");
}

// Lines added (+) and replaced in place (=), and messages (!), as a file and a terminal show them
// and as they are recorded.
TEST(HeadlessUi, ReplacedLinesAreWrittenOnceToAFileAndInPlaceOnATerminal) {
    const std::vector<std::string> steps = {"+Create Image 1", "=Create Image 54", "=Create Image 107", "+\x80 5 \x96 6",
                                            "=Processing line 2", "!Stop?", "=Processing line 3", "+Done"};
    struct Case {
        bool terminal;
        const char* expected;
    } cases[] = {
        {false, "Create Image 107\nProcessing line 2\nProcessing line 3\nDone\n"},
        {true, "Create Image 1\r\x1b[KCreate Image 54\r\x1b[KCreate Image 107\n\xE2\x82\xAC 5 \xE2\x80\x93 6"
               "\r\x1b[KProcessing line 2\nProcessing line 3\nDone\n"},
    };
    for (const Case& c : cases) {
        TestApp app;
        std::FILE* out = std::tmpfile();
        app.headless->SetStreams(out, nullptr);
        app.headless->SetLinesTerminal(c.terminal);
        Document doc;
        for (const std::string& step : steps) {
            const std::string text = step.substr(1);
            if (step[0] == '+') doc.EchoLine(text);
            if (step[0] == '=') doc.EchoReplacedLine(text);
            if (step[0] == '!') ShowMessage(text, MessageStyle{});
        }
        app.headless->FinishOutput();
        std::rewind(out);
        std::string written;
        for (int ch; (ch = std::fgetc(out)) != EOF;) written += static_cast<char>(ch);
        std::fclose(out);
        EXPECT_EQ(written, c.expected) << (c.terminal ? "terminal" : "file");
        // The record keeps one entry per line, with its last text, whatever the stream is.
        const std::vector<std::string> lines = {"Create Image 107", "Processing line 3", "Done"};
        EXPECT_EQ(app.headless->EchoedLines(), lines);
    }
}

TEST(HeadlessUi, DialogsMatchByCaptionOrByTheirTexts) {
    TestApp app;
    auto make = [] {
        return Dialog(DialogDecl{132, "Confirm Operation Details",
                                 {StaticControl("Please check the requested operation details in the main window. "),
                                  ButtonControl(kIdOk, "GO", true), ButtonControl(kIdCancel, "Cancel")}});
    };
    app.headless->AddAnswer(Answer("Confirm Operation", "GO"));
    app.headless->AddAnswer(Answer("in the main window", "#1"));
    app.headless->AddAnswer(Answer("*", "Cancel"));
    Dialog a = make(), b = make(), c = make(), d = make();
    EXPECT_EQ(a.RunModal(), kIdOk);
    EXPECT_EQ(b.RunModal(), kIdOk);
    EXPECT_EQ(c.RunModal(), kIdCancel);
    EXPECT_EQ(d.RunModal(), kIdCancel);  // nothing left: cancelled
    const auto& seen = app.headless->Interactions();
    EXPECT_TRUE(seen[2].scripted);
    EXPECT_FALSE(seen[3].scripted);
}

TEST(HeadlessUi, AnswersAreTakenInOrderSkippingOnesForOtherDialogs) {
    TestApp app;
    app.headless->AddAnswer(Answer("Title Page", "OK", {{"Title", "FIRST"}}));
    app.headless->AddAnswer(Answer("Are you SURE", "No"));
    app.headless->AddAnswer(Answer("Title Page", "OK", {{"Title", "SECOND"}}));
    struct TitleDlg : Dialog {
        TitleDlg() : Dialog(DialogDecl{134, "Title Page", {EditControl(140, "Title", 31), ButtonControl(kIdOk, "OK")}}) {}
        void DoDataExchange(Exchange& dx) override { dx.Text(140, title, 31); }
        std::string title = "CUSTOMISED DB";
    };
    TitleDlg one, two;
    one.RunModal();
    two.RunModal();
    EXPECT_EQ(one.title, "FIRST");
    EXPECT_EQ(two.title, "SECOND");
    EXPECT_EQ(ShowMessage("Are you SURE you want to quit", MessageStyle{Buttons::YesNo, Icon::Question, 0}), kIdNo);
}

TEST(HeadlessUi, FileDialogGivesFullPathAndFilterIndex) {
    TestApp app;
    auto dir = std::filesystem::temp_directory_path() / ("plat_fd_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "exists.img") << "x";

    FileDialogRequest open;
    open.title = "Select Image File";
    open.filters = ParseFilterList("Image File [*.img; 0.dat]|*.img;0.dat|All Files [*.*]|*.*||");
    ASSERT_EQ(open.filters.size(), 2u);
    EXPECT_EQ(open.filters[0].patterns, "*.img;0.dat");
    open.initialDir = dir.string();
    open.fileMustExist = true;
    app.headless->AddAnswer(Answer("Select Image", "OK", {{"File name", "missing.img"}}));
    app.headless->AddAnswer(Answer("File not found", "OK"));
    app.headless->AddAnswer(Answer("Select Image", "Open", {{"File name", "exists.img"}, {"Files of type", "All Files [*.*]"}}));
    EXPECT_TRUE(RunFileDialog(open));
    EXPECT_EQ(open.fileName, (dir / "exists.img").string());
    EXPECT_EQ(open.filterIndex, 2);

    FileDialogRequest save;
    save.save = true;
    save.defaultExtension = "img";
    save.fileName = "start";
    app.headless->AddAnswer(Answer("Save As", "Save", {{"File name", dir.string() + "/exists"}}));
    app.headless->AddAnswer(Answer("already exists", "No"));
    EXPECT_FALSE(RunFileDialog(save));  // refused overwrite, then no answer: cancelled
    EXPECT_EQ(save.fileName, "start");
    std::filesystem::remove_all(dir);
}

TEST(HeadlessUi, FontDialogChangesFaceHeightAndWeight) {
    TestApp app;
    FontDialogRequest req;
    req.font = Font{"Courier New", 16, 0, 500, false, false, Pitch::Fixed};
    req.fixedPitchOnly = true;
    app.headless->AddAnswer(Answer("Font", "OK", {{"Font", "Lucida Console"}, {"Size", "20"}, {"Bold", "1"}}));
    EXPECT_TRUE(RunFontDialog(req));
    EXPECT_EQ(req.font.face, "Lucida Console");
    EXPECT_EQ(req.font.height, 20);
    EXPECT_EQ(req.font.weight, 500);  // already above normal: kept
    EXPECT_EQ(req.font.pitch, Pitch::Fixed);
    FontDialogRequest cancelled = req;
    EXPECT_FALSE(RunFontDialog(cancelled));
    EXPECT_EQ(cancelled.font, req.font);
}

TEST(HeadlessUi, ClipboardAndItsFailures) {
    TestApp app;
    EXPECT_TRUE(CopyTextToClipboard("line 1\r\nline 2\r\n"));
    Clipboard& cb = app.GetUi().GetClipboard();
    EXPECT_EQ(cb.GetText().value_or(""), "line 1\r\nline 2\r\n");
    EXPECT_FALSE(cb.IsOpen());

    app.headless->HeadlessClipboardRef().FailEmpty(true);
    EXPECT_FALSE(CopyTextToClipboard("x"));
    EXPECT_FALSE(cb.IsOpen());
    EXPECT_NE(cb.LastError(), 0);
    app.headless->HeadlessClipboardRef().FailEmpty(false);

    ASSERT_TRUE(cb.Open());
    EXPECT_FALSE(cb.Open());  // held
    cb.Close();
    EXPECT_FALSE(cb.SetText("closed"));
}

TEST(HeadlessUi, WaitCursorIsCounted) {
    TestApp app;
    {
        WaitCursor outer;
        EXPECT_TRUE(app.headless->WaitCursorShown());
        {
            WaitCursor inner;
        }
        EXPECT_TRUE(app.headless->WaitCursorShown());
    }
    EXPECT_FALSE(app.headless->WaitCursorShown());
    EndWaitCursor();  // unbalanced end: stays off
    EXPECT_FALSE(app.headless->WaitCursorShown());
}

}  // namespace
}  // namespace platform

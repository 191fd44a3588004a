// The headless backend: no windows. Dialogs and message boxes take scripted
// answers; with none left a message box takes its default button and a
// dialog is cancelled. Listing lines go to standard output, message box
// texts to standard error after the program's name (both as UTF-8), or to
// streams set by the program. A last line that is replaced in place (progress)
// is rewritten in place on a terminal; on a file or pipe it is held back and
// written once, with its final text, when the next line comes, before a
// message, or at the end of the output.
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Answers.h"
#include "platform/HeadlessDC.h"
#include "platform/Ui.h"

namespace platform {

class HeadlessDriver;

// What happened in one modal interaction, for tests and traces.
struct Interaction {
    enum class Kind { MessageBox, Dialog, FileDialog, FontDialog, PrintDialog, PrintSetup };
    Kind kind = Kind::MessageBox;
    std::string caption;
    std::string text;      // message box text
    int result = 0;        // button id pressed / dialog result
    bool scripted = false; // an answer was used (else the fallback)
};

struct PrintedJob {
    std::string documentName;
    bool preview = false;
    bool ok = false;
    std::vector<RecordedPage> pages;
};

class HeadlessClipboard : public Clipboard {
public:
    bool Open() override;
    bool Empty() override;
    bool SetText(const std::string& text) override;
    std::optional<std::string> GetText() const override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    int LastError() const override { return lastError_; }
    // Makes the next Open/Empty/SetText fail (for tests of error paths).
    void FailOpen(bool fail) { failOpen_ = fail; }
    void FailEmpty(bool fail) { failEmpty_ = fail; }
    void FailSet(bool fail) { failSet_ = fail; }

private:
    std::optional<std::string> text_;
    bool open_ = false;
    int lastError_ = 0;
    bool failOpen_ = false, failEmpty_ = false, failSet_ = false;
};

class HeadlessUi : public Ui {
public:
    HeadlessUi();
    ~HeadlessUi() override;

    // Answers are used in order: each interaction takes the first remaining
    // answer that matches it.
    void AddAnswer(ScriptedAnswer answer);
    void AddAnswers(std::vector<ScriptedAnswer> answers);
    // False with error set when the file is missing or malformed.
    bool LoadAnswers(const std::string& path, std::string& error);
    std::size_t AnswersLeft() const { return answers_.Size(); }
    // The test-driver statements run whenever the loop would end (see HeadlessDriver.h);
    // false with error set when the file is missing or malformed.
    bool LoadDriver(const std::string& path, std::string& error);

    // Where lines and message texts go (default stdout and stderr); null: nowhere.
    void SetStreams(std::FILE* lines, std::FILE* messages);
    // Whether the lines stream is a terminal (found when the streams are set).
    void SetLinesTerminal(bool terminal) { linesTerminal_ = terminal; }
    // The echoed lines as they stand: a replaced line holds its last text, in the place of the
    // line it replaced (the last 10000 to 20000 lines of a long run).
    const std::vector<std::string>& EchoedLines() const { return echoed_; }
    const std::vector<Interaction>& Interactions() const { return interactions_; }
    const std::vector<PrintedJob>& PrintedJobs() const { return jobs_; }
    // Size of every view's client area (default 800 x 600).
    void SetClientSize(Size size) { clientSize_ = size; }
    HeadlessClipboard& HeadlessClipboardRef() { return clipboard_; }
    bool WaitCursorShown() const { return waitShown_; }
    int WaitCursorChanges() const { return waitChanges_; }
    // Records what views paint (off by default); LastPaint gives a view's last paint.
    void RecordPaints(bool on) { recordPaints_ = on; }
    const std::vector<DrawRecord>& LastPaint(const View& view) const;

    bool IsHeadless() const override { return true; }
    bool WaitForEvents(App& app, const Clock::time_point* deadline, bool holds) override;
    void WakeUp() override;
    void PaintInvalid() override;

    void FrameCreated(Frame& frame) override;
    void FrameDestroyed(Frame& frame) override;
    void FrameChanged(Frame&) override {}
    bool GetPlacement(const Frame& frame, WindowPlacement& placement) const override;
    void SetPlacement(Frame& frame, const WindowPlacement& placement) override;
    ShowState GetShowState(const Frame& frame) const override;
    void Show(Frame& frame, ShowState state) override;
    Rect ViewClientRect(const View& view) const override;
    void ViewInvalidated(View&) override {}
    void ViewScrolled(View&) override {}
    void UpdateView(View& view) override;
    std::unique_ptr<DeviceContext> CreateViewDC(View& view) override;

    int RunDialog(Dialog& dialog) override;
    int ShowMessage(std::string_view text, std::string_view caption,
                    const MessageStyle& style) override;
    bool RunFileDialog(FileDialogRequest& request) override;
    bool RunFontDialog(FontDialogRequest& request) override;

    bool RunPrintDialog(PrintInfo& info) override;
    std::unique_ptr<DeviceContext> CreatePrinterDC(const PrintInfo& info) override;
    void PrintJobDone(DeviceContext& dc, const PrintInfo& info, bool ok) override;
    bool RunPrintSetup() override;
    const PrinterSettings& Printer() const override { return printer_; }

    Clipboard& GetClipboard() override { return clipboard_; }
    void SetWaitCursor(bool on) override;
    void EchoLine(std::string_view line) override;
    void EchoReplacedLine(std::string_view line) override;
    void FinishOutput() override;
    void SetProgramName(const std::string& name) override { programName_ = name; }

private:
    struct FrameState {
        WindowPlacement placement;
        ShowState show = ShowState::Normal;
        bool created = false;
    };
    void Report(const std::string& text);
    void Message(std::string_view text);
    void Record(std::string_view line, bool replacesLast);
    void Echo(std::string_view line, bool replacesLast);
    void WriteLine(std::string_view line, const char* before, const char* after);
    void PaintView(View& view);
    void RunStep(App& app, const DriveStep& step);

    AnswerQueue answers_;
    std::unique_ptr<HeadlessDriver> driver_;
    std::FILE* lines_;
    std::FILE* messages_;
    std::string programName_;
    bool linesTerminal_ = false;
    bool lineOpen_ = false;     // terminal: the last line was written without its line end
    bool holding_ = false;      // file or pipe: held_ is not written yet
    std::string held_;
    std::vector<std::string> echoed_;
    std::vector<Interaction> interactions_;
    std::vector<PrintedJob> jobs_;
    std::map<const Frame*, FrameState> frames_;
    std::map<const View*, std::vector<DrawRecord>> paints_;
    Size clientSize_{800, 600};
    HeadlessClipboard clipboard_;
    PrinterSettings printer_;
    bool waitShown_ = false;
    int waitChanges_ = 0;
    bool recordPaints_ = false;
};

}  // namespace platform

// The interface every user interaction goes through. Two implementations:
// HeadlessUi (scripted answers, terminal output) and the Qt window backend (platform/qt).
// Program code never talks to a backend directly: it uses App, Frame, View,
// Dialog, ShowMessage, RunFileDialog, RunFontDialog, PrintView, the clipboard
// and the wait cursor, which all land here.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Clipboard.h"
#include "platform/DeviceContext.h"
#include "platform/FileDialog.h"
#include "platform/FontDialog.h"
#include "platform/Frame.h"
#include "platform/MessageBox.h"
#include "platform/Printing.h"

namespace platform {

class App;
class Dialog;
class View;

class Ui {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~Ui() = default;

    virtual bool IsHeadless() const = 0;

    // Loop: waits until an event may be there, a post arrives (WakeUp) or
    // the deadline (null: none). Returns false when nothing can come any
    // more (the headless backend without a deadline and without holds): the
    // loop then ends.
    virtual bool WaitForEvents(App& app, const Clock::time_point* deadline, bool holds) = 0;
    // Called by Post from any thread.
    virtual void WakeUp() = 0;
    // Paints the views that are invalid (called by the loop while the queue is empty).
    virtual void PaintInvalid() = 0;
    // Called by the loop before each turn: a window backend handles the window system's
    // pending events here without waiting, so input is seen while idle work runs. True when
    // the user did something since the last call (during WaitForEvents too): the loop then
    // idles again from count 0, as after a dispatched message.
    virtual bool PumpEvents() { return false; }

    // Windows of frames and views.
    virtual void FrameCreated(Frame& frame) = 0;
    virtual void FrameDestroyed(Frame& frame) = 0;
    virtual void FrameChanged(Frame& frame) = 0;  // title, menu, toolbar, panes
    virtual bool GetPlacement(const Frame& frame, WindowPlacement& placement) const = 0;
    virtual void SetPlacement(Frame& frame, const WindowPlacement& placement) = 0;
    virtual ShowState GetShowState(const Frame& frame) const = 0;
    virtual void Show(Frame& frame, ShowState state) = 0;
    // Lays out the child frames' windows of a main frame.
    virtual void ArrangeChildren(Frame& /*frame*/, ChildArrangement /*how*/) {}
    virtual Rect ViewClientRect(const View& view) const = 0;
    virtual void ViewInvalidated(View& view) = 0;
    virtual void ViewScrolled(View& view) = 0;
    virtual void UpdateView(View& view) = 0;  // paint now when invalid
    virtual std::unique_ptr<DeviceContext> CreateViewDC(View& view) = 0;

    // Modal interaction.
    virtual int RunDialog(Dialog& dialog) = 0;  // returns the dialog's result
    virtual int ShowMessage(std::string_view text, std::string_view caption,
                            const MessageStyle& style) = 0;
    virtual bool RunFileDialog(FileDialogRequest& request) = 0;
    virtual bool RunFontDialog(FontDialogRequest& request) = 0;

    // Printing: the print dialog (page range), the printer context of a job,
    // the end of a job (preview or printed) and printer setup.
    virtual bool RunPrintDialog(PrintInfo& info) = 0;
    virtual std::unique_ptr<DeviceContext> CreatePrinterDC(const PrintInfo& info) = 0;
    virtual void PrintJobDone(DeviceContext& dc, const PrintInfo& info, bool ok) = 0;
    virtual bool RunPrintSetup() = 0;
    virtual const PrinterSettings& Printer() const = 0;

    virtual Clipboard& GetClipboard() = 0;
    virtual void SetWaitCursor(bool on) = 0;

    // Listing and log lines (Windows-1252): a line added, and the new text of the last line
    // replaced in place.
    virtual void EchoLine(std::string_view line) = 0;
    virtual void EchoReplacedLine(std::string_view line) { EchoLine(line); }
    // The end of the program's output: a line still held back is written.
    virtual void FinishOutput() {}
    // The name that starts the program's messages on a terminal stream ("brondel").
    virtual void SetProgramName(const std::string&) {}
};

// The backend for a run: headless when asked or when there is no display.
// A window backend registers itself through SetWindowUiFactory; until one is
// there the headless backend is used everywhere. The factory takes the answer
// file (may be empty) and returns null when it cannot run here: with error
// empty the headless backend is used instead, with error set the run fails.
using UiFactory = std::unique_ptr<Ui> (*)(const std::string& answersFile, std::string& error);
void SetWindowUiFactory(UiFactory factory);
std::unique_ptr<Ui> CreateUi(bool headless, const std::string& answersFile, std::string& error);

}  // namespace platform

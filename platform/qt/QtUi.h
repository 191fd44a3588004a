// The Qt 6 Widgets backend of the layer: frames are main windows with menus, toolbar and
// status bar, views are scroll areas painted through QtDC, dialogs are rendered from their
// declarations, and the layer's loop handles Qt's events between its own turns.
#pragma once

#include <QPointer>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "platform/qt/QtAnswers.h"
#include "platform/qt/QtClipboard.h"

class QApplication;
class QDialog;
class QObject;
class QTimer;
class QWidget;

namespace platform::qt {

class QtDriver;
class QtFrameWindow;
class QtPrintSupport;
class QtViewWidget;

class QtUi : public Ui {
public:
    QtUi();
    ~QtUi() override;

    // True when a window system can be reached here (a display is set and answers).
    static bool DisplayReachable();

    QtAnswers& Answers() { return answers_; }
    // Statements of a test driver (see QtDriver), run while the program waits for the user.
    void SetDriver(std::unique_ptr<QtDriver> driver);

    // The window dialogs are modal to: the active frame's window (null before there is one).
    QWidget* DialogParent() const;
    // Runs a modal window with the layer's modal bookkeeping: no wait cursor over it, and
    // posted messages and timers still delivered.
    int ExecModal(QDialog& dialog);
    bool InModal() const { return modalDepth_ > 0; }
    // The user did something (a key, a click, a menu pick): the loop idles again from 0.
    void NoteActivity() { userActed_ = true; }
    // Runs a command as a menu pick does; the toolbar and status bar toggles are handled
    // here when no handler knows them.
    void RunCommand(Frame& frame, unsigned id);
    // The command state for menus and toolbar, with the same toggles.
    CommandState QueryCommand(Frame& frame, unsigned id) const;

    QtFrameWindow* WindowOf(const Frame& frame) const;
    QtViewWidget* WidgetOf(const View& view);  // made on first use when the frame has a window
    QtFrameWindow* MainWindow() const;
    // A window that is gone; deleted when the loop is back at its top.
    void Bury(QWidget* widget);

    // Ui
    bool IsHeadless() const override { return false; }
    bool WaitForEvents(App& app, const Clock::time_point* deadline, bool holds) override;
    void WakeUp() override;
    void PaintInvalid() override {}
    bool PumpEvents() override;

    void FrameCreated(Frame& frame) override;
    void FrameDestroyed(Frame& frame) override;
    void FrameChanged(Frame& frame) override;
    bool GetPlacement(const Frame& frame, WindowPlacement& placement) const override;
    void SetPlacement(Frame& frame, const WindowPlacement& placement) override;
    ShowState GetShowState(const Frame& frame) const override;
    void Show(Frame& frame, ShowState state) override;
    Rect ViewClientRect(const View& view) const override;
    void ViewInvalidated(View& view) override;
    void ViewScrolled(View& view) override;
    void UpdateView(View& view) override;
    std::unique_ptr<DeviceContext> CreateViewDC(View& view) override;

    int RunDialog(Dialog& dialog) override;
    int ShowMessage(std::string_view text, std::string_view caption, const MessageStyle& style) override;
    bool RunFileDialog(FileDialogRequest& request) override;
    bool RunFontDialog(FontDialogRequest& request) override;

    bool RunPrintDialog(PrintInfo& info) override;
    std::unique_ptr<DeviceContext> CreatePrinterDC(const PrintInfo& info) override;
    void PrintJobDone(DeviceContext& dc, const PrintInfo& info, bool ok) override;
    bool RunPrintSetup() override;
    const PrinterSettings& Printer() const override;

    Clipboard& GetClipboard() override { return clipboard_; }
    void SetWaitCursor(bool on) override;
    void EchoLine(std::string_view) override {}
    void ArrangeChildren(Frame& frame, ChildArrangement how) override;

private:
    class Waker;
    friend class Waker;
    void OnWake();
    void DispatchWhileModal();
    void CollectGarbage();

    std::unique_ptr<QApplication> ownApp_;
    QtAnswers answers_;
    QtClipboard clipboard_;
    std::unique_ptr<QtPrintSupport> printing_;
    std::unique_ptr<QtDriver> driver_;
    std::unique_ptr<QObject> waker_;
    std::unique_ptr<QTimer> deadline_;
    std::unique_ptr<QTimer> modalTicks_;
    std::map<const Frame*, QtFrameWindow*> windows_;
    std::map<const Frame*, WindowPlacement> pending_;
    std::map<const View*, QtViewWidget*> views_;
    std::vector<QPointer<QWidget>> graveyard_;
    std::atomic<bool> wakePending_{false};
    int modalDepth_ = 0;
    bool userActed_ = false;
    bool waiting_ = false;      // in WaitForEvents: the program waits for the user
    bool driverArmed_ = false;  // the driver's next statement is timed
    bool waitCursor_ = false;
    Clock::time_point lastPump_{};
    Clock::time_point lastStates_{};
};

// Registers the backend's factory (done once at start-up by the backend's own object file).
void RegisterQtBackend();

}  // namespace platform::qt

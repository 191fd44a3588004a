#include "platform/qt/QtUi.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QTimer>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/App.h"
#include "platform/Dialog.h"
#include "platform/Frame.h"
#include "platform/View.h"
#include "platform/qt/QtDialogWindow.h"
#include "platform/qt/QtDriver.h"
#include "platform/qt/QtFrameWindow.h"
#include "platform/qt/QtPrintSupport.h"
#include "platform/qt/QtSystemDialogs.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtViewWidget.h"

namespace platform::qt {
namespace {

constexpr auto kPumpInterval = std::chrono::milliseconds(15);
constexpr auto kStatesInterval = std::chrono::milliseconds(200);
constexpr int kModalTickMs = 20;
const QSize kDefaultWindow(900, 680);

// The arguments the application object keeps for its life.
int g_argc = 1;
char g_arg0[] = "aerosuite";
char* g_argv[] = {g_arg0, nullptr};

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// Answers a declared dialog: fills it in, presses, and when it stays open (a refused value,
// or a button such as Browse-> that does not close it) takes the next matching answer.
class DialogAnswerer {
public:
    DialogAnswerer(QtUi& ui, Dialog& dialog, QtDialogWindow& window) : ui_(ui), dialog_(dialog), window_(window) {}

    void Arm() {
        if (dialog_.HasEnded() || !ui_.Answers().Take(dialog_.Caption(), DialogTexts(dialog_), answer_)) return;
        ui_.Answers().WhenShown(
            window_,
            [this] {
                ApplyAnswerValues(dialog_, answer_, [this](const std::string& why) { ui_.Answers().Report(why); });
                if (dialog_.HasEnded()) window_.done(dialog_.Result());
                else window_.SyncFromState();
            },
            [this] {
                if (!window_.isVisible() || dialog_.HasEnded()) return;
                int id = AnswerDialogButton(dialog_, answer_);
                if (id == 0 || !window_.Press(id)) {
                    ui_.Answers().Report(AnswerWhere(answer_) + "no button '" + answer_.press +
                                         "' to press in dialog '" + dialog_.Caption() + "'");
                }
                if (!dialog_.HasEnded()) Arm();
            });
    }

private:
    QtUi& ui_;
    Dialog& dialog_;
    QtDialogWindow& window_;
    ScriptedAnswer answer_;
};

// Whether an X display answers, tried through the X client library that the Qt platform
// plugin loads too (absent library: taken as reachable, Qt decides).
bool XDisplayAnswers(const char* display) {
    void* lib = ::dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!lib) return true;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(::dlsym(lib, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(::dlsym(lib, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(::dlsym(lib, "xcb_disconnect"));
    bool ok = true;
    if (connect && hasError && disconnect) {
        void* c = connect(display, nullptr);
        ok = c && hasError(c) == 0;
        if (c) disconnect(c);
    }
    ::dlclose(lib);
    return ok;
}

}  // namespace

// Wakes the loop from any thread; in a modal window it also delivers the layer's messages.
class QtUi::Waker : public QObject {
public:
    explicit Waker(QtUi& ui) : ui_(ui) {}
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) return QObject::event(e);
        ui_.OnWake();
        return true;
    }

private:
    QtUi& ui_;
};

bool QtUi::DisplayReachable() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    std::string qpa = platform ? platform : "";
    if (!qpa.empty() && qpa.rfind("xcb", 0) != 0) return true;  // the user chose the platform
    const char* display = std::getenv("DISPLAY");
    if (display && *display) return XDisplayAnswers(display);
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!qpa.empty() || !wayland || !*wayland) return false;
    // Only when the Wayland platform plugin is installed.
    QDir plugins(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
    return !plugins.entryList({"libqwayland*"}, QDir::Files).isEmpty();
}

QtUi::QtUi() {
    if (!QApplication::instance()) {
        ownApp_ = std::make_unique<QApplication>(g_argc, g_argv);
        QApplication::setStyle("Fusion");
    }
    QApplication::setQuitOnLastWindowClosed(false);
    if (App* app = App::Current(); app && !app->AppName().empty()) {
        QApplication::setApplicationName(From1252(app->AppName()));
    }
    printing_ = std::make_unique<QtPrintSupport>(*this);
    waker_ = std::make_unique<Waker>(*this);
    deadline_ = std::make_unique<QTimer>();
    deadline_->setSingleShot(true);
    deadline_->setTimerType(Qt::PreciseTimer);
    modalTicks_ = std::make_unique<QTimer>();
    modalTicks_->setInterval(kModalTickMs);
    QObject::connect(modalTicks_.get(), &QTimer::timeout, [this] { DispatchWhileModal(); });
}

QtUi::~QtUi() {
    driver_.reset();
    for (auto& [frame, window] : windows_) {
        window->Detach();
        Bury(window);
    }
    windows_.clear();
    for (auto& [view, widget] : views_) widget->Detach();
    views_.clear();
    CollectGarbage();
    if (waitCursor_) QApplication::restoreOverrideCursor();
    modalTicks_.reset();
    deadline_.reset();
    waker_.reset();
    printing_.reset();
    ownApp_.reset();
}

void QtUi::SetDriver(std::unique_ptr<QtDriver> driver) { driver_ = std::move(driver); }

// ---- The loop --------------------------------------------------------------------------------

bool QtUi::WaitForEvents(App&, const Clock::time_point* deadline, bool) {
    CollectGarbage();
    if (driver_ && driver_->HasWork() && !driverArmed_) {
        driverArmed_ = true;
        QTimer::singleShot(driver_->Delay(), waker_.get(), [this] {
            driverArmed_ = false;
            // Only while the program waits for the user at the top of its loop; else the
            // next wait arms it again.
            if (waiting_ && !InModal() && driver_ && driver_->HasWork()) driver_->RunNext();
        });
    }
    if (deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
        if (left <= 0) return true;
        deadline_->start(static_cast<int>(std::min<long long>(left + 1, 24LL * 3600 * 1000)));
    }
    waiting_ = true;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    waiting_ = false;
    deadline_->stop();
    return true;
}

void QtUi::WakeUp() {
    if (!wakePending_.exchange(true)) QCoreApplication::postEvent(waker_.get(), new QEvent(QEvent::User));
}

void QtUi::OnWake() {
    wakePending_ = false;
    DispatchWhileModal();
}

void QtUi::DispatchWhileModal() {
    if (modalDepth_ == 0) return;
    if (App* app = App::Current()) app->DispatchPending();
}

bool QtUi::PumpEvents() {
    auto now = Clock::now();
    if (now - lastPump_ >= kPumpInterval) {
        lastPump_ = now;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        CollectGarbage();
    }
    if (now - lastStates_ >= kStatesInterval) {
        // Long idle work never returns to idle turn 0: the toolbar (STOP/RESET) still follows.
        lastStates_ = now;
        for (auto& [frame, window] : windows_) {
            if (!frame->IsChild()) window->RefreshStates();
        }
    }
    bool acted = userActed_;
    userActed_ = false;
    return acted;
}

int QtUi::ExecModal(QDialog& dialog) {
    ++modalDepth_;
    if (modalDepth_ == 1) modalTicks_->start();
    if (waitCursor_) QApplication::setOverrideCursor(Qt::ArrowCursor);
    int result = dialog.exec();
    if (waitCursor_) QApplication::restoreOverrideCursor();
    if (--modalDepth_ == 0) modalTicks_->stop();
    NoteActivity();
    return result;
}

void QtUi::Bury(QWidget* widget) {
    if (!widget) return;
    widget->hide();
    graveyard_.emplace_back(widget);
}

void QtUi::CollectGarbage() {
    if (InModal()) return;
    std::vector<QPointer<QWidget>> dead = std::move(graveyard_);
    graveyard_.clear();
    for (auto& w : dead) delete w.data();
}

// ---- Commands --------------------------------------------------------------------------------

CommandState QtUi::QueryCommand(Frame& frame, unsigned id) const {
    CommandState state;
    state.id = id;
    App* app = App::Current();
    bool known = app && app->RouteQuery(state);
    if (known) return state;
    QtFrameWindow* window = WindowOf(frame.IsChild() && frame.Parent() ? *frame.Parent() : frame);
    state.enabled = false;
    if (window && id == kCmdViewToolbar) {
        auto bars = window->findChildren<QToolBar*>();
        state.enabled = !bars.isEmpty();
        state.checked = state.enabled && bars.front()->isVisible();
    } else if (window && id == kCmdViewStatusBar) {
        state.enabled = true;
        state.checked = window->statusBar()->isVisible();
    }
    return state;
}

void QtUi::RunCommand(Frame& frame, unsigned id) {
    NoteActivity();
    App* app = App::Current();
    if (!app) return;
    CommandState state;
    state.id = id;
    if (app->RouteQuery(state)) {
        app->RouteCommand(id);
        return;
    }
    QtFrameWindow* window = WindowOf(frame.IsChild() && frame.Parent() ? *frame.Parent() : frame);
    if (!window) return;
    if (id == kCmdViewToolbar) {
        for (QToolBar* bar : window->findChildren<QToolBar*>()) bar->setVisible(!bar->isVisible());
    } else if (id == kCmdViewStatusBar) {
        window->statusBar()->setVisible(!window->statusBar()->isVisible());
    }
    window->RefreshStates();
}

// ---- Frames ----------------------------------------------------------------------------------

QtFrameWindow* QtUi::WindowOf(const Frame& frame) const {
    auto it = windows_.find(&frame);
    return it == windows_.end() ? nullptr : it->second;
}

QtFrameWindow* QtUi::MainWindow() const {
    App* app = App::Current();
    Frame* main = app ? app->MainFrame() : nullptr;
    if (main) return WindowOf(*main);
    for (const auto& [frame, window] : windows_) {
        if (!frame->IsChild()) return window;
    }
    return nullptr;
}

QWidget* QtUi::DialogParent() const {
    QWidget* active = QApplication::activeModalWidget();
    if (active) return active;
    QtFrameWindow* main = MainWindow();
    return main && main->isVisible() ? main : nullptr;
}

QtViewWidget* QtUi::WidgetOf(const View& view) {
    auto it = views_.find(&view);
    if (it != views_.end()) return it->second;
    Frame* frame = view.GetFrame();
    QtFrameWindow* window = frame ? WindowOf(*frame) : nullptr;
    if (!window) return nullptr;
    auto* widget = new QtViewWidget(*this, const_cast<View&>(view), window);
    window->AddViewWidget(widget);
    views_[&view] = widget;
    return widget;
}

void QtUi::FrameCreated(Frame& frame) {
    if (WindowOf(frame)) return;
    QtFrameWindow* window;
    if (Frame* parent = frame.Parent(); parent && WindowOf(*parent)) {
        window = new QtFrameWindow(*this, frame);
        QMdiSubWindow* sub = WindowOf(*parent)->DocumentArea()->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        sub->resize(kDefaultWindow * 3 / 4);
    } else {
        window = new QtFrameWindow(*this, frame);
        QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                        : QRect(0, 0, 1024, 768);
        QSize size = kDefaultWindow.boundedTo(screen.size());
        window->resize(size);
        window->move(screen.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    windows_[&frame] = window;
    for (const auto& view : frame.OwnedViews()) WidgetOf(*view);
    if (auto it = pending_.find(&frame); it != pending_.end()) {
        WindowPlacement placement = it->second;
        pending_.erase(it);
        SetPlacement(frame, placement);
    }
}

void QtUi::FrameDestroyed(Frame& frame) {
    pending_.erase(&frame);
    for (const auto& view : frame.OwnedViews()) {
        if (auto it = views_.find(view.get()); it != views_.end()) {
            it->second->Detach();
            views_.erase(it);
        }
    }
    auto it = windows_.find(&frame);
    if (it == windows_.end()) return;
    QtFrameWindow* window = it->second;
    windows_.erase(it);
    window->Detach();
    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    Bury(sub ? static_cast<QWidget*>(sub) : window);
    if (Frame* parent = frame.Parent()) {
        if (QtFrameWindow* main = WindowOf(*parent)) main->Refresh();
    }
}

void QtUi::FrameChanged(Frame& frame) {
    QtFrameWindow* window = WindowOf(frame);
    if (!window) return;
    window->Refresh();
    if (Frame* parent = frame.Parent()) {
        if (QtFrameWindow* main = WindowOf(*parent)) main->Refresh();
    }
    if (!window->WasShown() && frame.IsWindowCreated()) {
        window->MarkShown();
        QWidget* shown = window;
        if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget())) {
            window->show();
            shown = sub;
        }
        if (window->windowState() & Qt::WindowMaximized) shown->showMaximized();
        else shown->show();
        if (View* view = frame.ActiveView()) {
            if (QtViewWidget* w = WidgetOf(*view)) w->setFocus(Qt::ActiveWindowFocusReason);
        }
    }
}

bool QtUi::GetPlacement(const Frame& frame, WindowPlacement& placement) const {
    QtFrameWindow* window = WindowOf(frame);
    if (!window) return false;
    QWidget* w = window->parentWidget() && !window->isWindow() ? window->parentWidget() : window;
    QRect r = (w->isMaximized() || w->isMinimized()) ? w->normalGeometry() : w->geometry();
    if (r.isEmpty()) r = w->geometry();
    placement.flags = 0;
    placement.showCmd = static_cast<unsigned>(GetShowState(frame));
    if (placement.showCmd == 0) placement.showCmd = 1;
    placement.minPosition = {-1, -1};
    placement.maxPosition = {-1, -1};
    placement.normal = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    return true;
}

void QtUi::SetPlacement(Frame& frame, const WindowPlacement& placement) {
    QtFrameWindow* window = WindowOf(frame);
    if (!window) {
        pending_[&frame] = placement;
        return;
    }
    QWidget* w = window->parentWidget() && !window->isWindow() ? window->parentWidget() : window;
    QRect r(placement.normal.left, placement.normal.top, placement.normal.Width(), placement.normal.Height());
    if (r.width() >= 200 && r.height() >= 150 && r.width() <= 20000 && r.height() <= 20000) {
        // Keep the window reachable when the stored place is on no screen now.
        bool visible = !window->isWindow();
        for (QScreen* s : QGuiApplication::screens()) visible = visible || s->availableGeometry().intersects(r);
        if (!visible && QGuiApplication::primaryScreen()) r.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
        w->setGeometry(r);
    }
    Qt::WindowStates state = w->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized);
    if (placement.showCmd == 3) state |= Qt::WindowMaximized;
    else if (window->WasShown() && (placement.showCmd == 2 || placement.showCmd == 6 || placement.showCmd == 7)) {
        state |= Qt::WindowMinimized;
    }
    w->setWindowState(state);
    if (window->WasShown() && placement.showCmd == 0) w->hide();
}

ShowState QtUi::GetShowState(const Frame& frame) const {
    QtFrameWindow* window = WindowOf(frame);
    if (!window) {
        auto it = pending_.find(&frame);
        return it == pending_.end() ? ShowState::Hidden : static_cast<ShowState>(std::min(it->second.showCmd, 3u));
    }
    QWidget* w = window->parentWidget() && !window->isWindow() ? window->parentWidget() : window;
    if (w->isMinimized()) return ShowState::Minimized;
    if (w->isMaximized()) return ShowState::Maximized;
    return w->isVisible() || !window->WasShown() ? ShowState::Normal : ShowState::Hidden;
}

void QtUi::ArrangeChildren(Frame& frame, ChildArrangement how) {
    QtFrameWindow* window = WindowOf(frame);
    if (!window) return;
    QMdiArea* area = window->DocumentArea();
    switch (how) {
    case ChildArrangement::Tile: area->tileSubWindows(); break;
    case ChildArrangement::Cascade: area->cascadeSubWindows(); break;
    case ChildArrangement::ArrangeIcons: {
        // Minimised windows in a row along the bottom edge.
        int x = 0;
        for (QMdiSubWindow* sub : area->subWindowList()) {
            if (!sub->isMinimized()) continue;
            sub->move(x, area->viewport()->height() - sub->height());
            x += sub->width();
        }
        break;
    }
    }
}

void QtUi::Show(Frame& frame, ShowState state) {
    QtFrameWindow* window = WindowOf(frame);
    if (!window) return;
    QWidget* w = window->parentWidget() && !window->isWindow() ? window->parentWidget() : window;
    window->MarkShown();
    switch (state) {
    case ShowState::Hidden: w->hide(); break;
    case ShowState::Normal: w->showNormal(); break;
    case ShowState::Minimized: w->showMinimized(); break;
    case ShowState::Maximized: w->showMaximized(); break;
    }
}

// ---- Views -----------------------------------------------------------------------------------

Rect QtUi::ViewClientRect(const View& view) const {
    auto it = views_.find(&view);
    if (it == views_.end()) return Rect{0, 0, 800, 600};
    QSize s = it->second->viewport()->size();
    return Rect{0, 0, s.width(), s.height()};
}

void QtUi::ViewInvalidated(View& view) {
    QtViewWidget* w = WidgetOf(view);
    if (w && !w->Painting()) w->viewport()->update(ToQRect(view.InvalidRect()));
}

void QtUi::ViewScrolled(View& view) {
    if (QtViewWidget* w = WidgetOf(view)) w->SyncScrollBars();
}

void QtUi::UpdateView(View& view) {
    QtViewWidget* w = WidgetOf(view);
    if (w && !w->Painting() && w->isVisible() && view.IsInvalid()) w->viewport()->repaint(ToQRect(view.InvalidRect()));
}

std::unique_ptr<DeviceContext> QtUi::CreateViewDC(View& view) {
    QtViewWidget* w = WidgetOf(view);
    QScreen* screen = w && w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    QSize size = screen ? screen->size() : QSize(1024, 768);
    int dpi = screen ? static_cast<int>(screen->logicalDotsPerInchY()) : 96;
    return std::make_unique<QtDC>(w ? w->viewport() : nullptr, nullptr, false, size, dpi);
}

// ---- Modal interaction -----------------------------------------------------------------------

int QtUi::RunDialog(Dialog& dialog) {
    QtDialogWindow window(dialog, DialogParent());
    DialogAnswerer answerer(*this, dialog, window);
    answerer.Arm();
    ExecModal(window);
    if (!dialog.HasEnded()) dialog.End(kIdCancel);
    return dialog.Result();
}

int QtUi::ShowMessage(std::string_view text, std::string_view caption, const MessageStyle& style) {
    return RunQtMessageBox(*this, text, caption, style);
}

bool QtUi::RunFileDialog(FileDialogRequest& request) { return RunQtFileDialog(*this, request); }

bool QtUi::RunFontDialog(FontDialogRequest& request) { return RunQtFontDialog(*this, request); }

bool QtUi::RunPrintDialog(PrintInfo& info) { return printing_->RunPrintDialog(info); }

std::unique_ptr<DeviceContext> QtUi::CreatePrinterDC(const PrintInfo& info) { return printing_->CreatePrinterDC(info); }

void QtUi::PrintJobDone(DeviceContext& dc, const PrintInfo& info, bool ok) { printing_->PrintJobDone(dc, info, ok); }

bool QtUi::RunPrintSetup() { return printing_->RunPrintSetup(); }

const PrinterSettings& QtUi::Printer() const { return printing_->Settings(); }

void QtUi::SetWaitCursor(bool on) {
    if (on == waitCursor_) return;
    waitCursor_ = on;
    if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

// ---- The factory -----------------------------------------------------------------------------

namespace {

std::unique_ptr<Ui> MakeQtUi(const std::string& answersFile, std::string& error) {
    if (!QtUi::DisplayReachable()) return nullptr;  // headless instead
    auto ui = std::make_unique<QtUi>();
    if (!answersFile.empty() && !ui->Answers().Load(answersFile, error)) return nullptr;
    if (const char* drive = std::getenv("SUITE_QT_DRIVE"); drive && *drive) {
        auto driver = std::make_unique<QtDriver>(*ui);
        if (!driver->Load(drive, error)) return nullptr;
        ui->SetDriver(std::move(driver));
    }
    return ui;
}

}  // namespace

void RegisterQtBackend() { SetWindowUiFactory(&MakeQtUi); }

}  // namespace platform::qt

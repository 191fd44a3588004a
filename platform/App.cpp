#include "platform/App.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "platform/Document.h"
#include "platform/FileSystem.h"
#include "platform/Frame.h"
#include "platform/HeadlessUi.h"
#include "platform/View.h"

namespace platform {
namespace {
std::atomic<App*> g_current{nullptr};
}

App* App::Current() { return g_current.load(); }

App::App() {
    g_current.store(this);
    Commands().Add(kCmdAppExit, [this] {
        if (mainFrame_) {
            mainFrame_->OnClose();
        } else {
            Quit(exitCode_);
        }
    });
}

App::~App() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
        queue_.clear();
        timers_.clear();
    }
    DestroyDocuments();
    ui_.reset();
    App* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

void App::DestroyDocuments() {
    for (auto& t : templates_) t->CloseAll();
    templates_.clear();
    mainFrame_ = nullptr;
}

void App::SetAppName(std::string name) {
    appName_ = std::move(name);
    settings_.SetProgram(appName_);
}

void App::SetRegistryKey(std::string key) { settings_.SetKey(std::move(key)); }

std::string App::CommandLine() const {
    std::string line;
    for (const auto& a : args_) {
        if (!line.empty()) line += ' ';
        line += a;
    }
    return line;
}

void App::SetUi(std::unique_ptr<Ui> ui) { ui_ = std::move(ui); }

Ui& App::GetUi() {
    if (!ui_) ui_ = std::make_unique<HeadlessUi>();
    return *ui_;
}

int App::Main(int argc, char** argv) {
    if (argc > 0 && argv[0]) programPath_ = argv[0];
    const std::string base = BaseName(programPath_);
    if (appName_.empty()) SetAppName(base.empty() ? "program" : base);
    if (decl_.program.empty()) decl_.program = base.empty() ? appName_ : base;
    args_.clear();
    for (int i = 1; i < argc; ++i) args_.emplace_back(argv[i] ? argv[i] : "");

    auto usageError = [this](const std::string& why) {
        std::fprintf(stderr, "%s: %s\n%s\n", decl_.program.c_str(), why.c_str(), UsageLine(decl_).c_str());
        return kExitUsage;
    };
    LayerOptionsResult layer = TakeLayerOptions(args_, options_);
    if (!layer.ok) return usageError(layer.error);
    const ParsedCommandLine parsed = decl_.checkedByProgram ? ParsedCommandLine() : ParseSwitches(decl_, args_);
    if (!parsed.error.empty()) return usageError(parsed.error);
    if (parsed.action != ParsedCommandLine::Action::Run) {
        const std::string text =
            parsed.action == ParsedCommandLine::Action::Help ? HelpText(decl_) : VersionText(decl_);
        std::fputs(text.c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    std::string error;
    if (!ui_) {
        ui_ = CreateUi(options_.headless || NoDisplayAvailable(), options_.answersFile, error);
    } else if (!options_.answersFile.empty()) {
        if (auto* headless = dynamic_cast<HeadlessUi*>(ui_.get())) {
            if (!headless->LoadAnswers(options_.answersFile, error)) ui_.reset();
        }
    }
    if (!ui_) {
        std::fprintf(stderr, "%s: %s\n", decl_.program.c_str(), error.c_str());
        return kExitUsage;
    }
    ui_->SetProgramName(decl_.program);

    if (InitInstance()) Run();
    int code = ExitInstance();
    ui_->FinishOutput();
    DestroyDocuments();
    return code;
}

int App::ExitInstance() { return exitCode_; }

void App::FrameIdle() {
    // Command states of the main frame's menus and toolbar.
    if (mainFrame_) GetUi().FrameChanged(*mainFrame_);
}

int App::Run() {
    Ui& ui = GetUi();
    long idleCount = 0;
    bool idle = true;
    while (!quit_) {
        if (ui.PumpEvents()) {
            idleCount = 0;
            idle = true;
            if (quit_) break;
        }
        PostDueTimers();
        Message m;
        if (PopMessage(m)) {
            Dispatch(m);
            idleCount = 0;
            idle = true;
            continue;
        }
        ui.PaintInvalid();
        if (quit_) break;
        if (idle) {
            idle = OnIdle(idleCount++);
            continue;
        }
        Clock::time_point due;
        bool hasDue = NextTimerDue(due);
        if (!ui.WaitForEvents(*this, hasDue ? &due : nullptr, holds_.load() > 0)) break;
    }
    return exitCode_;
}

int App::DispatchPending() {
    int count = 0;
    PostDueTimers();
    Message m;
    while (!quit_ && PopMessage(m)) {
        Dispatch(m);
        ++count;
    }
    return count;
}

bool App::Post(MessageTarget* target, unsigned message, WParam wparam, LParam lparam) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closing_) return false;
        queue_.push_back(Message{target, message, wparam, lparam});
    }
    posted_.notify_all();
    if (ui_) ui_->WakeUp();
    return true;
}

bool App::PopMessage(Message& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty()) return false;
    out = queue_.front();
    queue_.pop_front();
    if (out.message == kMsgTimer) {
        for (Timer& t : timers_) {
            if (t.target == out.target && t.id == out.wparam) t.posted = false;
        }
    }
    return true;
}

void App::Dispatch(const Message& m) {
    if (m.target) {
        m.target->OnMessage(m.message, m.wparam, m.lparam);
    } else {
        OnMessage(m.message, m.wparam, m.lparam);
    }
}

bool App::SetTimer(MessageTarget* target, unsigned id, unsigned ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closing_) return false;
    auto period = std::chrono::milliseconds(ms == 0 ? 1 : ms);
    for (Timer& t : timers_) {
        if (t.target == target && t.id == id) {
            t.period = period;
            t.due = Clock::now() + period;
            return true;
        }
    }
    timers_.push_back(Timer{target, id, period, Clock::now() + period, false});
    return true;
}

bool App::KillTimer(MessageTarget* target, unsigned id) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const Timer& t) { return t.target == target && t.id == id; });
    if (it == timers_.end()) return false;
    timers_.erase(it);
    // A tick already queued for a killed timer is not delivered.
    std::erase_if(queue_, [&](const Message& m) {
        return m.message == kMsgTimer && m.target == target && m.wparam == id;
    });
    return true;
}

bool App::HasTimers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !timers_.empty();
}

void App::ForgetTarget(MessageTarget* target) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(queue_, [&](const Message& m) { return m.target == target; });
    std::erase_if(timers_, [&](const Timer& t) { return t.target == target; });
}

void App::PostDueTimers() {
    std::lock_guard<std::mutex> lock(mutex_);
    auto now = Clock::now();
    for (Timer& t : timers_) {
        if (t.posted || t.due > now) continue;
        // One tick at a time, as window timers coalesce missed ticks.
        queue_.push_back(Message{t.target, kMsgTimer, t.id, 0});
        t.posted = true;
        t.due = now + t.period;
    }
}

bool App::NextTimerDue(Clock::time_point& due) const {
    std::lock_guard<std::mutex> lock(mutex_);
    bool found = false;
    for (const Timer& t : timers_) {
        if (t.posted) continue;
        if (!found || t.due < due) due = t.due;
        found = true;
    }
    return found;
}

void App::WaitForPost(const Clock::time_point* deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto ready = [&] {
        return !queue_.empty() || (deadline == nullptr && holds_.load() == 0);
    };
    if (deadline) {
        posted_.wait_until(lock, *deadline, ready);
    } else {
        posted_.wait(lock, ready);
    }
}

void App::Quit(int exitCode) {
    exitCode_ = exitCode;
    quit_ = true;
}

void App::KeepAlive() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++holds_;
}

void App::Release() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (holds_.load() > 0) --holds_;
    }
    posted_.notify_all();
    if (ui_) ui_->WakeUp();
}

DocTemplate& App::AddDocTemplate(std::unique_ptr<DocTemplate> docTemplate) {
    templates_.push_back(std::move(docTemplate));
    return *templates_.back();
}

Document* App::OpenNewDocument() {
    if (templates_.empty()) return nullptr;
    return templates_.front()->OpenNewDocument();
}

View* App::ActiveView() const { return mainFrame_ ? mainFrame_->ActiveView() : nullptr; }

namespace {

// The command route: active view, its document, active child frame, main frame.
template <typename F>
bool WalkRoute(Frame* mainFrame, F&& visit) {
    if (!mainFrame) return false;
    View* view = mainFrame->ActiveView();
    if (view && visit(static_cast<CommandTarget&>(*view))) return true;
    if (view && view->GetDocument() && visit(static_cast<CommandTarget&>(*view->GetDocument()))) return true;
    if (Frame* child = mainFrame->ActiveChild(); child && visit(static_cast<CommandTarget&>(*child))) return true;
    return visit(static_cast<CommandTarget&>(*mainFrame));
}

}  // namespace

bool App::RouteQuery(CommandState& state) const {
    if (WalkRoute(mainFrame_, [&](CommandTarget& t) { return t.QueryCommand(state); })) return true;
    return QueryCommand(state);
}

bool App::RouteCommand(unsigned id) {
    CommandState state;
    state.id = id;
    if (!RouteQuery(state) || !state.enabled) return false;
    if (WalkRoute(mainFrame_, [&](CommandTarget& t) { return t.ExecuteCommand(id); })) return true;
    return ExecuteCommand(id);
}

bool App::OnMessage(unsigned message, WParam wparam, LParam lparam) {
    if (message == kMsgQuit) {
        Quit(static_cast<int>(wparam));
        return true;
    }
    if (message == kMsgCommand) return RouteCommand(static_cast<unsigned>(wparam));
    return CommandTarget::OnMessage(message, wparam, lparam);
}

LoopHold::LoopHold(App* app) : app_(app) {
    if (app_) app_->KeepAlive();
}

LoopHold::~LoopHold() {
    if (app_) app_->Release();
}

}  // namespace platform

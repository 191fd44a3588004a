// The application object: start-up, the message loop with posted messages,
// window timers and idle turns, the document templates and the settings store.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Command.h"
#include "platform/DocTemplate.h"
#include "platform/LayerOptions.h"
#include "platform/Settings.h"
#include "platform/Switches.h"
#include "platform/Ui.h"

namespace platform {

class Frame;
class View;

class App : public CommandTarget {
public:
    using Clock = std::chrono::steady_clock;

    App();
    ~App() override;

    // The one running application object (null when none exists).
    static App* Current();  // any thread

    // Whole run: takes the layer's options off the command line and checks the
    // rest against the program's switches, chooses the user-interface backend
    // (unless SetUi gave one), runs InitInstance, the loop and ExitInstance.
    // Returns the exit code. A wrong switch or layer option prints the program's
    // name, the reason and the usage line to standard error and returns
    // kExitUsage; --help and --version print to standard output and return 0.
    // In these cases InitInstance never runs, so nothing is created.
    int Main(int argc, char** argv);

    // Start-up of the program; false ends the program (exit code as set,
    // 0 unless changed).
    virtual bool InitInstance() { return true; }
    // End of the program; returns the exit code (default: ExitCode()).
    virtual int ExitInstance();

    // Idle work, called while the queue is empty as long as it returns true.
    // count starts at 0 and is reset after each dispatched message. The
    // layer's own work (command states of the main frame) runs at count 0;
    // the base returns count < 1, that is: one more turn after count 0.
    virtual bool OnIdle(long count) {
        if (count <= 0) FrameIdle();
        return count < 1;
    }

    // The loop: dispatch posted messages and due timers, paint, idle turns;
    // waits through the backend when nothing is to do. Ends on Quit, or in
    // the headless backend when nothing is left (no posted message, no
    // timer, no idle work, no KeepAlive hold). Returns the exit code.
    int Run();
    // Dispatches what is queued now (messages and due timers) without waiting
    // or idling; for modal loops of a backend and for tests. Returns the number
    // of messages dispatched.
    int DispatchPending();

    // Thread-safe; a null target addresses the application itself.
    // False when the application is shutting down.
    bool Post(MessageTarget* target, unsigned message, WParam wparam = 0, LParam lparam = 0);
    // Window timers: kMsgTimer with wparam = id goes to the target every ms
    // milliseconds (0 treated as 1) until killed. Setting an existing (target,
    // id) restarts it. UI thread only.
    bool SetTimer(MessageTarget* target, unsigned id, unsigned ms);
    bool KillTimer(MessageTarget* target, unsigned id);
    bool HasTimers() const;
    // Drops queued messages and timers of a target (its destructor calls this).
    void ForgetTarget(MessageTarget* target);

    // Ends the loop after the current message; sets the exit code.
    void Quit(int exitCode);
    bool QuitRequested() const { return quit_; }
    void SetExitCode(int code) { exitCode_ = code; }
    int ExitCode() const { return exitCode_; }

    // A worker thread that will post later keeps the headless loop alive
    // while it holds: call KeepAlive before starting it, Release when done
    // (thread-safe). See LoopHold for the scoped form.
    void KeepAlive();
    void Release();

    // The program's name: message box captions and the settings file name
    // (default: the file name of the program path).
    void SetAppName(std::string name);
    const std::string& AppName() const { return appName_; }
    // Selects the settings folder, e.g. "Local AppWizard-Generated Applications".
    void SetRegistryKey(std::string key);
    Settings& Profile() { return settings_; }

    // The program's command line: its name, version and switches. Without one,
    // the program's name is its file name and every switch is refused.
    void SetCommandLineDecl(CommandLineDecl decl) { decl_ = std::move(decl); }
    const CommandLineDecl& CommandDecl() const { return decl_; }
    // The name that starts the program's messages on standard error ("brondel").
    const std::string& ProgramName() const { return decl_.program; }

    // Command line after the layer's options were taken off.
    const std::vector<std::string>& Args() const { return args_; }
    // The same arguments joined by single blanks (programs that split their
    // command line themselves read this).
    std::string CommandLine() const;
    const std::string& ProgramPath() const { return programPath_; }
    const LayerOptions& Options() const { return options_; }
    // For tests and programs that build their own argument list.
    void SetArgs(std::vector<std::string> args) { args_ = std::move(args); }

    // The user-interface backend. SetUi before Main, or for tests before Run.
    void SetUi(std::unique_ptr<Ui> ui);
    Ui& GetUi();

    // Document templates; the first one added is used by OpenNewDocument.
    DocTemplate& AddDocTemplate(std::unique_ptr<DocTemplate> docTemplate);
    const std::vector<std::unique_ptr<DocTemplate>>& DocTemplates() const { return templates_; }
    // New document of the first template (single-document programs).
    Document* OpenNewDocument();

    // Main frame: set by the first template that makes a frame, or by hand.
    void SetMainFrame(Frame* frame) { mainFrame_ = frame; }
    Frame* MainFrame() const { return mainFrame_; }
    // The main frame's active view (or null).
    View* ActiveView() const;

    // Routes a command as a menu pick does: active view, its document, the
    // frame(s), the application. Returns true when a handler ran; a command
    // whose state is disabled does not run.
    bool RouteCommand(unsigned id);
    // State of a command along the same route; false when nobody knows it.
    bool RouteQuery(CommandState& state) const;

    // Handles kMsgQuit for the application itself and Exit (57665).
    bool OnMessage(unsigned message, WParam wparam, LParam lparam) override;

    // Waits for the next posted message or until the deadline (used by the
    // headless backend's WaitForEvents).
    void WaitForPost(const Clock::time_point* deadline);

private:
    struct Timer {
        MessageTarget* target;
        unsigned id;
        Clock::duration period;
        Clock::time_point due;
        bool posted;  // a kMsgTimer of this timer is queued and not yet seen
    };

    // The idle work of count 0: the main frame's command states.
    void FrameIdle();
    bool PopMessage(Message& out);
    void PostDueTimers();
    bool NextTimerDue(Clock::time_point& due) const;
    void Dispatch(const Message& m);
    void DestroyDocuments();

    std::string appName_;
    std::string programPath_;
    std::vector<std::string> args_;
    CommandLineDecl decl_;
    LayerOptions options_;
    Settings settings_;
    std::unique_ptr<Ui> ui_;
    std::vector<std::unique_ptr<DocTemplate>> templates_;
    Frame* mainFrame_ = nullptr;

    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Message> queue_;
    bool closing_ = false;
    std::vector<Timer> timers_;
    std::atomic<int> holds_{0};
    bool quit_ = false;
    int exitCode_ = 0;
};

// Holds the headless loop open for its lifetime (see App::KeepAlive).
class LoopHold {
public:
    explicit LoopHold(App* app = App::Current());
    ~LoopHold();
    LoopHold(const LoopHold&) = delete;
    LoopHold& operator=(const LoopHold&) = delete;

private:
    App* app_;
};

}  // namespace platform

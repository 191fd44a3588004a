// The serial transfer program's application: its switches, the document template of the log
// document, main window and view, and the start message to the view.
#pragma once

#include "platform/App.h"
#include "transfer/serial/ComSwitches.h"

inline constexpr const char* kWistrelVersion = "1.0.0";

// Exit statuses.
enum ComExitStatus : int {
    kComExitOk = 0,
    kComExitFatal = 1,    // the document or window could not be made, the port or transfer file not opened
    kComExitUsage = 2,    // an unknown switch or a wrong layer option
    kComExitRefused = 3,  // the last setup choice was refused, or the last transfer did not complete
};

class CComView;

class CComApp : public platform::App {
public:
    CComApp();

    bool InitInstance() override;
    int ExitInstance() override;

    ComStartOptions& ComOptions() { return options_; }
    CComView* ComView() const;

    // The idle job: 0 none, 1 or 2 the emulated erase, one step per odd idle turn.
    bool OnIdle(long count) override;
    int IdleJob() const { return idleJob_; }
    void SetIdleJob(int job) { idleJob_ = job; }

private:
    // SIGTERM and SIGINT act as STOP/RESET, then Exit.
    void WatchSignals();

    ComStartOptions options_;
    int idleJob_ = 0;
};

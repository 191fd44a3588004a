// The SD-card program's application: its command line, the log document's template and the
// idle job that drives the copy.
#pragma once

#include "platform/App.h"
#include "transfer/sdcard/CelvaneSwitches.h"

enum CelvaneExitStatus : int {
    kCelvaneExitOk = 0,       // "Operation Complete", or nothing done
    kCelvaneExitFailed = 1,   // a read, write or folder of the copy failed
    kCelvaneExitUsage = 2,    // the command line is wrong
    kCelvaneExitRefused = 3,  // a refusal, Cancel at GO, STOP/RESET
};

enum CelvaneIdleJob { kCelvaneIdleNone = 0, kCelvaneIdleStart = 1, kCelvaneIdleStep = 2, kCelvaneIdleCopy = 3 };

class CCelvaneView;

class CCelvaneApp : public platform::App {
public:
    CCelvaneApp();

    bool InitInstance() override;
    bool OnIdle(long count) override;

    CelvaneOptions& Options() { return options_; }
    CCelvaneView* View() const;
    int idleJob = kCelvaneIdleNone;

private:
    CelvaneOptions options_;
};

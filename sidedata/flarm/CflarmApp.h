// Gindral's application object: the debug level, start-up and the unattended runs of the
// command line.
#pragma once

#include "platform/App.h"
#include "sidedata/flarm/FlarmCommandLine.h"

constexpr unsigned kCmdDebug = 32771;

enum GindralExitStatus : int {
    kGindralExitOk = 0,
    kGindralExitFailed = 1,  // an input could not be read, or nothing was written
    kGindralExitUsage = 2,   // wrong switches
};

class CflarmApp : public platform::App {
public:
    CflarmApp();

    bool InitInstance() override;

    int DebugLevel() const { return debugLevel_; }
    void SetDebugLevel(int level) { debugLevel_ = level; }
    // File>Debug: 0 becomes 3, anything else 0.
    void OnDebug();

    static CflarmApp* Current();

private:
    int debugLevel_ = 0;
};

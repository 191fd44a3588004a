// Trevossa's application: the command line, the unattended run, and the window program with
// one document, its frame and view.
#pragma once

#include "platform/App.h"
#include "platform/Frame.h"
#include "sidedata/obstacles/TrevossaOptions.h"

namespace obstacles {

inline constexpr const char* kTrevossaName = "Trevossa";
inline constexpr const char* kTrevossaVersion = "1.0";

class CMainFrame : public platform::Frame {
public:
    explicit CMainFrame(platform::Settings& profile);
    bool OnCreate() override;
    void OnClose() override;

private:
    platform::Settings& profile_;
};

class CTrevossaApp : public platform::App {
public:
    CTrevossaApp();
    bool InitInstance() override;
    TrevossaOptions& Options() { return options_; }

private:
    TrevossaOptions options_;
};

}  // namespace obstacles

#include "sidedata/flarm/CflarmApp.h"

#include <cstdio>

#include "platform/DocTemplate.h"
#include "platform/MessageBox.h"
#include "sidedata/flarm/CMainFrame.h"
#include "sidedata/flarm/CflarmDoc.h"
#include "sidedata/flarm/CflarmView.h"

CflarmApp::CflarmApp() {
    SetAppName("Gindral");
    // --version takes an optional value: ParseFlarmCommandLine
    SetCommandLineDecl(platform::CheckedByProgram("gindral", "Gindral", kGindralVersion));
    Commands().Add(kCmdDebug, [this] { OnDebug(); },
                   [this](platform::CommandState& s) { s.checked = debugLevel_ != 0; });
    Commands().Add(platform::kCmdAppAbout, [] {
        platform::ShowMessage(std::string("Gindral Version ") + kGindralVersion +
                              "\nFLARM aircraft database converter");
    });
}

CflarmApp* CflarmApp::Current() { return dynamic_cast<CflarmApp*>(platform::App::Current()); }

void CflarmApp::OnDebug() { debugLevel_ = debugLevel_ == 0 ? 3 : 0; }

bool CflarmApp::InitInstance() {
    SetRegistryKey("Local AppWizard-Generated Applications");
    FlarmOptions options;
    std::string error;
    if (!ParseFlarmCommandLine(Args(), options, error)) {
        std::fprintf(stderr, "gindral: %s\n%s\n", error.c_str(), kGindralUsage);
        SetExitCode(kGindralExitUsage);
        return false;
    }
    if (options.help || options.showVersion) {
        if (options.help) std::fputs(FlarmHelpText().c_str(), stdout);
        else std::printf("Gindral %s\n", kGindralVersion);
        return false;
    }
    debugLevel_ = options.debugLevel;
    AddDocTemplate(std::make_unique<platform::DocTemplate>(
        platform::DocTemplate::Kind::Single, 128, [] { return std::make_unique<CflarmDoc>(); },
        [] { return std::make_unique<CMainFrame>(); }, [] { return std::make_unique<CflarmView>(); }, "Gindral"));
    OpenNewDocument();
    auto* view = dynamic_cast<CflarmView*>(ActiveView());
    if (!view) {
        SetExitCode(kGindralExitFailed);
        return false;
    }
    if (options.list || options.convert) {
        SetExitCode(view->RunCommandLine(options));
        return false;
    }
    return true;
}

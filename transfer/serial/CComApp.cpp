#include "transfer/serial/CComApp.h"

#include <cstdio>

#include "platform/DocTemplate.h"
#include "platform/LogView.h"
#include "transfer/common/CComDoc.h"
#include "transfer/serial/CComView.h"
#include "transfer/serial/CMainFrame.h"

CComApp::CComApp() {
    SetAppName("Wistrel");
    // ParseComSwitches: switches are matched by their beginnings
    SetCommandLineSpec(platform::CheckedByProgram("wistrel", "Wistrel", kWistrelVersion));
}

CComView* CComApp::ComView() const { return dynamic_cast<CComView*>(ActiveView()); }

bool CComApp::InitInstance() {
    for (const std::string& arg : Args()) {
        if (arg == "--help") {
            std::printf("%s\n", kComUsage);
            return false;
        }
        if (arg == "--version") {
            std::printf("wistrel %s\n", kWistrelVersion);
            return false;
        }
    }
    std::string unknown;
    if (!ParseComSwitches(Args(), options_, unknown)) {
        std::fprintf(stderr, "wistrel: unknown switch '%s'\n%s\n", unknown.c_str(), kComUsage);
        SetExitCode(kComExitUsage);
        return false;
    }
    SetRegistryKey("Local AppWizard-Generated Applications");
    AddDocTemplate(std::make_unique<platform::DocTemplate>(
        platform::DocTemplate::Kind::Single, 128, [] { return std::make_unique<CComDoc>(); },
        [this] { return std::make_unique<CMainFrame>(*this); }, [this] { return std::make_unique<CComView>(*this); },
        "Wistrel"));
    if (!OpenNewDocument() || !ComView()) {
        SetExitCode(kComExitFatal);
        return false;
    }
    Post(ComView(), platform::kMsgLogStart, options_.server ? 1 : 0, 0);
    return true;
}

int CComApp::ExitInstance() {
    if (ExitCode() != kComExitOk) return ExitCode();
    const CComView* view = ComView();
    return view && view->Refused() ? kComExitRefused : kComExitOk;
}

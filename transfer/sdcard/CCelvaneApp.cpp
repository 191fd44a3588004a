#include "transfer/sdcard/CCelvaneApp.h"

#include <cstdio>

#include "platform/DocTemplate.h"
#include "transfer/common/CComDoc.h"
#include "transfer/sdcard/CCelvaneFrame.h"
#include "transfer/sdcard/CCelvaneView.h"
#include "transfer/sdcard/CelvaneVersion.h"

CCelvaneApp::CCelvaneApp() {
    SetAppName("Celvane");
    SetCommandLineDecl(platform::CheckedByProgram("celvane", "Celvane", kCelvaneVersion));
}

CCelvaneView* CCelvaneApp::View() const { return dynamic_cast<CCelvaneView*>(ActiveView()); }

bool CCelvaneApp::InitInstance() {
    for (const std::string& arg : Args()) {
        if (arg == "--help") {
            std::printf("%s\n", kCelvaneUsage);
            return false;
        }
        if (arg == "--version") {
            std::printf("celvane %s\n", kCelvaneVersion);
            return false;
        }
    }
    std::string unknown;
    if (!ParseCelvaneSwitches(Args(), options_, unknown)) {
        std::fprintf(stderr, "celvane: unknown switch '%s'\n%s\n", unknown.c_str(), kCelvaneUsage);
        SetExitCode(kCelvaneExitUsage);
        return false;
    }
    SetRegistryKey("Local AppWizard-Generated Applications");
    AddDocTemplate(std::make_unique<platform::DocTemplate>(
        platform::DocTemplate::Kind::Single, 128, [] { return std::make_unique<CComDoc>(); },
        [this] { return std::make_unique<CCelvaneFrame>(*this); }, [this] { return std::make_unique<CCelvaneView>(*this); },
        "Celvane"));
    if (!OpenNewDocument() || !View()) {
        SetExitCode(kCelvaneExitFailed);
        return false;
    }
    // The program waits for File > Setup Comms.
    return true;
}

bool CCelvaneApp::OnIdle(long count) {
    const bool more = App::OnIdle(count);
    if (count < 1 || idleJob == kCelvaneIdleNone) return more;
    CCelvaneView* view = View();
    switch (idleJob) {
        case kCelvaneIdleStart:
            if (view) view->copyState = kCopyNextSection;
            idleJob = kCelvaneIdleStep;
            break;
        case kCelvaneIdleStep:
            if (!view || view->CopyDriverStep() == 0) idleJob = kCelvaneIdleNone;
            break;
        case kCelvaneIdleCopy:
            if (!view || view->CopyChunk() == 0) {
                if (idleJob == kCelvaneIdleCopy) idleJob = kCelvaneIdleStep;
            }
            break;
        default:
            idleJob = kCelvaneIdleNone;
            break;
    }
    return true;
}

#include "transfer/usb/CUsbApp.h"

#include <cstdio>

#include "platform/DocTemplate.h"
#include "platform/LogView.h"
#include "platform/MessageBox.h"
#include "transfer/usb/CMainFrame.h"
#include "transfer/usb/CUsbDoc.h"
#include "transfer/usb/CUsbView.h"

CUsbApp::CUsbApp() {
    SetAppName("Norvesk");
    // ParseUsbSwitches: a switch is chosen by its second character
    SetCommandLineDecl(platform::CheckedByProgram("norvesk", "Norvesk", kNorveskVersion));
}

CUsbView* CUsbApp::UsbView() const { return dynamic_cast<CUsbView*>(ActiveView()); }

bool CUsbApp::InitInstance() {
    for (const std::string& arg : Args()) {
        if (arg == "--help") {
            std::printf("%s\n", kUsbUsage);
            return false;
        }
        if (arg == "--version") {
            std::printf("norvesk %s\n", kNorveskVersion);
            return false;
        }
    }
    std::string unknown;
    const UsbSwitchResult parsed = ParseUsbSwitches(Args(), options_, unknown);
    if (parsed != UsbSwitchResult::Ok) {
        std::fprintf(stderr, "norvesk: %s '%s'\n%s\n",
                     parsed == UsbSwitchResult::Unknown ? "unknown switch" : "bad value in", unknown.c_str(), kUsbUsage);
        SetExitCode(kUsbExitUsage);
        return false;
    }
    if (!options_.Consistent()) {
        platform::ShowMessage("Norvesk - Error in commandline");
        SetExitCode(kUsbExitUsage);
        return false;
    }
    SetRegistryKey("Local AppWizard-Generated Applications");
    AddDocTemplate(std::make_unique<platform::DocTemplate>(
        platform::DocTemplate::Kind::Single, 128, [] { return std::make_unique<CUsbDoc>(); },
        [this] { return std::make_unique<CMainFrame>(*this); }, [this] { return std::make_unique<CUsbView>(*this); },
        "Norvesk"));
    if (!OpenNewDocument() || !UsbView()) {
        SetExitCode(kUsbExitLink);
        return false;
    }
    Post(UsbView(), platform::kMsgLogStart, 0, 0);
    return true;
}

bool CUsbApp::OnIdle(long count) {
    const bool more = App::OnIdle(count);
    if (count < 1 || idleJob == kIdleNone) return more;
    // The drive update's steps and copies run here; a step or copy that ends the transfer ends
    // the job.
    CUsbView* view = UsbView();
    switch (idleJob) {
        case kIdleStart:
            idleJob = kIdleStep;
            break;
        case kIdleStep:
            if (!view || view->DriveUpdateStep()) idleJob = kIdleNone;
            break;
        case kIdleCopy:
            if (!view) {
                idleJob = kIdleNone;
            } else if (view->DriveCopyChunk() && idleJob == kIdleCopy) {
                idleJob = kIdleStep;
            }
            break;
        default:
            idleJob = kIdleNone;
            break;
    }
    return true;
}

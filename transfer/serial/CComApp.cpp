#include "transfer/serial/CComApp.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/DocTemplate.h"
#include "platform/HeadlessUi.h"
#include "platform/Message.h"
#include "platform/LogView.h"
#include "transfer/common/CComDoc.h"
#include "transfer/serial/CComView.h"
#include "transfer/serial/CMainFrame.h"

namespace {

// The signal watcher posts only while the program has not begun to end, and the end waits for a
// watcher that is posting: the application outlives every post.
std::mutex signalMutex;
bool signalsClosed = false;

}  // namespace

CComApp::CComApp() {
    SetAppName("Wistrel");
    // ParseComSwitches: switches are matched by their beginnings
    SetCommandLineDecl(platform::CheckedByProgram("wistrel", "Wistrel", kWistrelVersion));
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
    // A closed pipe or port gives a write error, not the end of the program.
    ::signal(SIGPIPE, SIG_IGN);
    if (options_.server) {
        // The child's standard handles carry the link: its log goes to a file.
        if (auto* headless = dynamic_cast<platform::HeadlessUi*>(&GetUi())) {
            std::FILE* log = std::fopen("wistrel-server.log", "w");
            if (log) std::setvbuf(log, nullptr, _IOLBF, 0);
            headless->SetStreams(log, log);
        }
    }
    WatchSignals();
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

void CComApp::WatchSignals() {
    static std::atomic<bool> watching{false};
    if (watching.exchange(true)) return;
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    // Blocked here, before any other thread starts, so that only the watcher takes them.
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([set] {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) return;
        std::lock_guard lock(signalMutex);
        if (signalsClosed) return;
        if (platform::App* app = platform::App::Current()) {
            app->Post(nullptr, platform::kMsgCommand, kCmdStopReset, 0);
            app->Post(nullptr, platform::kMsgQuit, kComExitOk, 0);
        }
    }).detach();
}

bool CComApp::OnIdle(long count) {
    const bool more = App::OnIdle(count);
    if (idleJob_ == 0 || more) return more;
    if (count % 2 == 1) {
        if (CComView* view = ComView()) idleJob_ = view->EraseStep(idleJob_);
    }
    return idleJob_ != 0;
}

int CComApp::ExitInstance() {
    {
        std::lock_guard lock(signalMutex);
        signalsClosed = true;
    }
    if (CComView* view = ComView()) {
        // A transfer still running (not a listing) ends as STOP/RESET ends it.
        const CComDoc* doc = view->GetDoc();
        if (view->Busy() && !(doc && doc->IsListing())) view->StopTransfer(platform::kLogStopText);
        view->CloseLink();
    }
    if (ExitCode() != kComExitOk) return ExitCode();
    const CComView* view = ComView();
    if (view && view->LinkFailed()) return kComExitFatal;
    return view && (view->Refused() || view->TransferFailed()) ? kComExitRefused : kComExitOk;
}

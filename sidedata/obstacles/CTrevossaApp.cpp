#include "sidedata/obstacles/CTrevossaApp.h"

#include <cstdio>
#include <memory>

#include "platform/DocTemplate.h"
#include "platform/WindowPlacement.h"
#include "sidedata/obstacles/CTrevossaDoc.h"
#include "sidedata/obstacles/CTrevossaView.h"

namespace obstacles {

using platform::Item;
using platform::Popup;
using platform::Separator;

namespace {

constexpr const char* kProgramFile = "trevossa";

const char* const kHelpText =
    "Lists the obstacle, VRP, air-sports and AOPA data of the unit maker's database files\n"
    "(*.awp, *.taw) and converts it to batch text.\n"
    "\n"
    "  -B            batch format\n"
    "  -D <path>     output file; batch format (with -S: the unattended run)\n"
    "  -P            purge duplicate line obstacles; batch format\n"
    "  -S <path>     input file\n"
    "  -d, -dN       debug level + 1, or + N\n"
    "  --help        this text\n"
    "  --version     the program's name and version\n"
    "\n"
    "Layer options:\n"
    "  --headless        no windows: messages on standard error, listing lines on standard output\n"
    "  --answers FILE    answers to dialogs and message boxes\n"
    "\n"
    "Exit status of the unattended run: 0 the input was read and its lines written;\n"
    "1 the output cannot be created, or the input cannot be read or holds nothing listable;\n"
    "2 a bad switch.\n";

}  // namespace

CMainFrame::CMainFrame(platform::Settings& profile) : profile_(profile) {
    platform::RestoreWindowPlacement(*this, profile_);
}

bool CMainFrame::OnCreate() {
    SetMenu({
        Popup("&File", {Item("&Setup...", platform::kCmdLogSetup), Item("S&TOP/RESET", kCmdStopReset),
                        Item("Save &As...", platform::kCmdFileSaveAs),
                        Item("&Debug Level...", platform::kCmdLogDebugLevel), Separator(),
                        Item("&Print...\tCtrl+P", platform::kCmdFilePrint),
                        Item("Print Pre&view", platform::kCmdFilePrintPreview),
                        Item("P&rint Setup...", platform::kCmdFilePrintSetup),
                        Item("Print &Font...", platform::kCmdLogPrintFont), Separator(),
                        Item("E&xit", platform::kCmdAppExit)}),
        Popup("&Edit", {Item("&Copy\tCtrl+C", platform::kCmdEditCopy)}),
        Popup("&View", {Item("&Toolbar", platform::kCmdViewToolbar), Item("&Status Bar", platform::kCmdViewStatusBar),
                        Separator(), Item("Screen &Font...", platform::kCmdLogScreenFont),
                        Item("&Batch Format", kCmdBatchFormat), Item("&Filters...", kCmdFilters),
                        Item("Set Program &Defaults...", kCmdProgramDefaults)}),
    });
    SetToolbar({platform::kCmdLogSetup, kCmdStopReset, 0, platform::kCmdEditCopy, platform::kCmdFilePrint});
    SetStatusPanes({{0, "", "Ready", true}, {0, "CAP", "", true}, {0, "NUM", "", true}, {0, "SCRL", "", true}});
    return true;
}

void CMainFrame::OnClose() {
    platform::WriteWindowPlacement(*this, profile_);
    Frame::OnClose();
}

CTrevossaApp::CTrevossaApp() {
    SetAppName(kTrevossaName);
    // ParseTrevossaOptions, before anything is made
    SetCommandLineDecl(platform::CheckedByProgram(kProgramFile, kTrevossaName, kTrevossaVersion));
}

bool CTrevossaApp::InitInstance() {
    std::string bad;
    if (!ParseTrevossaOptions(Args(), options_, bad)) {
        std::fprintf(stderr, "%s: unknown switch %s\n%s\n", kProgramFile, bad.c_str(), kTrevossaUsage);
        SetExitCode(2);
        return false;
    }
    if (options_.help) {
        std::printf("%s\n\n%s", kTrevossaUsage, kHelpText);
        SetExitCode(0);
        return false;
    }
    if (options_.version) {
        std::printf("%s %s\n", kTrevossaName, kTrevossaVersion);
        SetExitCode(0);
        return false;
    }
    SetRegistryKey("Local AppWizard-Generated Applications");
    if (options_.Unattended()) {
        // No window: the document alone, its lines echoed.
        CTrevossaDoc doc(options_);
        // Messages on standard error after the program's name; no message box waits.
        doc.SetMessageSink([](const char* text) { std::fprintf(stderr, "%s: %s\n", kProgramFile, text); });
        SetExitCode(doc.RunUnattended(options_.inputPath, options_.outputPath));
        return false;
    }
    AddDocTemplate(std::make_unique<platform::DocTemplate>(
        platform::DocTemplate::Kind::Single, 128, [this] { return std::make_unique<CTrevossaDoc>(options_); },
        [this] { return std::make_unique<CMainFrame>(Profile()); },
        [this] { return std::make_unique<CTrevossaView>(GetUi().GetClipboard(), options_.debugLevel); },
        kTrevossaName));
    if (!OpenNewDocument()) {
        SetExitCode(1);
        return false;
    }
    Post(ActiveView(), platform::kMsgLogStart, 0, 0);
    return true;
}

}  // namespace obstacles

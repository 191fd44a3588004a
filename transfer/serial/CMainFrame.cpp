#include "transfer/serial/CMainFrame.h"

#include "platform/LogView.h"
#include "platform/WindowPlacement.h"
#include "transfer/serial/CComApp.h"
#include "transfer/serial/CComView.h"

using platform::Item;
using platform::Popup;
using platform::Separator;

namespace {

// The emulator child's window stands off its parent's.
constexpr int kChildOffset = 40;

}  // namespace

CMainFrame::CMainFrame(CComApp& app) : app_(app) {
    platform::WindowPlacement placement;
    if (platform::ReadWindowPlacement(app_.Profile(), placement)) {
        if (app_.ComOptions().server) {
            placement.normal.left += kChildOffset;
            placement.normal.right += kChildOffset;
            placement.normal.top += kChildOffset;
            placement.normal.bottom += kChildOffset;
        }
        SetWindowPlacement(placement);
    }
}

bool CMainFrame::OnCreate() {
    SetTitle("Wistrel");
    SetMenu({
        Popup("&File", {Item("&Setup Comms", platform::kCmdLogSetup), Item("S&TOP/RESET", kCmdStopReset),
                        Item("&Emulation", kCmdEmulation), Item("&Debug Level", platform::kCmdLogDebugLevel),
                        Item("Save &As...", platform::kCmdFileSaveAs), Separator(),
                        Item("&Print...\tCtrl+P", platform::kCmdFilePrint),
                        Item("Print Pre&view", platform::kCmdFilePrintPreview),
                        Item("P&rint Setup...", platform::kCmdFilePrintSetup),
                        Item("Print &Font", platform::kCmdLogPrintFont), Separator(),
                        Item("E&xit", platform::kCmdAppExit)}),
        Popup("&Edit", {Item("&Copy\tCtrl+C", platform::kCmdEditCopy)}),
        Popup("&View", {Item("&Toolbar", platform::kCmdViewToolbar), Item("&Status Bar", platform::kCmdViewStatusBar),
                        Separator(), Item("Screen &Font", platform::kCmdLogScreenFont)}),
        Popup("&Help", {Item("&About...", platform::kCmdAppAbout)}),
    });
    SetToolbar({platform::kCmdLogSetup, kCmdStopReset, 0, platform::kCmdFilePrint, platform::kCmdAppAbout});
    SetStatusPanes({
        {0, "", "Ready", true},
        {0, "CAP", "", true},
        {0, "NUM", "", true},
        {0, "SCRL", "", true},
    });
    return true;
}

void CMainFrame::OnClose() {
    if (!app_.ComOptions().server) platform::WriteWindowPlacement(*this, app_.Profile());
    Frame::OnClose();
}

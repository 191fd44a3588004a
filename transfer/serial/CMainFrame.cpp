#include "transfer/serial/CMainFrame.h"

#include "platform/LogView.h"
#include "platform/WindowPlacement.h"
#include "transfer/common/TransferFrameBars.h"
#include "transfer/serial/CComApp.h"
#include "transfer/serial/CComView.h"

using platform::Item;

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
    SetTransferFrameBars(*this,
                         {Item("&Setup Comms", platform::kCmdLogSetup), Item("S&TOP/RESET", kCmdStopReset),
                          Item("&Emulation", kCmdEmulation), Item("&Debug Level", platform::kCmdLogDebugLevel),
                          Item("Save &As...", platform::kCmdFileSaveAs)},
                         kCmdStopReset, "&About...");
    return true;
}

void CMainFrame::OnClose() {
    if (!app_.ComOptions().server) platform::WriteWindowPlacement(*this, app_.Profile());
    Frame::OnClose();
}

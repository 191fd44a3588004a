#include "transfer/usb/CMainFrame.h"

#include "platform/LogView.h"
#include "platform/WindowPlacement.h"
#include "transfer/common/TransferFrameBars.h"
#include "transfer/usb/CUsbApp.h"
#include "transfer/usb/CUsbView.h"

using platform::Item;

CMainFrame::CMainFrame(CUsbApp& app) : app_(app) {
    platform::WindowPlacement placement;
    if (platform::ReadWindowPlacement(app_.Profile(), placement)) SetWindowPlacement(placement);
}

bool CMainFrame::OnCreate() {
    SetTitle("Norvesk");
    SetTransferFrameBars(*this,
                         {Item("&Setup Comms", platform::kCmdLogSetup), Item("STOP/&RESET", kCmdUsbStopReset),
                          Item("&Emulation", kCmdUsbEmulation), Item("&Debug Level", platform::kCmdLogDebugLevel),
                          Item("&Change Region", kCmdUsbChangeRegion), Item("Save &As...\tCtrl+S", platform::kCmdFileSaveAs)},
                         kCmdUsbStopReset, "&About Norvesk...");
    Commands().SetPrompt(kCmdUsbChangeRegion, "Allow a change of memory region for TAW files\nChange Region");
    return true;
}

void CMainFrame::OnClose() {
    platform::WriteWindowPlacement(*this, app_.Profile());
    Frame::OnClose();
}

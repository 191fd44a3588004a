#include "transfer/sdcard/CCelvaneFrame.h"

#include "platform/LogView.h"
#include "platform/WindowPlacement.h"
#include "transfer/common/TransferFrameBars.h"
#include "transfer/sdcard/CCelvaneApp.h"
#include "transfer/sdcard/CCelvaneView.h"
#include "transfer/sdcard/CelvaneTables.h"

using platform::Item;

CCelvaneFrame::CCelvaneFrame(CCelvaneApp& app) : app_(app) {
    platform::WindowPlacement placement;
    if (platform::ReadWindowPlacement(app_.Profile(), placement)) SetWindowPlacement(placement);
}

bool CCelvaneFrame::OnCreate() {
    SetTitle("Celvane");
    SetTransferFrameBars(*this,
                         {Item("&Setup Comms", platform::kCmdLogSetup), Item("STOP/&RESET", kCmdCelvaneStopReset),
                          Item("&Debug Level", platform::kCmdLogDebugLevel), Item("Save &As...\tCtrl+S", platform::kCmdFileSaveAs)},
                         kCmdCelvaneStopReset, "&About Celvane...");
    std::vector<platform::MenuItem> models;
    for (const CelvaneTarget& target : CelvaneTargetTable) models.push_back(Item(target.menuText, target.command));
    std::vector<platform::MenuItem> menu = Menu();
    menu.insert(menu.begin() + 1, platform::Popup("&Model", std::move(models)));
    SetMenu(std::move(menu));
    return true;
}

void CCelvaneFrame::OnClose() {
    platform::WriteWindowPlacement(*this, app_.Profile());
    Frame::OnClose();
}

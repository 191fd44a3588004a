#include "sidedata/flarm/CMainFrame.h"

#include "platform/Command.h"
#include "sidedata/flarm/CflarmApp.h"
#include "sidedata/flarm/CflarmView.h"

using platform::Item;
using platform::Popup;
using platform::Separator;

bool CMainFrame::OnCreate() {
    SetMenu({
        Popup("&File", {Item("&Open...", platform::kCmdFileOpen), Item("&List...", kCmdFileList),
                        Item("Set &Version Number...", kCmdSetVersionNumber),
                        Item("Save &Full Listing As...", platform::kCmdFileSaveAs),
                        Item("Save &Memory As...", kCmdSaveMemoryAs), Item("&Clear Memory", kCmdClearMemory),
                        Item("&Debug", kCmdDebug), Separator(),
                        Item("&Print...\tCtrl+P", platform::kCmdFilePrint),
                        Item("Print Pre&view", platform::kCmdFilePrintPreview),
                        Item("P&rint Setup...", platform::kCmdFilePrintSetup), Separator(),
                        Item("E&xit", platform::kCmdAppExit)}),
        Popup("&View", {Item("&Status Bar", platform::kCmdViewStatusBar), Item("&ID filter...", kCmdIdFilter)}),
        Popup("&Help", {Item("&About Gindral...", platform::kCmdAppAbout)}),
    });
    SetStatusPanes({{0, "", "Ready", true}});
    return true;
}

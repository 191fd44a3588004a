#include "transfer/common/TransferFrameBars.h"

#include "platform/LogView.h"

using platform::Item;
using platform::Popup;
using platform::Separator;

std::vector<platform::MenuItem> TransferFileMenuTail() {
    return {Separator(),
            Item("&Print...\tCtrl+P", platform::kCmdFilePrint),
            Item("Print Pre&view", platform::kCmdFilePrintPreview),
            Item("P&rint Setup...", platform::kCmdFilePrintSetup),
            Item("Print &Font", platform::kCmdLogPrintFont),
            Separator(),
            Item("E&xit", platform::kCmdAppExit)};
}

void SetTransferFrameBars(platform::Frame& frame, std::vector<platform::MenuItem> fileItems, unsigned stopResetId,
                          const std::string& aboutText) {
    for (platform::MenuItem& item : TransferFileMenuTail()) fileItems.push_back(std::move(item));
    frame.SetMenu({
        Popup("&File", std::move(fileItems)),
        Popup("&Edit", {Item("&Copy\tCtrl+C", platform::kCmdEditCopy)}),
        Popup("&View", {Item("&Toolbar", platform::kCmdViewToolbar), Item("&Status Bar", platform::kCmdViewStatusBar),
                        Separator(), Item("Screen &Font", platform::kCmdLogScreenFont)}),
        Popup("&Help", {Item(aboutText, platform::kCmdAppAbout)}),
    });
    frame.SetToolbar({platform::kCmdLogSetup, stopResetId, 0, platform::kCmdFilePrint, platform::kCmdAppAbout});
    frame.SetStatusPanes({
        {0, "", "Ready", true},
        {0, "CAP", "", true},
        {0, "NUM", "", true},
        {0, "SCRL", "", true},
    });
}

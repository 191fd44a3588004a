#include "viewer/CMainFrame.h"

#include "platform/App.h"
#include "platform/Command.h"
#include "platform/Message.h"
#include "viewer/CAmbreloView.h"

using namespace platform;

namespace {

std::vector<unsigned> ToolbarButtons() { return {kCmdPrevRecord, kCmdSearchValue, kCmdNextRecord, 0, kCmdFilePrint}; }

MenuItem ViewMenu() {
    return Popup("&View", {Item("&Toolbar", kCmdViewToolbar), Item("&Status Bar", kCmdViewStatusBar)});
}

MenuItem HelpMenu() { return Popup("&Help", {Item("&About Ambrelo...", kCmdAppAbout)}); }

}  // namespace

CMainFrame::CMainFrame() {
    Commands().Add(kCmdWindowTile, [this] { ArrangeChildren(ChildArrangement::Tile); });
    Commands().Add(kCmdWindowCascade, [this] { ArrangeChildren(ChildArrangement::Cascade); });
    Commands().Add(kCmdWindowArrange, [this] { ArrangeChildren(ChildArrangement::ArrangeIcons); });
    // The toolbar's texts, known before any record window is open; the views handle them.
    Commands().Add({kCmdPrevRecord, "Previous", {}, {}, {}});
    Commands().Add({kCmdSearchValue, "Number", {}, {}, {}});
    Commands().Add({kCmdNextRecord, "Next", {}, {}, {}});
    Commands().Add({kCmdFilePrint, "&Print", {}, {}, {}});
    Commands().SetPrompt(kCmdPrevRecord, kPrevRecordPrompt);
    Commands().SetPrompt(kCmdSearchValue, kSearchValuePrompt);
    Commands().SetPrompt(kCmdNextRecord, kNextRecordPrompt);
    // A second view of a document is not offered.
    Commands().Add(kCmdWindowNew, [] {}, [](CommandState& s) { s.enabled = false; });
}

bool CMainFrame::OnCreate() {
    SetMenu({Popup("&File", {Item("P&rint Setup...", kCmdFilePrintSetup), Separator(), Item("E&xit", kCmdAppExit)}),
             ViewMenu(), HelpMenu()});
    SetToolbar(ToolbarButtons());
    SetStatusPanes({{0, "", "Ready", true}, {1, "CAP", "", true}, {2, "NUM", "", true}, {3, "SCRL", "", true}});
    return true;
}

bool CChildFrame::OnCreate() {
    Commands().Add(kCmdFileClose, [this] { App::Current()->Post(this, kMsgClose); });
    SetMenu({Popup("&File", {Item("&Close", kCmdFileClose), Item("E&xit", kCmdAppExit)}),
             ViewMenu(),
             Popup("&Window", {Item("&New Window", kCmdWindowNew), Item("&Cascade", kCmdWindowCascade),
                               Item("&Tile", kCmdWindowTile), Item("&Arrange Icons", kCmdWindowArrange)}),
             HelpMenu()});
    return true;
}

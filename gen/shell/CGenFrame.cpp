#include "gen/shell/CGenFrame.h"

#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenView.h"
#include "platform/WindowPlacement.h"

using platform::Item;
using platform::Popup;
using platform::Separator;

CGenFrame::CGenFrame(CGenApp& app) : app_(app) {
    platform::RestoreWindowPlacement(*this, app_.Profile());
}

bool CGenFrame::OnCreate() {
    std::vector<platform::MenuItem> view = {
        Item("&Toolbar", platform::kCmdViewToolbar), Item("&Status Bar", platform::kCmdViewStatusBar), Separator(),
        Item("Screen &Font...", kCmdScreenFont), Item("&Filters...\tF2", kCmdViewFilters),
        Item("&Record Numbers", kCmdRecordNumbers), Item("&Optimise", kCmdOptimise),
        Item("Optimise &Countries", kCmdOptimiseCountries)};
    for (const ModelCommand& m : app_.Model().viewCommands) view.push_back(Item(m.text, m.id));
    SetMenu({
        Popup("&File", {Item("&Setup...", kCmdSetup), Item("S&TOP/RESET", kCmdStopReset),
                        Item("Save &As...", platform::kCmdFileSaveAs), Item("&Debug Level...", kCmdDebugLevel),
                        Separator(),
                        Item("&Print...\tCtrl+P", platform::kCmdFilePrint),
                        Item("Print Pre&view", platform::kCmdFilePrintPreview),
                        Item("P&rint Setup...", platform::kCmdFilePrintSetup),
                        Item("Print &Font...", kCmdPrintFont), Separator(), Item("E&xit", platform::kCmdAppExit)}),
        Popup("&Edit", {Item("&Copy\tCtrl+C", platform::kCmdEditCopy)}),
        Popup("&View", std::move(view)),
        Popup("&Help", {Item("&About...", platform::kCmdAppAbout)}),
    });
    SetToolbar({kCmdSetup, kCmdStopReset, 0, platform::kCmdEditCopy, platform::kCmdFilePrint, 0, kCmdViewFilters, 0,
                platform::kCmdAppAbout});
    SetStatusPanes({
        {0, "", "Ready", true},
        {0, "Country=WW", "", false},
        {0, "Name=WWWW", "", false},
        {0, "ICAO=WWWW", "", false},
        {0, "CAP", "", true},
        {0, "NUM", "", true},
        {0, "SCRL", "", true},
    });
    UpdateFilterPanes();
    return true;
}

void CGenFrame::UpdateFilterPanes() {
    const GenSettings& s = app_.Settings();
    struct PaneFilter {
        size_t pane;
        const char* label;
        const std::string& filter;
    };
    const PaneFilter panes[] = {
        {kPaneCountry, "Country=", s.countryFilter},
        {kPaneName, "Name=", s.nameFilter},
        {kPaneIcao, "ICAO=", s.icaoFilter},
    };
    if (StatusPanes().size() <= kPaneIcao) return;
    for (const PaneFilter& p : panes) {
        bool set = !p.filter.empty();
        SetPaneText(p.pane, set ? std::string(p.label) + p.filter : std::string());
        EnablePane(p.pane, set);
    }
}

void CGenFrame::OnClose() {
    platform::WriteWindowPlacement(*this, app_.Profile());
    Frame::OnClose();
}

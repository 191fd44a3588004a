#include "manager/KestraneApp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "common/IdentDigits.h"
#include "dblib/CKestraneDBOpen.h"
#include "dblib/CacheSetting.h"
#include "manager/ChangeJournal.h"
#include "dblib/DbDir.h"
#include "dblib/KestraneDatabase.h"
#include "manager/KestraneFilt.h"
#include "manager/LineFormats.h"
#include "manager/ManagerSettings.h"
#include "manager/RecordViews.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/Switches.h"
#include "platform/WindowPlacement.h"

namespace {

const char* const kTitles[6] = {"Airports Database", "Intersections Database", "NDBs Database",
                                "VORs Database",     "USR Waypoints Database", "Routes Database"};

template <class Doc, class View>
std::unique_ptr<platform::DocTemplate> MakeTemplate(unsigned id, const char* title) {
    return std::make_unique<platform::DocTemplate>(
        platform::DocTemplate::Kind::Multi, id, [] { return std::make_unique<Doc>(); },
        [] { return std::make_unique<CChildFrame>(); }, [] { return std::make_unique<View>(); }, title);
}

std::vector<platform::MenuItem> MainMenu() {
    using platform::Item;
    using platform::Popup;
    using platform::Separator;
    return {Popup("&File", {Item("Open &APT", 32771), Item("Open &INT", 32772), Item("Open &NDB", 32773),
                            Item("Open &VOR", 32774), Item("Open &USR", 32775), Item("Open &RTE", 32776), Separator(),
                            Item("Import USR...", 32818), Item("Export USR...", 32819), Item("Clear USR", 32816),
                            Item("Import RTE...", 32813), Item("Export RTE...", 32814), Item("Clear RTE", 32815),
                            Item("Convert RTE", CKestraneRView::kCmdConvertRte, "Convert USR wpts to avdb where possible"),
                            Separator(),
                            Item("&Print...", platform::kCmdFilePrint),
                            Item("Print Pre&view", platform::kCmdFilePrintPreview),
                            Item("P&rint Setup...", platform::kCmdFilePrintSetup),
                            Item("Print &Font...", CKestraneScrollView::kCmdPrintFont), Separator(),
                            Item("E&xit", platform::kCmdAppExit)}),
            Popup("&View", {Item("&Toolbar", platform::kCmdViewToolbar), Item("&Status Bar", platform::kCmdViewStatusBar),
                            Separator(), Item("&Record Nos", CKestraneApp::kCmdRecordNos),
                            Item("&Picture Bytes", CKestraneApp::kCmdPictureBytes),
                            Item("&Filters\tF2", CKestraneApp::kCmdFilters),
                            Item("Screen F&ont...", CKestraneScrollView::kCmdScreenFont),
                            Item("&Icons", CKestraneScrollView::kCmdIcons)}),
            Popup("&Help", {Item("&About Kestrane...", platform::kCmdAppAbout)})};
}

}  // namespace

void CChildFrame::OnClose() {
    platform::Document* doc = ActiveDocument();
    if (doc && doc->Template()) doc->Template()->CloseDocument(doc);
}

CMainFrame::CMainFrame() {
    SetMenu(MainMenu());
    SetToolbar({32771, 32772, 32773, 32774, 32775, 32776, 0, CKestraneScrollView::kCmdAddRecord,
                CKestraneScrollView::kCmdChangeRecord, CKestraneScrollView::kCmdDeleteRecord, 0,
                platform::kCmdFilePrint, platform::kCmdAppAbout});
}

bool CMainFrame::OnCreate() {
    SetStatusPanes({{0, "", "Ready", true},
                    {1, "DB= Legacy", "", true},
                    {2, "Country=WW", "", false},
                    {3, "ICAO=WWWWWWWW", "", false},
                    {4, "CAP", "", true},
                    {5, "NUM", "", true},
                    {6, "SCRL", "", true}});
    UpdatePanes();
    return true;
}

void CMainFrame::OnClose() {
    if (platform::App* app = platform::App::Current()) platform::WriteWindowPlacement(*this, app->Profile());
    platform::Frame::OnClose();
}

void CMainFrame::UpdatePanes() {
    const ManagerSettings& m = Manager();
    char text[64];
    std::snprintf(text, sizeof text, "DB= %s", m.Legacy() ? "Legacy" : "696   ");
    SetPaneText(kPaneDb, text);
    std::string country;
    if (m.countryFilter >= 0) {
        const std::string full = GetCountryText(m.countryFilter);
        country = full.substr(full.find('-') + 1);
    }
    SetPaneText(kPaneCountry, "Country=" + country);
    EnablePane(kPaneCountry, m.countryFilter >= 0);
    char ident[9] = {};
    std::strncpy(ident, m.identFilter.c_str(), 8);
    DecodeIdentDigits(ident);
    SetPaneText(kPaneIcao, std::string("ICAO=") + ident);
    EnablePane(kPaneIcao, !m.identFilter.empty());
}

CKestraneApp::CKestraneApp() {
    SetAppName("Kestrane");
    // The manager reads its own switches: letters are case-sensitive and unknown ones are
    // ignored (-vu), so the layer passes them on unchecked.
    platform::CommandLineDecl decl;
    decl.program = "kestrane";
    decl.title = "Kestrane";
    decl.version = "1.0";
    decl.switches = {{"-V", platform::SwitchValue::Text, "LETTER", "first window: A I N V U R"},
                     {"-c", platform::SwitchValue::Next, "ID", "country filter by country id"},
                     {"-d", platform::SwitchValue::Number, "N", "debug count + 1, or + N"},
                     {"-p", platform::SwitchValue::None, "", "runway picture bytes shown"},
                     {"-r", platform::SwitchValue::None, "", "record numbers shown"}};
    decl.checkedByProgram = true;
    SetCommandLineDecl(std::move(decl));
    for (int i = 0; i < 6; ++i) {
        const char letter = kRecordLetters[i];
        const unsigned id = kCmdOpenApt + static_cast<unsigned>(i);
        Commands().Add(id, [this, letter] { OpenRecordWindow(letter); },
                       [letter](platform::CommandState& s) { s.enabled = !IsRecordWindowOpen(letter); });
    }
    auto toggle = [](bool ManagerSettings::*flag) {
        return [flag] {
            Manager().*flag = !(Manager().*flag);
            for (int i = 0; i < 6; ++i) {
                if (CKestraneScrollView* v = OpenViewSlot(i)) v->Invalidate();
            }
        };
    };
    Commands().Add(kCmdRecordNos, toggle(&ManagerSettings::recordNumbers),
                   [](platform::CommandState& s) { s.checked = Manager().recordNumbers; });
    Commands().Add(kCmdPictureBytes, toggle(&ManagerSettings::pictureBytes),
                   [](platform::CommandState& s) { s.checked = Manager().pictureBytes; });
    platform::Command filters;
    filters.id = kCmdFilters;
    filters.text = "&Filters";
    filters.keys = {platform::Key{platform::kKeyF1 + 1}};
    filters.handler = [] { RunFiltersSetup(); };
    Commands().Add(std::move(filters));
    Commands().Add(platform::kCmdAppAbout, [] {
        platform::ShowMessage("Kestrane\nThe aeronautical database manager", "About Kestrane", {});
    });
    Commands().Add(platform::kCmdFilePrintSetup, [] { platform::RunPrintSetup(); });
}

CKestraneApp::Options CKestraneApp::ParseCommandLine(const std::string& commandLine) {
    Options o;
    std::istringstream in(commandLine);
    std::vector<std::string> tokens;
    for (std::string t; in >> t;) tokens.push_back(t);
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::string& t = tokens[i];
        if (t.size() < 2 || t[0] != '-') continue;
        switch (t[1]) {
        case 'V': {
            const char c = t.size() > 2 ? static_cast<char>(std::toupper(static_cast<unsigned char>(t[2]))) : 'A';
            o.initialLetter = std::strchr("INRUV", c) && c != '\0' ? c : 'A';
            break;
        }
        case 'c':
            if (i + 1 < tokens.size()) {
                o.country = tokens[++i];
                o.hasCountry = true;
            }
            break;
        case 'd':
            o.debug += t.size() > 2 && std::isdigit(static_cast<unsigned char>(t[2])) ? std::atoi(t.c_str() + 2) : 1;
            break;
        case 'p':
            ++o.pictureBytes;
            break;
        case 'r':
            ++o.recordNumbers;
            break;
        default:
            break;
        }
    }
    return o;
}

bool SetupDbdir() {
    namespace fs = std::filesystem;
    const std::string start = fs::current_path().string();
    std::string found = FindDbDirUnder(start);
    if (!found.empty()) {
        SetDbDir(found);
        return true;
    }
    for (;;) {
        platform::FileDialogRequest request;
        request.title = "Select ISAM Database Directory";
        request.filters = {{"ISAM Database Dir", "*.*"}};
        request.initialDir = start;
        request.fileName = kDbDirName;
        if (platform::RunFileDialog(request)) {
            fs::path chosen = request.fileName;
            // The user went into a folder named db50 and accepted the name db50, or chose db50 itself.
            if (chosen.filename() == kDbDirName && !fs::is_directory(chosen)) chosen = chosen.parent_path();
            std::error_code ec;
            if (chosen.filename() == kDbDirName && fs::is_directory(chosen, ec)) {
                SetDbDir(chosen.string());
                return true;
            }
        }
        const int answer = platform::ShowMessage("You must choose a directory named \"db50\"",
                                                 {platform::Buttons::AbortRetryIgnore, platform::Icon::Error, 0});
        if (answer != platform::kIdRetry) return false;
    }
}

void UpdateAllRecordViews(char letter) {
    for (int i = 0; i < 6; ++i) {
        if (letter != 0 && kRecordLetters[i] != letter) continue;
        CKestraneScrollView* view = OpenViewSlot(i);
        if (view && view->GetDocument()) view->GetDocument()->UpdateAllViews(nullptr, 1);
    }
}

bool CKestraneApp::InitInstance() {
    SetRegistryKey("Local AppWizard-Generated Applications");
    ApplyCacheSetting(Profile());
    AddDocTemplate(MakeTemplate<CKestraneADoc, CKestraneAView>(130, kTitles[0]));
    AddDocTemplate(MakeTemplate<CKestraneIDoc, CKestraneIView>(131, kTitles[1]));
    AddDocTemplate(MakeTemplate<CKestraneNDoc, CKestraneNView>(132, kTitles[2]));
    AddDocTemplate(MakeTemplate<CKestraneVDoc, CKestraneVView>(133, kTitles[3]));
    AddDocTemplate(MakeTemplate<CKestraneUDoc, CKestraneUView>(134, kTitles[4]));
    AddDocTemplate(MakeTemplate<CKestraneRDoc, CKestraneRView>(135, kTitles[5]));

    for (const std::string& arg : Args()) {
        if (arg == "--help" || arg == "--version") {
            std::fputs(arg == "--help" ? platform::HelpText(CommandDecl()).c_str()
                                       : platform::VersionText(CommandDecl()).c_str(),
                       stdout);
            return false;
        }
    }
    options_ = ParseCommandLine(CommandLine());

    if (!SetupDbdir()) {
        platform::ShowMessage("SetupDbdir failed");
        SetExitCode(1);
        return false;
    }
    CKestraneDBOpen check;
    if (const char* text = check.StatusText()) {
        platform::ShowMessage(text);
        SetExitCode(1);
        return false;
    }
    // A data file that cannot be stamped cannot be opened for writing either.
    ForgetJournalTexts();
    if (check.OpenDatabase(options_.hasCountry ? options_.country.c_str() : nullptr, options_.recordNumbers,
                           options_.pictureBytes) != 0) {
        const char* text = check.StatusText();
        platform::ShowMessage(text ? text : "Sorry, Database in Use");
        SetExitCode(1);
        return false;
    }
    KestraneDatabase& db = KestraneDb();
    if (!db.approachMessage.empty()) platform::ShowMessage(db.approachMessage);
    ManagerSettings& m = Manager();
    m.recordNumbers = db.recordNumbers;
    m.pictureBytes = db.pictureBytes;
    m.countryFilter = db.countryFilter;
    DecideDatabaseKind();

    mainFrame_ = std::make_unique<CMainFrame>();
    CMainFrame* main = mainFrame_.get();
    SetMainFrame(main);
    platform::RestoreWindowPlacement(*main, Profile());
    if (!main->Create("Kestrane")) {
        SetExitCode(1);
        return false;
    }
    main->Show(platform::ShowState::Normal);
    OpenRecordWindow(options_.initialLetter);
    return true;
}

int CKestraneApp::ExitInstance() {
    KestraneDb().Release();
    return App::ExitInstance();
}

void CKestraneApp::OpenRecordWindow(char letter) {
    const int index = RecordLetterIndex(letter);
    if (index < 0 || IsRecordWindowOpen(letter)) return;
    DocTemplates()[static_cast<size_t>(index)]->OpenNewDocument();
}

bool CKestraneApp::OnIdle(long count) {
    if (count == 0) {
        // Messages came between idle turns: the loading lists open their files afresh.
        CKestraneScrollView::ReleaseIdleFiles();
        if (auto* main = dynamic_cast<CMainFrame*>(MainFrame())) main->UpdatePanes();
    }
    if (App::OnIdle(count)) return true;
    bool loading = false;
    for (int i = 0; i < 6; ++i) loading = loading || IdleViewSlot(i) != nullptr;
    if (!loading) {
        CKestraneScrollView::ReleaseIdleFiles();
        return false;
    }
    if (count == 0) return true;
    CKestraneScrollView* view = nullptr;
    if (auto* active = dynamic_cast<CKestraneScrollView*>(ActiveView())) {
        if (IdleViewSlot(RecordLetterIndex(active->Letter())) == active) view = active;
    }
    for (int i = 0; view == nullptr && i < 6; ++i) view = IdleViewSlot(i);
    view->IdleStep();
    return true;
}

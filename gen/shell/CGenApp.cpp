#include "gen/shell/CGenApp.h"

#include <unistd.h>

#include <climits>
#include <cstdio>

#include "dblib/CacheSetting.h"
#include "dblib/DatabaseFolder.h"
#include "dblib/DbCheck.h"
#include "dblib/DbDir.h"
#include "gen/shell/CAboutDlg.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/shell/CGenDbgDialog.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/CGenFilt.h"
#include "gen/shell/CGenFrame.h"
#include "gen/shell/CGenView.h"
#include "gen/shell/CommandLine.h"
#include "gen/shell/GenExit.h"
#include "gen/image/Image.h"
#include "gen/shell/RunSetup.h"
#include "platform/DocTemplate.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

CGenApp::CGenApp(GenModel model) : model_(std::move(model)) {
    context_.app = this;
    context_.appState = &state_;
    static_assert(kStateIdle == 0, "OperationContext::Stopped reads the idle state as 0");
    context_.settings = &settings_;
    context_.model = &model_;
    SetAppName(model_.name);
    SetCommandLineDecl(GeneratorCommandLine(model_));
    AddCommands();
}

CGenApp::~CGenApp() {
    if (CGenDBOpen::Active() == dbOpen_.get()) CGenDBOpen::SetActive(nullptr);
    context_.CloseBatch();
    context_.image = nullptr;
    context_.doc = nullptr;
}

CGenApp* CGenApp::Current() { return dynamic_cast<CGenApp*>(platform::App::Current()); }

const std::string& AppDbFolder() {
    static const std::string none;
    CGenApp* app = CGenApp::Current();
    return app ? app->GetDbFolder() : none;
}

CGenView* CGenApp::GenView() const { return dynamic_cast<CGenView*>(ActiveView()); }

void CGenApp::AddCommands() {
    auto& table = Commands();
    table.Add({kCmdViewFilters, "&Filters...", {{platform::kKeyF1 + 1}}, [this] { OnViewFilters(true); }, {}});
    table.Add(kCmdRecordNumbers,
              [this] {
                  settings_.recordNumbers = settings_.recordNumbers ? 0 : 1;
                  if (CGenView* view = GenView()) view->Invalidate();
              },
              [this](platform::CommandState& s) { s.checked = settings_.recordNumbers != 0; });
    table.Add(kCmdOptimise,
              [this] {
                  if (model_.optimiseCommand) settings_.optimise = !settings_.optimise;
              },
              [this](platform::CommandState& s) { s.checked = model_.optimiseCommand && settings_.optimise; });
    table.Add(kCmdOptimiseCountries, [this] { settings_.optimiseCountries = !settings_.optimiseCountries; },
              [this](platform::CommandState& s) { s.checked = settings_.optimiseCountries; });
    table.Add(kCmdDebugLevel, [this] { OnDebugLevel(); },
              [this](platform::CommandState& s) { s.enabled = !document_ || document_->ShownKind() == 0; });
    for (const ModelCommand& m : model_.viewCommands) {
        table.Add({m.id, m.text, {}, [this, &m] { m.handler(*this); },
                   [this, &m](platform::CommandState& s) { s.checked = m.checked && m.checked(*this); }});
        table.SetPrompt(m.id, m.prompt);
    }
    table.Add(platform::kCmdAppAbout, [this] { OnAppAbout(); });
    table.Add(platform::kCmdFileSaveAs,
              [this] {
                  if (model_.saveAsCommand) model_.saveAsCommand(*this);
              },
              [this](platform::CommandState& s) { s.enabled = static_cast<bool>(model_.saveAsCommand); });
}

// ---- Start-up ------------------------------------------------------------------------------

void CGenApp::RegisterTemplate() {
    AddDocTemplate(std::make_unique<platform::DocTemplate>(
        platform::DocTemplate::Kind::Single, 128,
        [this] {
            CGenDoc::ListingHooks hooks;
            hooks.format = [this](int32_t handle, std::string& line) {
                if (model_.listSection) model_.listSection(context_, handle, line);
            };
            hooks.open = [this](CGenDoc& doc, const std::string& fileName, int kind) {
                OpenImageSource(fileName, doc, kind);
                SetState(kStateListing);
            };
            return std::make_unique<CGenDoc>(std::move(hooks));
        },
        [this] { return std::make_unique<CGenFrame>(*this); }, [this] { return std::make_unique<CGenView>(*this); },
        model_.name));
}

bool CGenApp::MakeDbFolder() {
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return false;
    std::string work(cwd);
    std::string folder = FindDbDirUnder(work);
    if (folder.empty()) {
        folder = work + "/" + kDbDirName;
        if (!platform::IsDirectory(folder) && !MakeDatabaseFolder(folder)) {
            char text[PATH_MAX + 64];
            std::snprintf(text, sizeof text, "Cannot make ISAM database folder: %s", folder.c_str());
            platform::ShowMessage(text, {platform::Buttons::Ok, platform::Icon::Error});
            return false;
        }
    }
    dbFolder_ = folder;
    SetDbDir(dbFolder_);
    return true;
}

bool CGenApp::InitInstance() {
    SetRegistryKey(kSettingsKey);
    ApplyCacheSetting(Profile());
    RegisterTemplate();
    // The command line comes first: an unattended run whose control file cannot be read ends
    // here, before the database folder is made.
    ParseCommandLine(*this);
    if (ExitCode() != kExitOk && GetUi().IsHeadless()) return false;
    if (!MakeDbFolder()) {
        SetExitCode(kExitFatal);
        return false;
    }
    document_ = dynamic_cast<CGenDoc*>(OpenNewDocument());
    if (!document_) {
        SetExitCode(kExitFatal);
        return false;
    }
    if (model_.imageParams) document_->SetImage(std::make_unique<Image>(*model_.imageParams));
    context_.image = document_->GetImage();
    context_.doc = document_;
    state_ = kStateIdle;
    if (model_.onStartUp) model_.onStartUp(*this);
    Post(ActiveView(), kMsgStartSetup, 0, 0);
    return true;
}

int CGenApp::ExitInstance() {
    CloseImageFile();
    context_.CloseBatch();
    if (CGenDBOpen::Active() == dbOpen_.get()) CGenDBOpen::SetActive(nullptr);
    dbOpen_.reset();
    if (ExitCode() != kExitOk) return ExitCode();
    switch (outcome_) {
    case Outcome::Failed: return kExitFatal;
    case Outcome::NotDone: return kExitNotDone;
    case Outcome::Done: break;
    }
    return kExitOk;
}

// ---- Database ------------------------------------------------------------------------------

int CGenApp::OpenDatabaseChecked(bool onUse) {
    if (dbOpen_) return 1;
    auto opener = std::make_unique<CGenDBOpen>();
    if (opener->Status() < 0) {
        platform::ShowMessage(kDbVersionText);
        return 0;
    }
    if (opener->Status() > 0) {
        platform::ShowMessage(kDbInUseText);
        return 0;
    }
    if (onUse) {
        opener->OpenOnUse();
    } else {
        opener->OpenAll();
    }
    dbOpen_ = std::move(opener);
    CGenDBOpen::SetActive(dbOpen_.get());
    return 1;
}

// ---- Settings exchange ---------------------------------------------------------------------

void CGenApp::SetOperationTitle(const std::string& title, bool listing) {
    std::string t = "   " + title;
    if (t.size() < kOperationTitleMin) t.resize(kOperationTitleMin, ' ');
    settings_.operationTitle = t;
    settings_.listing = listing;
}

void CGenApp::SwapListingModes(int& recordNumbers, uint32_t& debugLevel, uint32_t& extraDebugLevel) {
    std::swap(settings_.recordNumbers, recordNumbers);
    std::swap(settings_.debugLevel, debugLevel);
    std::swap(settings_.extraDebugLevel, extraDebugLevel);
}

void CGenApp::AbandonControlRun() {
    if (control_.Running()) NoteOperationNotDone();
    control_.Reset();
}

// ---- Commands ------------------------------------------------------------------------------

void CGenApp::OnViewFilters(bool restartListing) {
    GenSettings& s = settings_;
    while (!s.icaoFilter.empty() && static_cast<unsigned char>(s.icaoFilter.back()) <= ' ') s.icaoFilter.pop_back();
    CGenFilt dialog;
    dialog.country = s.countryFilter;
    dialog.name = s.nameFilter;
    dialog.icao = s.icaoFilter;
    FormatRectangleTexts(s.filterRect, dialog.southWest, dialog.northEast, s);
    for (;;) {
        if (dialog.RunModal() != platform::kIdOk) break;
        std::string icao = dialog.icao;
        for (char& c : icao) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        s.SetCountryFilter(dialog.country);
        s.SetNameFilter(dialog.name);
        s.SetIcaoFilter(icao);
        s.rectangleError = false;
        ParseFilterRectangle(s.filterRect, dialog.southWest, dialog.northEast, s);
        // A running operation keeps its state: only an idle or listing generator restarts.
        if (restartListing && document_ && (state_ == kStateIdle || state_ == kStateListing)) {
            document_->StartListing(context_.imageName.c_str(), -1);
            if (CGenView* view = GenView(); view && state_ == kStateListing) view->running = true;
        }
        if (!s.rectangleError) break;
    }
    if (auto* frame = dynamic_cast<CGenFrame*>(MainFrame())) frame->UpdateFilterPanes();
}

void CGenApp::OnDebugLevel() {
    CGenDbgDialog dialog;
    dialog.normal = settings_.debugLevel;
    dialog.extra = settings_.extraDebugLevel;
    if (dialog.RunModal() == platform::kIdOk) {
        settings_.debugLevel = dialog.normal;
        settings_.extraDebugLevel = dialog.extra;
    }
}

void CGenApp::OnAppAbout() {
    CAboutDlg dialog(model_.name, model_.version);
    dialog.RunModal();
}

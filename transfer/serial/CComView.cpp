#include "transfer/serial/CComView.h"

#include <unistd.h>

#include <climits>

#include "common/CLocale.h"
#include "common/COkGoDlg.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "transfer/common/CComDoc.h"
#include "transfer/common/GarTables.h"
#include "transfer/serial/CComApp.h"
#include "transfer/serial/CComSetupDlg.h"
#include "transfer/serial/ComEMUDialog.h"
#include "transfer/serial/EmulatedModels.h"
#include "transfer/common/HostFileTable.h"

namespace {

constexpr int kNominalBaud[] = {9600, 14400, 19200, 28800, 38400, 57600, 115200};

}  // namespace

CComView::CComView(CComApp& app)
    : LogView({kCmdStopReset, 142}, app.GetUi().GetClipboard(), app.ComOptions().debugLevel), app_(app) {
    emulatedModel = app.ComOptions().emulatedModel;
    Commands().Add(kCmdEmulation, [this] { OnEmulation(); },
                   [this](platform::CommandState& s) { s.enabled = !Busy(); });
}

CComView::~CComView() {
    CloseLink();
    checks.sendFile.Close();
    checks.receiveFile.Close();
}

CComDoc* CComView::GetDoc() const { return dynamic_cast<CComDoc*>(GetDocument()); }

bool CComView::ShowsStoredLines() const {
    const CComDoc* doc = GetDoc();
    return !doc || !doc->IsListing();
}

void CComView::Log(const std::string& line) {
    if (CComDoc* doc = GetDoc()) doc->AddLine(line);
}

bool CComView::AskYesNo(const std::string& question) {
    return platform::ShowMessage(question, {platform::Buttons::YesNo, platform::Icon::Question}) == platform::kIdYes;
}

void CComView::Message(const std::string& text) { platform::ShowMessage(text); }

int CComView::DebugLevel() const { return app_.ComOptions().debugLevel; }

void CComView::SetWaitCursor(bool on) {
    if (on) {
        platform::BeginWaitCursor();
    } else {
        platform::EndWaitCursor();
    }
}

void CComView::OnStart(platform::WParam wparam) { OnStartTransfer(wparam == 1); }

void CComView::OnEmulation() {
    ComEMUDialog dialog;
    dialog.model = emulatedModel;
    if (dialog.RunModal() != platform::kIdOk || dialog.model < 0) return;
    emulatedModel = dialog.model;
    app_.ComOptions().emulatedModel = dialog.model;
}

void CComView::Refuse(const std::string& text) {
    refused_ = true;
    platform::ShowMessage(text);
}

bool CComView::CheckChoice(bool& asked) {
    // Messages name the file as the user gave it.
    const std::string name = checks.fileName;
    const char* cname = name.c_str();
    asked = false;
    if (mode != kModeList && port < 0) {
        Refuse("You must choose a Comms Port");
        return false;
    }
    if ((mode == kModeRead || mode == kModeWrite) && database < 0) {
        Refuse("You must choose a Database");
        return false;
    }
    // The file's folder becomes the current folder; a relative name still names the file.
    const std::string folder = platform::DirName(platform::NormalizePath(name));
    if (!folder.empty()) {
        if (name[0] != '/') {
            char cwd[PATH_MAX];
            if (::getcwd(cwd, sizeof cwd)) checks.fileName = std::string(cwd) + "/" + platform::NormalizePath(name);
        }
        const std::string target = platform::DirName(checks.fileName);
        if (::chdir(target.c_str()) != 0) {
            Refuse(StringFormatC("Unable to select directory \"%s\"", target.c_str()));
            return false;
        }
    }
    const bool exists = !name.empty() && checks.sendFile.OpenRead(checks.fileName);
    switch (mode) {
        case kModeRead:
            if (database == kKindAviation) {
                Refuse("Sorry, we cannot read the Aviation DB from the GPS");
            } else if (database == kKindObstacles) {
                Refuse("Sorry, we cannot read the Obstacle DB from the GPS");
            } else if (name.empty()) {
                Refuse("You must choose a file to receive the GPS data");
            } else if (exists) {
                asked = true;
                if (AskYesNo(StringFormatC("Are you SURE you want to overwrite %s", cname))) return true;
                refused_ = true;
            } else {
                return true;
            }
            return false;
        case kModeWrite:
            if (database == kKindScreen) {
                Refuse("Sorry, we cannot send a Screen Dump to the GPS");
            } else if (name.empty()) {
                Refuse("You must choose a file to send to the GPS");
            } else if (!exists) {
                Refuse(StringFormatC("Cannot open %s", cname));
            } else if (database == kKindAviation) {
                if (checks.DetectImageType()) return true;
                Refuse(StringFormatC("%s is not a recognised Image file", cname));
            } else if (database != kKindObstacles) {
                uint8_t packet[257];
                const int id = checks.PeekGarRecordId(packet);
                if (id == kGarEnd || id == HostFileTable[database].recordId || KindOfOtherRecord(id) == database) return true;
                Refuse(StringFormatC("%s does not contain the chosen type of data", cname));
            } else {
                return true;
            }
            return false;
        case kModeHost:
            return true;
        default:
            if (name.empty()) {
                Refuse("You must choose a file to list");
            } else if (!exists) {
                Refuse(StringFormatC("Cannot open %s", cname));
            } else if (checks.DetectImageType()) {
                Refuse("Please use Pelmora to list IMAGE files");
            } else {
                return true;
            }
            return false;
    }
}

void CComView::OnStartTransfer(bool child) {
    CComDoc* doc = GetDoc();
    if (!doc) return;
    doc->ListGarFile("");
    if (child) {
        AttachServerStdio();
        return;
    }
    ComStartOptions& options = app_.ComOptions();
    for (;;) {
        CComSetupDlg dialog(options.startPort, options.debugLevel, options.newProtocol);
        if (dialog.RunModal() != platform::kIdOk) {
            checks.sendFile.Close();
            return;
        }
        mode = dialog.choice.mode;
        database = dialog.choice.database;
        maxBaud = dialog.choice.maxBaud;
        port = dialog.choice.port;
        options.newProtocol = dialog.newProtocol;
        checks.imageType = kImageTypeUnknown;
        checks.fileName = dialog.choice.fileName;
        bool asked = false;
        const bool passed = CheckChoice(asked);
        if (passed) {
            refused_ = false;
            if (ShowTransferDetails(false)) break;
        }
        checks.sendFile.Close();
    }
    checks.sendFile.Close();
    if (mode == kModeList) {
        SetBusy(true);
        ClearSelection();
        doc->ListGarFile(checks.fileName);
        return;
    }
    OpenPort(port);
}

bool CComView::ShowTransferDetails(bool child) {
    CComDoc* doc = GetDoc();
    auto add = [doc](const std::string& line) { doc->AddLine(line); };
    add("");
    add(StringFormatC(" ******** Wistrel %s Transfer Details ********", kWistrelVersion));
    add("");
    emulatedModel = app_.ComOptions().emulatedModel;
    if (DebugLevel() != 0) add(StringFormatC("Debug Level = %d", DebugLevel()));
    const char* file = checks.fileName.c_str();
    switch (mode) {
        case kModeRead:
        case kModeWrite:
            add(StringFormatC("You have chosen to transfer the '%s' database", HostFileTable[database].name));
            add(mode == kModeWrite ? StringFormatC("out of the file '%s', and into the GPS.", file)
                                   : StringFormatC("out of the GPS, and into file '%s'.", file));
            add("Choose HOST mode in the Interface page of the GPS.");
            break;
        case kModeHost:
            add(StringFormatC("Emulating GPS%s", EmulatedModelTable[emulatedModel].name));
            if (child) {
                add("In SERVER mode, Wistrel waits for the Client to request a transfer.");
            } else {
                add("In HOST mode, Wistrel waits for the GPS to request a transfer.");
                add("Choose SEND or RECEIVE in the Interface page of the GPS,");
                add("then choose the database type, and press ENT.");
            }
            add("The filenames used are pre-defined in your local directory, chosen from:");
            add("H_usr.gar, H_routs.gar, H_prox.gar, H_alman.gar, H_track.gar, H_avd.img");
            add("");
            break;
        default:
            add(StringFormatC("The file '%s' will be listed", file));
            break;
    }
    if (child) return true;
    if (mode != kModeList) add(StringFormatC("Maximum baudrate restricted to %d baud", kNominalBaud[maxBaud]));
    checks.sendFile.Close();
    add("CLICK THE 'GO' BUTTON WHEN READY");
    add("");
    COkGoDlg dialog(135, "Confirm Transfer Details", "Please check the requested transfer details in the main window. ");
    return dialog.RunModal() == platform::kIdOk;
}

void CComView::Stop(const std::string& stopText) {
    CComDoc* doc = GetDoc();
    app_.SetIdleJob(0);
    eraseJob_ = 0;
    KillTimer(1);
    timerId_ = 0;
    ClearSelection();
    std::string text = stopText;
    // A read is complete only once what it received is on the medium.
    if (Busy() && mode == kModeRead && text == "Transfer Complete" && !SyncReceiveFile())
        text = WriteErrorText() + " - Transfer Terminated";
    CloseTransferFiles();
    if (doc && doc->IsListing()) {
        doc->ListGarFile("");
        SetBusy(false);
        doc->AddLine("Listing Complete");
        return;
    }
    const bool wasActive = Busy();
    if (wasActive) transferFailed_ = (mode == kModeRead || mode == kModeWrite) && text != "Transfer Complete";
    LogView::Stop(text);
    ackQueue_.Clear();
    region_ = 0;
    ackWait_ = false;
    reader_.Stop();
    RestorePort();
    // The emulator child ends with its transfer.
    if (wasActive && portIndex_ == kPortServer) app_.Quit(1);
}

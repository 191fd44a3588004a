#include "transfer/serial/CComSetupDlg.h"

#include <unistd.h>

#include <climits>

#include "common/CLocale.h"
#include "platform/FileDialog.h"
#include "platform/FileSystem.h"
#include "transfer/common/HostFileTable.h"

using namespace platform;

namespace {

const std::vector<std::string> kPortRows = {"COM 1", "COM 2", "COM 3", "COM 4"};
const std::vector<std::string> kModeRows = {"Read", "Write", "Host", "List"};
const std::vector<std::string> kDatabaseRows = {"Aviation", "User", "Routes", "Proximity", "Almanac", "Tracks", "Screen"};
const std::vector<std::string> kBaudRows = {"9600", "14400", "19200", "28800", "38400", "57600", "115200"};

std::string CurrentDirectory() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

}  // namespace

ComSetupChoice& LastComSetupChoice() {
    static ComSetupChoice choice;
    return choice;
}

CComSetupDlg::CComSetupDlg(int startPort, int debugLevel, bool protocol)
    : Dialog({133, "Setup Communications",
              {DropListControl(kIdSetupPort, "Port", kPortRows), DropListControl(kIdSetupMode, "Mode", kModeRows),
               DropListControl(kIdSetupDatabase, "Database", kDatabaseRows), EditControl(kIdSetupFilename, "Filename"),
               ButtonControl(kIdSetupBrowse, "Browse->"), CheckControl(kIdSetupNewProtocol, "New Protocol"),
               StaticControl("The New Protocol checkbox gives a choice for G3P units. For 196/295 its use is "
                             "automatic, while 89/90/95/195 do not support it.",
                             kIdSetupProtocolText),
               DropListControl(kIdSetupMaxBaud, "Max Baud", kBaudRows), ButtonControl(kIdOk, "OK", true),
               ButtonControl(kIdCancel, "Cancel")}}),
      newProtocol(protocol),
      startPort_(startPort),
      debugLevel_(debugLevel) {
    choice = LastComSetupChoice();
    if (choice.port < 0) choice.port = startPort;
}

bool CComSetupDlg::OnInit() {
    if (startPort_ >= 4) {
        AddString(kIdSetupPort, StringFormatC("COM %d", startPort_ + 1));
    } else if (debugLevel_ != 0) {
        AddString(kIdSetupPort, "Client");
    }
    if (debugLevel_ != 0) AddString(kIdSetupDatabase, "Obstacles");
    SetCurSel(kIdSetupPort, choice.port >= 0 && choice.port < 4 ? choice.port : 4);
    SetCurSel(kIdSetupMode, choice.mode);
    SetCurSel(kIdSetupDatabase, choice.database);
    SetCurSel(kIdSetupMaxBaud, choice.maxBaud);
    SetItemText(kIdSetupFilename, choice.fileName);
    SetCheck(kIdSetupNewProtocol, newProtocol);
    Enable();
    return true;
}

void CComSetupDlg::Enable() {
    const int mode = GetCurSel(kIdSetupMode);
    const int database = GetCurSel(kIdSetupDatabase);
    EnableItem(kIdSetupPort, mode != kModeList);
    EnableItem(kIdSetupDatabase, mode != kModeHost && mode != kModeList);
    EnableItem(kIdSetupFilename, mode != kModeHost);
    EnableItem(kIdSetupBrowse, mode != kModeHost);
    const bool protocol = mode == kModeWrite && database == kKindAviation;
    EnableItem(kIdSetupNewProtocol, protocol);
    EnableItem(kIdSetupProtocolText, protocol);
    EnableItem(kIdSetupMaxBaud, mode == kModeRead || mode == kModeWrite || mode == kModeHost);
}

void CComSetupDlg::OnSelChange(int id) {
    if (id == kIdSetupMode || id == kIdSetupDatabase) Enable();
}

void CComSetupDlg::OnButton(int id) {
    if (id == kIdSetupBrowse) OnBrowse();
}

void CComSetupDlg::OnBrowse() {
    const int mode = GetCurSel(kIdSetupMode);
    const int database = GetCurSel(kIdSetupDatabase);
    FileDialogRequest request;
    request.initialDir = CurrentDirectory();
    std::string extension;
    if (database == kKindAviation && mode != kModeList) {
        request.title = "Select Image File";
        request.filters = {{"Image File [*.img]", "*.img"}};
        extension = ".img";
    } else if (database == kKindObstacles) {
        request.title = "Select Obstacles File";
        request.filters = {{"Obstacles File [*.taw]", "*.taw"}};
        extension = ".taw";
    } else {
        request.title = "Select Binary File";
        request.filters = {{"Binary File [*.gar]", "*.gar"}};
        extension = ".gar";
    }
    request.overwritePrompt = false;
    if (!RunFileDialog(request)) return;
    // Names keep their case: file names are case-sensitive here.
    std::string path = request.fileName;
    const std::string base = BaseName(path);
    if (base.size() <= 1 || base.find('.', 1) == std::string::npos) path += extension;
    SetItemText(kIdSetupFilename, path);
    const std::string folder = DirName(path);
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        // The setup's checks report a folder that cannot be entered.
    }
}

void CComSetupDlg::OnOk() {
    ComSetupChoice& last = LastComSetupChoice();
    const int portRow = GetCurSel(kIdSetupPort);
    if (portRow >= 0) choice.port = portRow < 4 ? portRow : startPort_ >= 4 ? startPort_ : kPortClient;
    else choice.port = -1;
    const int mode = GetCurSel(kIdSetupMode);
    const int database = GetCurSel(kIdSetupDatabase);
    const int baud = GetCurSel(kIdSetupMaxBaud);
    if (mode >= 0) choice.mode = mode;
    if (database >= 0) choice.database = database;
    if (baud >= 0) choice.maxBaud = baud;
    choice.fileName = GetItemText(kIdSetupFilename);
    newProtocol = IsChecked(kIdSetupNewProtocol);
    last = choice;
    End(kIdOk);
}

#include "transfer/usb/CUsbSetupDlg.h"

#include <unistd.h>

#include <climits>

#include "platform/FileDialog.h"
#include "platform/FileSystem.h"
#include "transfer/common/UnitDriveSearch.h"
#include "transfer/usb/UsbTables.h"

using namespace platform;

namespace {

const std::vector<std::string> kModeRows = {"Read", "Write", "List"};
const std::vector<std::string> kDatabaseRows = {"Aviation", "User",   "Routes", "Proximity",
                                                "Almamac",  "Tracks", "Screen", "TAWs or VRPs"};

std::string CurrentDirectory() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

}  // namespace

UsbSetupChoice& LastUsbSetupChoice() {
    static UsbSetupChoice choice;
    return choice;
}

CUsbSetupDlg::CUsbSetupDlg()
    : Dialog({133, "Setup Transfer",
              {DropListControl(kIdUsbMode, "Mode", kModeRows), DropListControl(kIdUsbDatabase, "Database", kDatabaseRows),
               EditControl(kIdUsbFilename, "Filename"), ButtonControl(kIdUsbBrowse, "Browse->"),
               EditControl(kIdUsbDrive, "Drive"), ButtonControl(kIdUsbDriveButton, "Aera Drive"),
               ButtonControl(kIdOk, "OK", true), ButtonControl(kIdCancel, "Cancel")}}) {
    choice = LastUsbSetupChoice();
}

bool CUsbSetupDlg::OnInit() {
    SetCurSel(kIdUsbMode, choice.mode);
    SetCurSel(kIdUsbDatabase, choice.database);
    SetItemText(kIdUsbFilename, choice.fileName);
    SetItemText(kIdUsbDrive, choice.drive);
    EnableItem(kIdUsbDatabase, choice.mode != kUsbList);
    return true;
}

void CUsbSetupDlg::OnSelChange(int id) {
    if (id != kIdUsbMode && id != kIdUsbDatabase) return;
    const int mode = GetCurSel(kIdUsbMode);
    const int database = GetCurSel(kIdUsbDatabase);
    if (mode >= 0) choice.mode = mode;
    if (database >= 0) {
        choice.database = database;
        LastUsbSetupChoice().database = database;
    }
    EnableItem(kIdUsbDatabase, choice.mode != kUsbList);
}

void CUsbSetupDlg::OnButton(int id) {
    if (id == kIdUsbBrowse) OnBrowse();
    if (id == kIdUsbDriveButton) {
        // No unit's drive mounted: the field stays as it was.
        const std::string found = FindUnitDrive();
        if (!found.empty()) SetItemText(kIdUsbDrive, found);
    }
}

void CUsbSetupDlg::OnBrowse() {
    const int mode = GetCurSel(kIdUsbMode);
    const int database = GetCurSel(kIdUsbDatabase);
    const bool drive = !GetItemText(kIdUsbDrive).empty();
    FileDialogRequest request;
    request.initialDir = CurrentDirectory();
    std::string extension;
    if (database == kUsbDbAviation && mode != kUsbList) {
        request.title = "Select Image File";
        request.filters = {{"Image File [*.img *.bin]", "*.img;*.bin"}};
        extension = ".img";
    } else if (database == kUsbDbTaw) {
        request.title = "Select TAW or AWP(VRPs) File";
        request.filters = {{"TAW or AWP(VRPs) File [*.taw *.awp]", "*.taw;*.awp"}};
        extension = ".taw";
    } else if (drive) {
        request.title = "Select GPX File";
        request.filters = {{"GPX File [*.gpx]", "*.gpx"}};
        extension = ".gpx";
    } else {
        request.title = "Select Binary File";
        request.filters = {{"Binary File [*.gar]", "*.gar"}};
        extension = ".gar";
    }
    request.filters.push_back({"All Files [*.*]", "*"});
    request.overwritePrompt = false;
    if (!RunFileDialog(request)) return;
    // Names keep their case: file names are case-sensitive here.
    std::string path = request.fileName;
    const std::string base = BaseName(path);
    if (base.size() <= 1 || base.find('.', 1) == std::string::npos) path += extension;
    SetItemText(kIdUsbFilename, path);
    const std::string folder = DirName(path);
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        // The setup's checks report a file that cannot be opened.
    }
}

void CUsbSetupDlg::OnOk() {
    const int mode = GetCurSel(kIdUsbMode);
    const int database = GetCurSel(kIdUsbDatabase);
    if (mode >= 0) choice.mode = mode;
    if (database >= 0) choice.database = database;
    choice.fileName = GetItemText(kIdUsbFilename);
    choice.drive = GetItemText(kIdUsbDrive);
    LastUsbSetupChoice() = choice;
    End(kIdOk);
}

#include "transfer/sdcard/CCelvaneSetupDlg.h"

#include <unistd.h>

#include <climits>

#include "platform/FileDialog.h"
#include "platform/FileSystem.h"

using namespace platform;

namespace {

std::string& RememberedFileName() {
    static std::string name;
    return name;
}

}  // namespace

CCelvaneSetupDlg::CCelvaneSetupDlg(std::string driveText)
    : Dialog({133, "Setup Transfer",
              {EditControl(kIdCelvaneDrive, "Drive"), EditControl(kIdCelvaneFilename, "Filename"),
               ButtonControl(kIdCelvaneBrowse, "Browse->"), ButtonControl(kIdOk, "OK", true),
               ButtonControl(kIdCancel, "Cancel")}}),
      fileName(RememberedFileName()),
      drive(std::move(driveText)) {}

bool CCelvaneSetupDlg::OnInit() {
    SetItemText(kIdCelvaneFilename, fileName);
    SetItemText(kIdCelvaneDrive, drive);
    return true;
}

void CCelvaneSetupDlg::OnButton(int id) {
    if (id != kIdCelvaneBrowse) return;
    FileDialogRequest request;
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer)) request.initialDir = buffer;
    request.title = "Select TAW or IMG File";
    request.filters = {{"IMG or TAW File [*.img *.taw]", "*.img;*.taw"}};
    request.overwritePrompt = false;
    if (!RunFileDialog(request)) return;
    std::string path = request.fileName;
    const std::string base = BaseName(path);
    if (base.size() <= 1 || base.find('.', 1) == std::string::npos) path += ".img";
    SetItemText(kIdCelvaneFilename, path);
    const std::string folder = DirName(path);
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        // Opening the file reports a folder that cannot be reached.
    }
}

void CCelvaneSetupDlg::OnOk() {
    fileName = GetItemText(kIdCelvaneFilename);
    drive = GetItemText(kIdCelvaneDrive);
    RememberedFileName() = fileName;
    End(kIdOk);
}

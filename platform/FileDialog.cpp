#include "platform/FileDialog.h"

#include <unistd.h>

#include "platform/App.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace platform {

std::vector<FileFilter> ParseFilterList(const std::string& list) {
    std::vector<FileFilter> filters;
    std::vector<std::string> parts;
    std::string current;
    for (char c : list) {
        if (c == '|') {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) parts.push_back(current);
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;  // "||" ends the list
        filters.push_back(FileFilter{parts[i], parts[i + 1]});
    }
    return filters;
}

bool AcceptChosenFile(const FileDialogRequest& request, const std::string& name, std::string& result) {
    if (name.empty()) return false;
    std::string path = NormalizePath(name);
    if (path[0] != '/') {
        std::string dir = request.initialDir;
        if (dir.empty()) {
            char buf[4096];
            dir = ::getcwd(buf, sizeof buf) ? buf : ".";
        }
        path = NormalizePath(dir) + "/" + path;
    }
    std::string base = BaseName(path);
    if (!request.defaultExtension.empty() && base.find('.') == std::string::npos) {
        path += "." + request.defaultExtension;
    }
    bool exists = FileExists(path);
    if (!request.save && request.fileMustExist && !exists) {
        ShowMessage(path + "\nFile not found.\nCheck the file name and try again.",
                    MessageStyle{Buttons::Ok, Icon::Warning, 0});
        return false;
    }
    if (request.save && request.overwritePrompt && exists) {
        int r = ShowMessage(path + " already exists.\nDo you want to replace it?",
                            MessageStyle{Buttons::YesNo, Icon::Warning, 1});
        if (r != kIdYes) return false;
    }
    result = path;
    return true;
}

bool RunFileDialog(FileDialogRequest& request) {
    App* app = App::Current();
    return app && app->GetUi().RunFileDialog(request);
}

}  // namespace platform

#include "platform/FileDialog.h"

#include "platform/App.h"

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

bool RunFileDialog(FileDialogRequest& request) {
    App* app = App::Current();
    return app && app->GetUi().RunFileDialog(request);
}

}  // namespace platform

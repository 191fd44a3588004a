// Open and save file dialogs.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct FileFilter {
    std::string description;  // "Image File [*.img; 0.dat]"
    std::string patterns;     // "*.img;0.dat"
};

struct FileDialogRequest {
    bool save = false;                 // save dialog (else open)
    std::string title;                 // caption; empty: "Open" / "Save As"
    std::vector<FileFilter> filters;
    int filterIndex = 1;               // 1-based chosen filter, in and out
    std::string initialDir;            // empty: the current directory
    std::string fileName;              // initial name in; chosen full path out
    std::string defaultExtension;      // appended (with '.') when the name has none
    bool hideReadOnly = true;
    bool overwritePrompt = true;       // save: ask before replacing a file
    bool fileMustExist = false;        // open: refuse names of missing files
};

// Parses a filter list in the programs' form "Text|*.a;*.b|Text2|*.*||".
std::vector<FileFilter> ParseFilterList(const std::string& list);

// The checks of the dialog's OK on the name the user chose, shared by the backends: a
// relative name is taken from the starting folder (else the current one), the default
// extension is added to a name without one, a missing file is refused when it must exist
// ("...\nFile not found...") and replacing a file is asked when saving ("... already
// exists.\nDo you want to replace it?", default No). True with path set when the name is
// taken; false when the dialog stays open.
bool AcceptChosenFile(const FileDialogRequest& request, const std::string& name, std::string& path);

// Runs the dialog through the running application's backend. True on OK,
// with request.fileName the full path and request.filterIndex the filter.
bool RunFileDialog(FileDialogRequest& request);

}  // namespace platform

#include "gen/shell/CGenSetupDlg.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenTitleDlg.h"
#include "platform/Exchange.h"
#include "platform/FileDialog.h"
#include "platform/FileSystem.h"

using namespace platform;

namespace {

bool EndsWith(const std::string& text, const char* tail) {
    std::string t(tail);
    return text.size() >= t.size() && text.compare(text.size() - t.size(), t.size(), t) == 0;
}

std::string CurrentDirectory() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

// The open-file dialog's title and filters by mode.
void BrowseFilters(int mode, FileDialogRequest& request) {
    const FileFilter all{"All Files [*.*]", "*.*"};
    switch (mode) {
    case kModeCreateImage:
        request.title = "Select Image File";
        request.filters = {{"Image File [*.img; 0.dat]", "*.img;0.dat"}, all};
        break;
    case kModeBatchUpdate:
        request.title = "Select Batch Update File";
        request.filters = {{"Batch File [*.txt]", "*.txt"}, {"Batch Dump [*bat.all]", "*bat.all"}, all};
        break;
    case kModeCompileSua:
        request.title = "Select SUA Dump File";
        request.filters = {{"SUA Dump File [*sua.all]", "*sua.all"}, all};
        break;
    case kModeCompileTcc:
        request.title = "Select FSS/TCC Dump File";
        request.filters = {{"TCC Dump File [*tcc.all]", "*tcc.all"}, all};
        break;
    case kModeCompileApr:
        request.title = "Select Approach Dump File";
        request.filters = {{"APR Dump File [*apr.all]", "*apr.all"}, all};
        break;
    default:
        request.title = "Select Image File";
        request.filters = {{"Image File [*.img; *.awp]", "*.img;*.im1;*.rg1;*.rgn;*.awp;*.bin"}, all};
        break;
    }
}

}  // namespace

SetupChoice& RememberedSetup() {
    static SetupChoice choice;
    return choice;
}

void RememberSetupChoice(int mode, int section, const std::string& fileName) {
    SetupChoice& r = RememberedSetup();
    r.mode = mode;
    r.section = section;
    if (mode >= 0 && mode < 8) r.fileNames[mode] = fileName;
}

CGenSetupDlg::CGenSetupDlg(CGenApp& app)
    : Dialog({130, "Select Required Operation",
              {DropListControl(kIdSetupMode, "Mode",
                               {kModeTexts[0].comboText, kModeTexts[1].comboText, kModeTexts[2].comboText,
                                kModeTexts[3].comboText}),
               DropListControl(kIdSetupSection, "Section",
                               app.Model().SectionComboTexts()),
               EditControl(kIdSetupFilename, "Filename"), ButtonControl(kIdSetupBrowse, "Browse->"),
               ButtonControl(kIdSetupTitle, "Title"), ButtonControl(kIdSetupFilters, "Filters"),
               CheckControl(kIdSetupListing, "Listing"), ButtonControl(kIdOk, "OK", true),
               ButtonControl(kIdCancel, "Cancel")}}),
      app_(app) {
    const SetupChoice& r = RememberedSetup();
    mode = r.mode;
    section = r.section;
    if (mode >= 0 && mode < 8) fileName = r.fileNames[mode];
}

int CGenSetupDlg::ModeOfIndex(int index) const {
    return index >= 0 && index < static_cast<int>(modes_.size()) ? modes_[index] : -1;
}

int CGenSetupDlg::IndexOfMode(int m) const {
    for (size_t i = 0; i < modes_.size(); ++i) {
        if (modes_[i] == m) return static_cast<int>(i);
    }
    return -1;
}

bool CGenSetupDlg::OnInit() {
    modes_ = {0, 1, 2, 3};
    for (const auto& [m, text] : app_.Model().compileModes) {
        AddString(kIdSetupMode, text);
        modes_.push_back(m);
    }
    if (mode >= 0 && mode < 8) fileName = RememberedSetup().fileNames[mode];
    title = kDefaultSetupTitle;
    ExchangeData(false);
    RefreshSetupControls();
    return true;
}

void CGenSetupDlg::DoDataExchange(Exchange& dx) {
    int index = IndexOfMode(mode);
    dx.Index(kIdSetupMode, index);
    if (dx.Saving()) mode = ModeOfIndex(index);
    dx.Index(kIdSetupSection, section);
    dx.Text(kIdSetupFilename, fileName);
    dx.Check(kIdSetupListing, listing);
}

void CGenSetupDlg::RefreshSetupControls() {
    int m = ModeOfIndex(GetCurSel(kIdSetupMode));
    EnableItem(kIdSetupSection, m == kModeList);
    const SetupChoice& r = RememberedSetup();
    bool anyName = false;
    for (const auto& name : r.fileNames) anyName = anyName || !name.empty();
    if (anyName && m >= 0 && m < 8) SetItemText(kIdSetupFilename, r.fileNames[m]);
    EnableItem(kIdSetupTitle, m == kModeCreateImage);
    EnableItem(kIdSetupFilters, m == kModeList);
    EnableItem(kIdSetupListing, m == kModeBatchUpdate || m == kModeCompileSua || m == kModeCompileTcc ||
                                    m == kModeCompileApr);
}

void CGenSetupDlg::OnSelChange(int id) {
    if (id == kIdSetupMode || id == kIdSetupSection) RefreshSetupControls();
}

void CGenSetupDlg::OnButton(int id) {
    switch (id) {
    case kIdSetupBrowse:
        OnBrowse();
        break;
    case kIdSetupTitle:
        OnTitle();
        break;
    case kIdSetupFilters:
        app_.OnViewFilters(false);
        break;
    default:
        break;
    }
}

void CGenSetupDlg::OnBrowse() {
    int m = ModeOfIndex(GetCurSel(kIdSetupMode));
    FileDialogRequest request;
    BrowseFilters(m, request);
    request.hideReadOnly = true;
    request.initialDir = CurrentDirectory();
    if (RunFileDialog(request)) {
        std::string path = request.fileName;
        if (m == kModeCreateImage && !EndsWith(path, ".img")) path += ".img";
        SetItemText(kIdSetupFilename, path);
    }
    NextControl(true);
}

void CGenSetupDlg::OnTitle() {
    CGenTitleDlg dialog;
    if (dialog.RunModal() == kIdOk) title = dialog.title;
}

void CGenSetupDlg::OnOk() {
    int m = ModeOfIndex(GetCurSel(kIdSetupMode));
    int s = GetCurSel(kIdSetupSection);
    SetupChoice& r = RememberedSetup();
    r.mode = m;
    r.section = s;
    std::string name = GetItemText(kIdSetupFilename);
    if (m == kModeCreateImage && !name.empty() && !EndsWith(name, ".img") && !EndsWith(name, "0.dat")) {
        name += ".img";
    }
    if ((m == kModeCreateIsam || m == kModeList) && (EndsWith(name, ".taw") || EndsWith(name, ".awp"))) {
        name.replace(name.size() - 4, 4, ".img");
    }
    // The name's folder becomes the current directory; a relative name is made absolute first
    // so that it still names the same file.
    std::string folder = DirName(NormalizePath(name));
    if (!folder.empty()) {
        if (name[0] != '/') {
            std::string cwd = CurrentDirectory();
            if (!cwd.empty()) name = cwd + "/" + NormalizePath(name);
            folder = DirName(name);
        }
        if (::chdir(folder.c_str()) != 0) {
            // A folder that does not exist: the setup checks refuse the file.
        }
    }
    SetItemText(kIdSetupFilename, name);
    if (!name.empty() && m >= 0 && m < 8) {
        r.fileNames[m] = name;
        if (m == kModeCreateImage) {
            r.fileNames[kModeCreateIsam] = name;
            r.fileNames[kModeList] = name;
        } else if (m == kModeCreateIsam) {
            r.fileNames[kModeList] = name;
        } else if (m == kModeList) {
            r.fileNames[kModeCreateIsam] = name;
        }
    }
    if (ExchangeData(true)) End(kIdOk);
}

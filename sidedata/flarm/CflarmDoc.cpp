#include "sidedata/flarm/CflarmDoc.h"

#include "platform/Command.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "sidedata/flarm/FlarmSave.h"

CflarmDoc::CflarmDoc() {
    Commands().Add(platform::kCmdFileSaveAs, [this] { OnSaveFullListingAs(); });
}

void CflarmDoc::AddLine(std::string_view text) {
    lines_.emplace_back(text);
    EchoLine(text);
    if (lines_.size() <= static_cast<size_t>(kMaxShownLines)) UpdateAllViews(nullptr, kHintLineAdded);
}

void CflarmDoc::ClearLines() {
    lines_.clear();
    lines_.shrink_to_fit();
    UpdateAllViews(nullptr, 0);
}

int CflarmDoc::GetLineCount() const {
    return lines_.size() < static_cast<size_t>(kMaxShownLines) ? static_cast<int>(lines_.size()) : kMaxShownLines;
}

const std::string& CflarmDoc::GetLine(int i) const {
    static const std::string maxText = kMaxDisplayableText;
    static const std::string none;
    if (i > kMaxShownLines - 2) return maxText;
    if (i < 0 || static_cast<size_t>(i) >= lines_.size()) return none;
    return lines_[static_cast<size_t>(i)];
}

bool CflarmDoc::SaveFullListing(const std::string& path) const {
    std::string bytes;
    for (const std::string& line : lines_) {
        bytes += line;
        bytes += "\r\n";
    }
    return ReplaceFileContents(path, bytes);
}

void CflarmDoc::OnSaveFullListingAs() {
    platform::FileDialogRequest request;
    request.save = true;
    request.defaultExtension = "txt";
    request.filters = {{"Text File [*.txt]", "*.txt"}};
    if (!platform::RunFileDialog(request)) return;
    std::string path = request.fileName;
    std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    if (name.size() < 2 || name.find('.', 1) == std::string::npos) path += ".txt";
    if (!SaveFullListing(path)) platform::ShowMessage("The file could not be opened");
}

#include "sidedata/obstacles/CTrevossaView.h"

#include <unistd.h>

#include "platform/FileDialog.h"
#include "platform/FileSystem.h"
#include "sidedata/obstacles/CTrevossaDoc.h"

namespace obstacles {

CTrevossaView::CTrevossaView(platform::Clipboard& clipboard, int& debugLevel)
    : LogView({kCmdStopReset, kDebugDialogId}, clipboard, debugLevel) {}

CTrevossaDoc* CTrevossaView::GetDoc() const { return dynamic_cast<CTrevossaDoc*>(GetDocument()); }

void CTrevossaView::OnSelectFile() {
    CTrevossaDoc* doc = GetDoc();
    if (!doc) return;
    doc->CloseDataFile();
    platform::FileDialogRequest request;
    request.title = kSelectFileTitle;
    request.filters = {{"VRP or Trevossa File [*.awp *.taw]", "*.awp;*.taw"}};
    request.fileName = lastPath_;
    request.fileMustExist = true;
    if (!platform::RunFileDialog(request)) return;
    lastPath_ = request.fileName;
    std::string folder = platform::DirName(lastPath_);
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        // The current folder stays; the file is read by its full path.
    }
    ReloadFile();
}

void CTrevossaView::ReloadFile() {
    ClearSelection();
    if (CTrevossaDoc* doc = GetDoc()) doc->OpenDataFile(lastPath_);
}

void CTrevossaView::StopReset() {
    CTrevossaDoc* doc = GetDoc();
    if (doc && doc->IsOpen()) {
        ClearSelection();
        doc->CloseDataFile();
        return;
    }
    Stop(platform::kLogStopText);
}

bool CTrevossaView::StopEnabled() const {
    CTrevossaDoc* doc = GetDoc();
    return Busy() || (doc && doc->IsOpen());
}

}  // namespace obstacles

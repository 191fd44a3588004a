#include "transfer/common/CComDoc.h"

#include <unistd.h>

#include <vector>

#include "platform/FileDialog.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "transfer/common/GarTables.h"
#include "transfer/common/LineChunks.h"
#include "transfer/common/ScreenBitmap.h"
#include "transfer/common/TraceText.h"
#include "transfer/common/TransferFile.h"

namespace {

constexpr const char* kCannotOpenText = "The file could not be opened";

bool HasExtension(const std::string& path) {
    const std::string base = platform::BaseName(path);
    return base.size() > 1 && base.find('.', 1) != std::string::npos;
}

std::string ExtensionOf(const std::string& path) {
    const std::string base = platform::BaseName(path);
    const size_t dot = base.rfind('.');
    return dot == std::string::npos ? std::string() : base.substr(dot + 1);
}

}  // namespace

CComDoc::CComDoc() : listing_([](const std::string& text) { platform::ShowMessage(text); }) {
    Commands().Add(platform::kCmdFileSaveAs, [this] { OnFileSaveAs(); },
                   [this](platform::CommandState& s) { s.enabled = GetLineCount() != 0; });
}

CComDoc::~CComDoc() = default;

int CComDoc::GetLineCount() const {
    return listing_.IsListing() ? listing_.GetLineCount() : LogDocument::GetLineCount();
}

const std::string& CComDoc::GetLine(int i) {
    if (!listing_.IsListing()) return LogDocument::GetLine(i);
    return listing_.GetLine(i, true);
}

void CComDoc::ListGarFile(const std::string& name) {
    listing_.Close();
    if (!name.empty() && listing_.ListGarFile(name)) {
        // Headless runs show the listing on standard output.
        for (int i = 0; i < listing_.GetLineCount(); ++i) EchoLine(listing_.GetLine(i, true));
    }
    LinesChanged();
}

void CComDoc::ShowPacketProgress(int packets) { ReplaceLastLine(PacketProgressText(packets)); }

void CComDoc::OnFileSaveAs() {
    platform::FileDialogRequest request;
    request.save = true;
    request.fileName = "*.txt";
    request.defaultExtension = "txt";
    request.overwritePrompt = true;
    request.filters = {{"Text File [*.txt]", "*.txt"}};
    if (listing_.IsListing() && listing_.Kind() == kGarScreenDump) request.filters.push_back({"Bitmap File [*.bmp]", "*.bmp"});
    request.filters.push_back({"All Files [*.*]", "*.*"});
    if (!platform::RunFileDialog(request)) return;
    std::string path = request.fileName;
    if (!HasExtension(path)) path += ".txt";
    platform::WaitCursor wait;
    SaveAs(path, ExtensionOf(path) == "bmp");
}

bool CComDoc::SaveAs(const std::string& path, bool bitmap) {
    std::vector<uint8_t> bitmapBytes;
    if (bitmap && (!listing_.IsListing() || !BuildScreenBitmap(listing_, bitmapBytes))) {
        platform::ShowMessage(GarListing::kUnexpectedEnd);
        return false;
    }
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    TransferFile file;
    if (!file.OpenWrite(temporary, true)) {
        platform::ShowMessage(kCannotOpenText);
        return false;
    }
    bool written = true;
    if (bitmap) {
        written = file.Write(bitmapBytes.data(), bitmapBytes.size());
    } else {
        LineChunks text([&file](const char* data, size_t size) { return file.Write(data, size); });
        if (listing_.IsListing()) {
            listing_.WriteLines(text);
        } else {
            const int count = GetLineCount();
            for (int i = 0; i < count && text.Ok(); ++i) text.Add(GetLine(i));
        }
        written = text.Finish();
    }
    file.Close();
    if (!written || !platform::RenameFile(temporary, path)) {
        platform::DeleteFile(temporary);
        platform::ShowMessage(kCannotOpenText);
        return false;
    }
    return true;
}

#include "sidedata/obstacles/CTrevossaDoc.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "common/CLocale.h"
#include "platform/Command.h"
#include "platform/FileDialog.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "sidedata/obstacles/TrevossaDialogs.h"

namespace obstacles {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Lower(c);
    return out;
}

// Whether a file can be created in the path's folder (the folder exists and is writable).
bool CanCreate(const std::string& path) {
    std::string folder = platform::DirName(path);
    if (folder.empty()) folder = ".";
    return platform::IsDirectory(folder) && ::access(folder.c_str(), W_OK) == 0 && !platform::IsDirectory(path);
}

}  // namespace

CTrevossaDoc::CTrevossaDoc(TrevossaOptions& options) : options_(options) {
    batchFormat = options.batchFormat;
    purge = options.purge;
    AddCommands();
}

CTrevossaDoc::~CTrevossaDoc() = default;

void CTrevossaDoc::Report(const char* text) {
    if (messageSink_) {
        messageSink_(text);
    } else {
        platform::ShowMessage(text);
    }
}

void CTrevossaDoc::AddCommands() {
    auto& table = Commands();
    table.Add(platform::kCmdFileSaveAs, [this] { OnFileSaveAs(); },
              [this](platform::CommandState& s) { s.enabled = GetLineCount() > 0; });
    table.Add(kCmdBatchFormat, [this] { batchFormat = !batchFormat; },
              [this](platform::CommandState& s) { s.checked = batchFormat; });
    table.Add(kCmdFilters, [this] { OnFilters(); });
    table.Add(kCmdProgramDefaults, [this] { OnProgramDefaults(); });
}

// ---- Output ------------------------------------------------------------------------------

bool CTrevossaDoc::PassesFilter(std::string_view line) const {
    if (filter.empty()) return true;
    if (filter == "pl|") return line.starts_with("PL|") || line.starts_with("cont|");
    return LowerCase(line).find(filter) != std::string::npos;
}

void CTrevossaDoc::EmitLine(std::string_view line) {
    if (line.empty() || !PassesFilter(line)) return;
    if (outputToFile_) {
        fileOutput_.append(line);
        fileOutput_ += "\r\n";
        if (outputFd_ >= 0 && fileOutput_.size() >= kOutputChunk) FlushOutput();
    } else {
        AddLine(line);
    }
}

void CTrevossaDoc::EmitWholeLine(std::string_view text) {
    if (pending_.empty()) {
        EmitLine(text.substr(0, text.size() - 1));
    } else {
        EmitText(1, text);
    }
}

void CTrevossaDoc::EmitText(int flag, std::string_view text) {
    if (flag < 0) {
        pending_.clear();
        return;
    }
    if (flag == 0) return;
    for (size_t nl = text.find('\n'); nl != std::string_view::npos; nl = text.find('\n')) {
        if (pending_.empty()) {
            EmitLine(text.substr(0, nl));
        } else {
            pending_.append(text.substr(0, nl));
            EmitLine(pending_);
            pending_.clear();
        }
        text.remove_prefix(nl + 1);
    }
    pending_.append(text);
}

void CTrevossaDoc::EmitDamaged(size_t offset) {
    EmitText(-1, {});
    EmitText(1, StringFormatC("// Damaged record at %zx\n", section_.offset + offset));
    stopped_ = true;
}

int CTrevossaDoc::GetLineCount() const { return outputToFile_ ? 0 : LogDocument::GetLineCount(); }

// ---- The file ----------------------------------------------------------------------------

bool CTrevossaDoc::ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    int fd = platform::OpenFile(path, O_RDONLY, platform::Share::DenyNone);
    if (fd < 0) return false;
    int64_t size = platform::FileSize(fd);
    bool ok = size >= 0 && !platform::IsDirectory(path);
    if (ok) {
        bytes.resize(static_cast<size_t>(size));
        ok = size == 0 || platform::ReadAt(fd, bytes.data(), bytes.size(), 0) == static_cast<long>(size);
    }
    platform::CloseFile(fd);
    return ok;
}

void CTrevossaDoc::CloseDataFile() {
    open_ = false;
    file_.clear();
    file_.shrink_to_fit();
    section_ = DataSection();
    data_ = Bytes();
    directory_.clear();
    purged_.clear();
    idents_.Clear();
    EmitText(-1, {});
    ClearLines();
}

bool CTrevossaDoc::OpenDataFile(const std::string& path) {
    CloseDataFile();
    if (path.empty()) return false;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        Report(kCannotReadText);
        return false;
    }
    return ListFileBytes(std::move(bytes));
}

bool CTrevossaDoc::LoadFileBytes(std::vector<uint8_t> bytes) {
    file_ = std::move(bytes);
    open_ = true;
    section_ = FindDataSection(file_);
    section_.kind = ClassifyDataSection(file_, section_);
    data_ = Bytes(std::span<const uint8_t>(file_)).Sub(section_.offset, section_.length);
    return IsListedKind(section_.kind);
}

bool CTrevossaDoc::ListFileBytes(std::vector<uint8_t> bytes) {
    bool listed = LoadFileBytes(std::move(bytes)) && ListData();
    if (!listed) {
        Report(kNothingListedText);
        CloseDataFile();
    }
    LinesChanged();
    return listed;
}

bool IsListedKind(int kind) {
    return kind == kKindObstacles || kind == kKindFixedObstacles || kind == kKindVrp || kind == kKindAirSports ||
           kind == kKindAopa || kind == kKindVrp79;
}

bool CTrevossaDoc::ListData() {
    stopped_ = false;
    EmitText(-1, {});
    switch (section_.kind) {
    case kKindObstacles:
        ListObstacleFile();
        break;
    case kKindFixedObstacles:
        ListFixedObstacleFile();
        break;
    case kKindVrp:
    case kKindAirSports:
    case kKindAopa:
    case kKindVrp79:
        ListSectionData();
        break;
    default:
        return false;
    }
    EmitText(-1, {});
    return true;
}

// ---- Output to a file --------------------------------------------------------------------

std::string CTrevossaDoc::ConvertToText() {
    outputToFile_ = true;
    fileOutput_.clear();
    ListData();
    outputToFile_ = false;
    return std::move(fileOutput_);
}

void CTrevossaDoc::FlushOutput() {
    if (!outputFailed_ && !fileOutput_.empty()) {
        long written = platform::WriteAt(outputFd_, fileOutput_.data(), fileOutput_.size(), outputOffset_);
        if (written != static_cast<long>(fileOutput_.size())) outputFailed_ = true;
        outputOffset_ += static_cast<int64_t>(fileOutput_.size());
    }
    fileOutput_.clear();
}

bool CTrevossaDoc::WriteListingFile(const std::string& path) {
    // Written under a temporary name in the same folder and renamed over the target at the
    // end: an existing file is replaced only by a finished one.
    std::string temp = path + ".tmp~";
    outputFd_ = platform::OpenFile(temp, O_WRONLY | O_CREAT | O_TRUNC, platform::Share::DenyWrite);
    if (outputFd_ < 0) return false;
    outputFailed_ = false;
    outputOffset_ = 0;
    fileOutput_.clear();
    fileOutput_.reserve(kOutputChunk + 4096);
    outputToFile_ = true;
    ListData();
    outputToFile_ = false;
    FlushOutput();
    platform::CloseFile(outputFd_);
    outputFd_ = -1;
    fileOutput_ = std::string();
    bool ok = !outputFailed_ &&
              ::rename(platform::ResolveCase(temp).c_str(), platform::ResolveCase(path).c_str()) == 0;
    if (!ok) platform::DeleteFile(temp);
    return ok;
}

int CTrevossaDoc::RunUnattended(const std::string& inputPath, const std::string& outputPath) {
    if (!CanCreate(outputPath)) {
        Report(kCannotWriteText);
        return kExitFailed;
    }
    CloseDataFile();
    AddLine(kAutoStartText);
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(inputPath, bytes)) {
        Report(kCannotReadText);
        return kExitFailed;
    }
    if (!LoadFileBytes(std::move(bytes))) {
        Report(kNothingListedText);
        CloseDataFile();
        return kExitFailed;
    }
    if (!WriteListingFile(outputPath)) {
        Report(kCannotWriteText);
        return kExitFailed;
    }
    AddLine(kAutoCompleteText);
    return kExitDone;
}

bool CTrevossaDoc::SaveListingAs(const std::string& chosen) {
    std::string path = chosen;
    std::string base = platform::BaseName(path);
    if (base.find('.', 1) == std::string::npos) path += ".txt";
    int kind = open_ ? section_.kind : kKindNone;
    switch (kind) {
    case kKindObstacles:
    case kKindFixedObstacles:
    case kKindVrp:
    case kKindVrp79:
        break;
    case kKindAirSports:
    case kKindAopa:
        if (batchFormat) {
            Report(kNoBatchFormatText);
            return false;
        }
        break;
    default:
        Report(kCannotSaveText);
        return false;
    }
    if (!CanCreate(path)) {
        Report(kFileNotOpenedText);
        return false;
    }
    platform::WaitCursor wait;
    bool wrote = WriteListingFile(path);
    if (!wrote) Report(kFileNotOpenedText);
    return wrote;
}

void CTrevossaDoc::OnFileSaveAs() {
    platform::FileDialogRequest request;
    request.save = true;
    request.filters = {{"Text File [*.txt]", "*.txt"}};
    request.defaultExtension = "txt";
    if (!platform::RunFileDialog(request)) return;
    SaveListingAs(request.fileName);
}

void CTrevossaDoc::OnFilters() {
    CFilterDLG dialog;
    dialog.filter = filter;
    dialog.minAgl = minAgl;
    if (dialog.RunModal() != platform::kIdOk) return;
    minAgl = dialog.minAgl;
    filter = LowerCase(dialog.filter);
}

void CTrevossaDoc::OnProgramDefaults() {
    CTrevossaDefaults dialog;
    dialog.country = country;
    dialog.units = heightUnits == HeightUnits::Metres ? "Metres" : "Feet";
    if (dialog.RunModal() != platform::kIdOk) return;
    country = dialog.country;
    heightUnits = dialog.units == "Metres" ? HeightUnits::Metres : HeightUnits::Feet;
}

// ---- Positions ---------------------------------------------------------------------------

std::string CTrevossaDoc::FormatPosition(int32_t value, bool isLongitude, PositionEnd end) const {
    std::string text;
    if (DebugLevel() & 16) {
        AppendRawPosition(text, value);
    } else {
        AppendPosition(text, value, isLongitude, end);
    }
    return text;
}

}  // namespace obstacles

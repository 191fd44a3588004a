#include "sidedata/flarm/CflarmView.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/App.h"
#include "platform/FileDialog.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/Printing.h"
#include "platform/WaitCursor.h"
#include "sidedata/flarm/CVersionDlg.h"
#include "sidedata/flarm/CflarmApp.h"
#include "sidedata/flarm/CflarmDoc.h"
#include "sidedata/flarm/FilterDlg.h"
#include "sidedata/flarm/FlarmInput.h"
#include "sidedata/flarm/FlarmSave.h"

using platform::DeviceContext;
using platform::Font;

namespace {

// The whole file (or its first `limit` bytes), or false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes, int64_t limit = -1) {
    int fd = platform::OpenFile(path, O_RDONLY, platform::Share::DenyNone);
    if (fd < 0) return false;
    int64_t size = platform::FileSize(fd);
    bool ok = size >= 0;
    if (ok) {
        if (limit >= 0 && size > limit) size = limit;
        bytes.resize(static_cast<size_t>(size));
        long n = size > 0 ? platform::ReadAt(fd, bytes.data(), bytes.size(), 0) : 0;
        ok = n == size;
    }
    platform::CloseFile(fd);
    return ok;
}

int AskYesNo(const std::string& question) {
    return platform::ShowMessage(question, {platform::Buttons::YesNo, platform::Icon::Question, 1});
}

}  // namespace

CflarmView::CflarmView() {
    memory_.SetSink([this](std::string_view line) {
        if (CflarmDoc* doc = GetDoc()) doc->AddLine(line);
    });
    // The screen font stands at the size of the smallest fixed font instead of 4 units.
    screenFont_ = Font{"Courier", 16, 0, platform::kWeightNormal};
    screenFont_.pitch = platform::Pitch::Fixed;
    printFont_ = Font{"Courier New", 50, 0, 500};
    printFont_.pitch = platform::Pitch::Fixed;
    headerFont_ = Font{"Courier", 100, 0, platform::kWeightBold};
    AddCommands();
}

CflarmDoc* CflarmView::GetDoc() const { return dynamic_cast<CflarmDoc*>(GetDocument()); }

void CflarmView::AddCommands() {
    auto& t = Commands();
    auto whileStored = [this](platform::CommandState& s) { s.enabled = memory_.HasRecords(); };
    t.Add(platform::kCmdFileOpen, [this] { OnFileOpen(); });
    t.Add(kCmdFileList, [this] { OnFileList(); });
    t.Add(kCmdSetVersionNumber, [this] { OnSetVersionNumber(); });
    t.Add(kCmdSaveMemoryAs, [this] { OnSaveMemoryAs(); }, whileStored);
    t.Add(kCmdClearMemory, [this] { OnClearMemory(); }, whileStored);
    t.Add(kCmdIdFilter, [this] { OnIdFilter(); });
    t.Add({platform::kCmdFilePrint, "&Print...", {{'P', true}}, [this] { platform::PrintView(*this, false); }, {}});
    t.Add(platform::kCmdFilePrintPreview, [this] { platform::PrintView(*this, true); });
    t.Add(platform::kCmdFilePrintSetup, [] { platform::RunPrintSetup(); });
}

void CflarmView::SyncDebugLevel() {
    if (CflarmApp* app = CflarmApp::Current()) memory_.debugLevel = app->DebugLevel();
}

// ---- Commands ----------------------------------------------------------------------------

void CflarmView::OnFileOpen() {
    platform::FileDialogRequest request;
    request.title = "Select Data File";
    request.filters = {{"File [*.fln; *bfn; *flx; *.txt]", "*.fln;*bfn;*flx;*.txt"}};
    request.filterIndex = openFilterIndex_;
    request.fileMustExist = true;
    if (!platform::RunFileDialog(request)) return;
    openFilterIndex_ = request.filterIndex;
    std::string folder = platform::DirName(request.fileName);
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        // The folder stays as it was; the path is absolute.
    }
    ReadDataFile(request.fileName);
}

void CflarmView::OnFileList() {
    memory_.listing = true;
    OnFileOpen();
    memory_.listing = false;
}

FlarmFileKind CflarmView::ReadDataFile(const std::string& path) {
    path_ = path;
    SyncDebugLevel();
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        memory_.List("Failed to open file");
        return kKindUnknown;
    }
    memory_.ClearCounters();
    FlarmFileKind kind;
    {
        platform::WaitCursor wait;
        if (memory_.listing) {
            if (CflarmDoc* doc = GetDoc()) doc->ClearLines();
        }
        FlarmInput input(bytes, path);
        kind = ReadFlarmFile(memory_, input);
        if (memory_.debugLevel > 0) memory_.ListF("debug = %d", memory_.debugLevel);
        memory_.ReportFlarmTotals();
        if (kind != kKindUnknown) memory_.List("Reading Complete");
    }
    memory_.List("");
    return kind;
}

void CflarmView::OnSetVersionNumber() {
    CVersionDlg dialog;
    dialog.version = memory_.version;
    if (dialog.RunModal() == platform::kIdOk) memory_.version = dialog.version;
}

void CflarmView::OnIdFilter() {
    FilterDlg dialog;
    dialog.filter = memory_.idFilter;
    if (dialog.RunModal() == platform::kIdOk) memory_.idFilter = dialog.filter;
}

void CflarmView::OnSaveMemoryAs() {
    SyncDebugLevel();
    FlarmSaveHooks hooks;
    hooks.confirmOverwrite = [](const std::string& question, const std::string&) {
        return AskYesNo(question) == platform::kIdYes;
    };
    hooks.askVersion = [this] { OnSetVersionNumber(); };
    for (;;) {
        platform::FileDialogRequest request;
        request.save = true;
        request.title = "Save Merged Data";
        for (const FlarmSaveType& type : kFlarmSaveTypes) request.filters.push_back({type.filter, type.pattern});
        request.filterIndex = saveFilterIndex_;
        request.overwritePrompt = false;
        if (!platform::RunFileDialog(request)) return;
        saveFilterIndex_ = request.filterIndex;
        FlarmSaveResult result;
        {
            platform::WaitCursor wait;
            result = SaveFlarmMemory(memory_, request.fileName, request.filterIndex, hooks);
        }
        if (result.written > 0) return;
    }
}

int CflarmView::RunCommandLine(const FlarmOptions& options) {
    SyncDebugLevel();
    if (options.list) {
        memory_.listing = true;
        FlarmFileKind kind = ReadDataFile(options.listInput);
        memory_.listing = false;
        if (kind == kKindUnknown) {
            std::fprintf(stderr, "gindral: cannot read %s\n", options.listInput.c_str());
            return kGindralExitFailed;
        }
        return kGindralExitOk;
    }
    for (const std::string& input : options.inputs) {
        if (ReadDataFile(input) == kKindUnknown) {
            std::fprintf(stderr, "gindral: cannot read %s; nothing written\n", input.c_str());
            return kGindralExitFailed;
        }
    }
    // The version asked for wins over those of the inputs.
    if (!options.version.empty()) memory_.version = options.version;
    if (!memory_.HasRecords()) {
        std::fprintf(stderr, "gindral: no records read; nothing written\n");
        return kGindralExitFailed;
    }
    const FlarmSaveType& type = kFlarmSaveTypes[options.saveType - 1];
    FlarmSaveHooks hooks;
    hooks.confirmOverwrite = [&](const std::string& question, const std::string& path) {
        // An unattended run replaces only a file of the kind it writes (or an empty one).
        std::string head;
        if (ReadWholeFile(path, head, 16) && !head.empty() && DetectFileKind(head) != type.kind) {
            std::fprintf(stderr, "gindral: %s is not a %s file; not overwritten\n", path.c_str(), type.kindName);
            return false;
        }
        return options.force || AskYesNo(question) == platform::kIdYes;
    };
    hooks.askVersion = [this] { OnSetVersionNumber(); };
    FlarmSaveResult result = SaveFlarmMemory(memory_, options.output, options.saveType, hooks);
    if (result.outcome != FlarmSaveOutcome::Written || result.written == 0) {
        std::fprintf(stderr, "gindral: nothing written to %s\n", result.path.c_str());
        return kGindralExitFailed;
    }
    return kGindralExitOk;
}

// ---- Drawing and scrolling -------------------------------------------------------------

void CflarmView::Measure(DeviceContext& dc, const Font& font) {
    dc.SelectFont(font);
    platform::TextMetrics tm = dc.GetTextMetrics();
    lineHeight_ = std::max(1, tm.height + tm.externalLeading);
    charWidth_ = std::max(1, tm.aveCharWidth);
}

void CflarmView::UpdateScrollSizes() {
    if (auto dc = GetDC()) Measure(*dc, screenFont_);
    CflarmDoc* doc = GetDoc();
    long lines = doc ? doc->GetLineCount() : 0;
    int height = static_cast<int>(std::min<long>(lines * lineHeight_, kMaxScrollUnits));
    SetScrollSizes(platform::MapMode::Text, {2000, height}, {200, 200}, {charWidth_, lineHeight_});
}

void CflarmView::OnInitialUpdate() { OnUpdate(nullptr, 0); }

void CflarmView::OnUpdate(platform::View*, long hint) {
    if (printing_) return;
    UpdateScrollSizes();
    if (hint == kHintLineAdded) {
        CflarmDoc* doc = GetDoc();
        long y = static_cast<long>(lineHeight_) * ((doc ? doc->GetLineCount() : 0) + 1);
        ScrollToPosition({0, static_cast<int>(std::min<long>(y, kMaxScrollUnits))});
    }
    Invalidate();
}

void CflarmView::OnDraw(DeviceContext& dc) {
    CflarmDoc* doc = GetDoc();
    if (!doc) return;
    Measure(dc, screenFont_);
    platform::Rect clip = dc.GetClipBox();
    int count = doc->GetLineCount();
    int first = std::max(0, clip.top / lineHeight_);
    int last = std::min(count - 1, clip.bottom / lineHeight_);
    for (int i = first; i <= last; ++i) dc.TextOut(0, i * lineHeight_, doc->GetLine(i));
}

// ---- Printing ----------------------------------------------------------------------------

bool CflarmView::OnPreparePrinting(platform::PrintInfo&) { return true; }

void CflarmView::OnBeginPrinting(DeviceContext& dc, platform::PrintInfo& info) {
    printing_ = true;
    Measure(dc, printFont_);
    // The header takes the first two line heights of each page.
    linesPerPage_ = std::max(1, dc.GetDeviceCaps(platform::DeviceCap::VertRes) / lineHeight_ - 2);
    CflarmDoc* doc = GetDoc();
    int count = doc ? static_cast<int>(doc->Lines().size()) : 0;
    info.minPage = 1;
    info.maxPage = std::max(1, (count + linesPerPage_ - 1) / linesPerPage_);
}

void CflarmView::OnPrint(DeviceContext& dc, platform::PrintInfo& info) {
    CflarmDoc* doc = GetDoc();
    if (!doc) return;
    Font old = dc.SelectFont(headerFont_);
    unsigned align = dc.SetTextAlign(platform::kAlignCenter | platform::kAlignTop);
    dc.TextOut(dc.GetDeviceCaps(platform::DeviceCap::HorzRes) / 2, 0, "Gindral");
    dc.SetTextAlign(align);
    dc.SelectFont(old);
    Measure(dc, printFont_);
    const auto& lines = doc->Lines();
    size_t start = static_cast<size_t>(info.currentPage - 1) * static_cast<size_t>(linesPerPage_);
    for (size_t i = start; i < start + static_cast<size_t>(linesPerPage_) && i < lines.size(); ++i) {
        dc.TextOut(0, static_cast<int>(i - start + 2) * lineHeight_, lines[i]);
    }
}

void CflarmView::OnEndPrinting(DeviceContext&, platform::PrintInfo&) {
    printing_ = false;
    UpdateScrollSizes();
}

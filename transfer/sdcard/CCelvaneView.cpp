#include "transfer/sdcard/CCelvaneView.h"

#include <unistd.h>

#include <climits>
#include <cstring>

#include "common/CLocale.h"
#include "common/COkGoDlg.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "transfer/common/CComDoc.h"
#include "transfer/sdcard/CCelvaneApp.h"
#include "transfer/sdcard/CCelvaneSetupDlg.h"
#include "transfer/sdcard/CelvaneDetails.h"
#include "transfer/sdcard/CelvaneTables.h"

namespace {

constexpr int kDebugSections = 4;

}  // namespace

CCelvaneView::CCelvaneView(CCelvaneApp& app)
    : LogView({kCmdCelvaneStopReset, 142}, app.GetUi().GetClipboard(), app.Options().debugLevel), app_(app) {
    for (int model = 0; model < kCelvaneTargets; ++model) {
        Commands().Add(
            CelvaneTargetTable[model].command, [this, model] { app_.Options().targetModel = model; },
            [this, model](platform::CommandState& s) {
                s.enabled = !running_;
                s.checked = app_.Options().targetModel == model;
            });
    }
}

CCelvaneView::~CCelvaneView() {
    copy_.Abandon();
    data_.Close();
}

CComDoc* CCelvaneView::GetDoc() const { return dynamic_cast<CComDoc*>(GetDocument()); }

void CCelvaneView::Log(const std::string& line) {
    if (CComDoc* doc = GetDoc()) doc->AddLine(line);
}

void CCelvaneView::OnStart(platform::WParam /*wparam*/) { OnStartTransfer(); }

void CCelvaneView::OnStartTransfer() {
    if (running_) return;
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer)) {
        platform::ShowMessage("GetCurrentDirectory failed");
        return;
    }
    home_ = buffer;
    std::string drive = card_.field;
    for (;;) {
        CCelvaneSetupDlg dialog(drive);
        if (dialog.RunModal() != platform::kIdOk) return;
        data_.Close();
        fileName_ = dialog.fileName;
        drive = dialog.drive;
        std::string refusal;
        if (fileName_.empty()) {
            refusal = "You must choose a database file";
        } else if (!data_.OpenRead(fileName_)) {
            refusal = StringFormatC("Cannot open %s", fileName_.c_str());
        } else if (ReadImageSections(fileName_) == 0 || !sections_.FitsTarget(app_.Options().targetModel) ||
                   sections_.UsableCount() == 0) {
            refusal = "This file does not contain usable data";
        } else if (drive.empty()) {
            refusal = "You must specify the SD Card drive letter";
        } else {
            card_ = DriveFromField(drive, app_.Profile());
            if (!CheckSdCard(refusal)) {
                // The card check's message.
            } else if (ConfirmDetails()) {
                StartCopy();
                return;
            } else {
                app_.SetExitCode(kCelvaneExitRefused);
                continue;
            }
        }
        app_.SetExitCode(kCelvaneExitRefused);
        platform::ShowMessage(refusal);
    }
}

int CCelvaneView::ReadImageSections(const std::string& path) {
    const int model = app_.Options().targetModel;
    sections_ = ::ReadImageSections(data_, path, model);
    Log("");
    Log(StringFormatC("Target model = %s, Data for model = %s", CelvaneTargetTable[model].name,
                      CelvaneModelName(sections_.productId)));
    if (DebugLevel() & kDebugSections) {
        Log("");
        Log(StringFormatC("File:%s", path.c_str()) +
            (sections_.productId != 0
                 ? StringFormatC(" (model %d = %s)", sections_.productId, CelvaneModelName(sections_.productId))
                 : ""));
        Log("Rgn SectStart DataStart       Len Database");
        for (const ContainerRegion& row : sections_.rows) {
            Log(StringFormatC(" %02x  %8x  %8x  %8x %s", row.region, row.recordOffset, row.dataOffset, row.length,
                              CelvaneRegionName(static_cast<int>(row.region))));
        }
        Log("");
    }
    return static_cast<int>(sections_.rows.size());
}

bool CCelvaneView::CheckSdCard(std::string& message) { return ::CheckSdCard(card_, home_, message); }

bool CCelvaneView::ConfirmDetails() {
    for (const std::string& line : CelvaneDetailsLines(DebugLevel(), card_.Label(), sections_)) Log(line);
    COkGoDlg dialog(135, "Confirm Transfer Details", "Please check the requested transfer details in the main window.");
    return dialog.RunModal() == platform::kIdOk;
}

void CCelvaneView::StartCopy() {
    activity_.clear();
    running_ = true;
    SetBusy(true);
    section_ = 0;
    app_.SetExitCode(kCelvaneExitOk);
    Post(kMsgCelvaneCopy, 0, 0);
}

bool CCelvaneView::OnMessage(unsigned message, platform::WParam wparam, platform::LParam lparam) {
    if (message != kMsgCelvaneCopy) return LogView::OnMessage(message, wparam, lparam);
    if (running_) app_.idleJob = kCelvaneIdleStart;
    return true;
}

int CCelvaneView::CopyDriverStep() {
    if (!running_) return 0;
    switch (copyState) {
        case kCopyNextSection:
            while (section_ < sections_.rows.size()) {
                const ContainerRegion& row = sections_.rows[section_];
                const CardFile* card = FindCardFile(static_cast<int>(row.region));
                if (!card) {
                    ++section_;
                    continue;
                }
                activity_ = StringFormatC("Copying %s to card", CelvaneRegionName(static_cast<int>(row.region)));
                Log(activity_);
                copyState = kCopySectionDone;
                return CopySectionToCard(card->folder, card->file, row.dataOffset, row.length) == 0 ? 1 : 0;
            }
            copyState = kCopyFinish;
            return 1;
        case kCopySectionDone:
            ++section_;
            copyState = section_ < sections_.rows.size() ? kCopyNextSection : kCopyFinish;
            return 1;
        case kCopyFinish:
        default:
            Log("Finalising transfer");
            EndCopy("Operation Complete");
            return 0;
    }
}

int CCelvaneView::CopySectionToCard(const std::string& folder, const std::string& file, uint32_t offset, uint32_t length) {
    std::string failed;
    if (!MakeDriveFolders(card_.root, folder, failed)) {
        EndCopy(StringFormatC("Failed to create folder \"%s\"", failed.c_str()));
        return 1;
    }
    const std::string target = card_.Path(folder) + "/" + file;
    if (!copy_.Start(data_, target, offset, length)) {
        EndCopy(StringFormatC("Copy \"%s\" failed to start", file.c_str()));
        return 1;
    }
    app_.idleJob = kCelvaneIdleCopy;
    return 0;
}

int CCelvaneView::CopyChunk() {
    if (!running_) return 0;
    const ChunkResult result = copy_.Chunk();
    switch (result) {
        case ChunkResult::ReadFailed:
            EndCopy(StringFormatC("Read failed - %d bytes out of %d", static_cast<int>(copy_.lastRead),
                                  static_cast<int>(copy_.lastAsked)));
            return 0;
        case ChunkResult::WriteFailed:
            EndCopy(StringFormatC("Write failed (err=%d) - operation aborted", copy_.error));
            return 0;
        default:
            break;
    }
    if (CComDoc* doc = GetDoc()) doc->ReplaceLastLine(StringFormatC("%s  %uKB", activity_.c_str(), copy_.Copied() / 1024));
    return result == ChunkResult::More ? 1 : 0;
}

void CCelvaneView::EndCopy(const std::string& text) {
    app_.idleJob = kCelvaneIdleNone;
    activity_.clear();
    copy_.Abandon();
    data_.Close();
    const bool wasRunning = running_;
    if (wasRunning) {
        Log(text);
        Log("");
        app_.SetExitCode(text == "Operation Complete" ? kCelvaneExitOk
                         : text == platform::kLogStopText ? kCelvaneExitRefused
                                                          : kCelvaneExitFailed);
    }
    running_ = false;
    SetBusy(false);
    section_ = 0;
}

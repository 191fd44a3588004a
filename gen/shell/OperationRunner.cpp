// The operation runner: the idle step machine, starting and stopping an operation, and the
// openers of its files.
#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/CLocale.h"
#include "common/LineReader.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/CGenFrame.h"
#include "gen/shell/CGenView.h"
#include "gen/shell/GenExit.h"
#include "gen/image/Image.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"

namespace {

inline constexpr const char* kDuffSuasFile = "duff_suas.txt";

bool ImageIsOpen(const OperationContext& c) { return c.image ? c.image->IsOpen() : c.imageFd >= 0; }

}  // namespace

// ---- The step machine ----------------------------------------------------------------------

bool CGenApp::OnIdle(long count) {
    bool more = App::OnIdle(count);
    if (count == 0) {
        if (auto* frame = dynamic_cast<CGenFrame*>(MainFrame())) frame->UpdateFilterPanes();
    }
    const uint32_t state = state_;
    if (state == kStateStep && !more) {
        if (document_) OperationStep(*document_);
        return true;
    }
    if (state == kStateIdle) return more;
    if (state == kStateListing) platform::RestoreWaitCursor();
    if (more) return true;
    switch (state) {
    case kStateListing:
        if (document_) ListingStep(*document_);
        break;
    case kStateStep:
        if (document_) OperationStep(*document_);
        break;
    case kStateStartPending:
        state_ = kStateIdle;
        if (CGenView* view = GenView()) view->StartOperation();
        break;
    default:
        state_ = kStateIdle;
        break;
    }
    return true;
}

bool CGenApp::RunModeStep(OperationContext& context) {
    int kind = context.kind;
    if (kind < 0 || kind >= kModeCount || kind == kModeList) return true;
    const ModeDriver& driver = model_.drivers[kind];
    return driver ? driver(context) : true;
}

void CGenApp::OperationStep(CGenDoc& document) {
    bool finished = RunModeStep(context_);
    if (state_ == kStateIdle) return;  // the step stopped the operation
    if (finished) EndOfOperation(document, true);
}

void CGenApp::ListingStep(CGenDoc& document) {
    std::vector<int32_t>& index = document.ListingIndex();
    int32_t handle = model_.nextListingItem ? model_.nextListingItem(context_) : -1;
    bool end = handle < 0;
    if (!end) {
        if (index.size() > CGenDoc::kMaxLines) {
            index.push_back(kListingMaxLines);
            end = true;
        } else {
            index.push_back(handle);
        }
    }
    if (!end) return;
    if (index.empty()) index.push_back(kListingNoItems);
    platform::EndWaitCursor();
    document.ShowRequestedKind();
    EndOfOperation(document, false);
    document.LinesChanged();
}

void CGenApp::EndOfOperation(CGenDoc& document, bool fromStep) {
    state_ = kStateIdle;
    CGenView* view = GenView();
    if (fromStep && view) view->running = false;
    NoteOperationDone();
    if (fromStep && context_.failed) NoteOperationNotDone();
    if (control_.goState == kGoNone) return;
    if (control_.goState == kGoSaveAs && model_.saveAs) {
        const ControlSection& section = control_.Current();
        model_.saveAs(context_, section.saveAs, section.append != 0);
    }
    ++control_.index;
    if (control_.index < control_.count) {
        control_.goState = control_.sections[control_.index].goState;
        if (view) view->RunSetup();
        return;
    }
    document.AddLine("");
    if (view) view->StopOperation(kControlCompletedText);
    document.AddLine("");
}

// ---- Start and stop (members of the view) --------------------------------------------------

void CGenView::StartOperation() {
    running = true;
    ClearSelection();
    CGenDoc* doc = GetDoc();
    if (!doc) return;
    if (mode == kModeList) {
        doc->StartListing(fileName.c_str(), section + 1);
        return;
    }
    // A compiler uses a few record files: they are made when first used.
    const bool compiling = mode >= kModeCompileSua && mode <= kModeCompileApr;
    if (mode != kModeCreateIsam && !app_.OpenDatabaseChecked(compiling)) {
        // Refused: nothing runs, so Setup is enabled again at once.
        app_.SetState(kStateIdle);
        running = false;
        app_.NoteOperationNotDone();
        return;
    }
    app_.SetOperationTitle(title, listing);
    if (!app_.OpenOperation(*doc, fileName, mode)) {
        running = false;
    }
}

void CGenView::StopOperation(const std::string& text) {
    uint32_t state = app_.State();
    bool active = state == kStateListing || state == kStateStep;
    running = false;
    ClearSelection();
    app_.SetState(kStateIdle);
    CloseSetupFiles();
    CGenDoc* doc = GetDoc();
    if (doc) doc->StartListing(nullptr, 0);
    ControlRun& run = app_.Control();
    bool listingDone = !run.Running() && mode == kModeList;
    if (doc) doc->AddLine(listingDone ? std::string("Listing Completed") : text);
    OperationContext& context = app_.Context();
    // Every operation releases what it holds; a listing holds nothing of its own.
    if (mode != kModeList && app_.Model().onStop) app_.Model().onStop(context, mode);
    if (mode == kModeCreateImage) {
        bool created = app_.CreatedTarget();
        std::string name = context.imageName;
        const bool finished = run.Running() && run.index >= run.count;
        // The unfinished image goes; a file of its name from before stays as it was.
        if (created && !finished) app_.AbandonImageTarget();
        app_.CloseImageFile();
        if (finished) {
            run.Reset();
        } else if (created && !name.empty() && !platform::FileExists(name)) {
            if (doc) doc->AddLine(name + " deleted");
        }
    }
    if (run.Running() && run.index < run.count) app_.NoteOperationNotDone();
    run.Reset();
    if (active && text != kControlCompletedText) app_.NoteOperationNotDone();
}

// ---- Openers -------------------------------------------------------------------------------

bool CGenApp::OpenOperation(CGenDoc& document, const std::string& fileName, int mode) {
    document.StartListing(nullptr, 0);
    bool opened = false;
    switch (mode) {
    case kModeCreateImage:
        opened = OpenImageTarget(fileName, document);
        break;
    case kModeCreateIsam:
        // An image that cannot be read leaves the handle -1; the readers report it.
        OpenImageSource(fileName, document, kModeCreateIsam);
        opened = true;
        break;
    case kModeBatchUpdate:
        opened = OpenBatchSource(fileName, document);
        break;
    case kModeCompileSua:
    case kModeCompileTcc:
    case kModeCompileApr:
        context_.doc = &document;
        context_.kind = mode;
        context_.ResetSteps();
        CloseImageFile();
        opened = !model_.openers[mode] || model_.openers[mode](context_, fileName);
        break;
    default:
        return false;
    }
    if (!opened) {
        state_ = kStateIdle;
        NoteOperationNotDone();
        return false;
    }
    state_ = kStateStep;
    return true;
}

bool CGenApp::OpenImageSource(const std::string& fileName, CGenDoc& document, int kind) {
    context_.doc = &document;
    context_.kind = kind;
    context_.ResetSteps();
    context_.ResetListingPosition();
    if (!fileName.empty()) {
        if (ImageIsOpen(context_) && context_.imageName != fileName) CloseImageFile();
        if (!ImageIsOpen(context_)) {
            if (settings_.debugLevel != 0) {
                document.AddLine("Prog=" + ProgramPath().substr(0, 160));
                document.AddLine("File=" + fileName);
            }
            if (context_.image) {
                context_.image->Open(fileName);
            } else {
                context_.imageFd = platform::OpenFile(fileName, O_RDONLY, platform::Share::DenyNone);
            }
            context_.imageName = fileName;
            createdTarget_ = false;
        }
        if (platform::FileExists(kDuffSuasFile)) {
            int fd = platform::OpenFile(kDuffSuasFile, O_WRONLY | O_TRUNC, platform::Share::DenyNone);
            if (fd >= 0) platform::CloseFile(fd);
        }
    }
    if (model_.onImageSourceOpened) model_.onImageSourceOpened(context_);
    if (model_.listingCountryNumber) context_.countryNumber = model_.listingCountryNumber(context_, settings_.countryFilter);
    return ImageIsOpen(context_);
}

bool CGenApp::OpenImageTarget(const std::string& fileName, CGenDoc& document) {
    context_.doc = &document;
    context_.kind = kModeCreateImage;
    context_.ResetSteps();
    CloseImageFile();
    bool ok;
    if (context_.image) {
        ok = context_.image->Create(fileName).ok();
    } else {
        ok = target_.Open(fileName, platform::AtomicFile::Start::Empty, platform::Share::DenyNone);
        context_.imageFd = target_.Descriptor();
    }
    if (!ok) {
        state_ = kStateIdle;
        ProgramError("Failed to open/create image file");
    }
    context_.imageName = fileName;
    createdTarget_ = true;
    return true;
}

bool CGenApp::OpenBatchSource(const std::string& fileName, CGenDoc& document) {
    context_.doc = &document;
    context_.kind = kModeBatchUpdate;
    context_.ResetSteps();
    CloseImageFile();
    context_.CloseBatch();
    if (settings_.debugLevel != 0) document.AddLine(fileName);
    int fd = platform::OpenFile(fileName, O_RDONLY, platform::Share::DenyNone);
    if (fd < 0) {
        state_ = kStateIdle;
        ProgramError("Cannot open stream for batch file");
    }
    context_.batchFd = fd;
    context_.batch = std::make_unique<LineReader>(LineReader::FromDescriptor(fd));
    context_.batchName = fileName;
    return true;
}

void CGenApp::AbandonImageTarget() {
    if (context_.image) context_.image->Abandon();
    if (target_.IsOpen() && context_.imageFd == target_.Descriptor()) context_.imageFd = -1;
    target_.Abandon();
}

void CGenApp::CloseImageFile() {
    if (ImageIsOpen(context_)) {
        if (model_.onImageClose) model_.onImageClose(context_);
        if (context_.image) context_.image->Close();
        if (target_.IsOpen() && context_.imageFd == target_.Descriptor()) {
            if (!target_.Commit()) {
                platform::ShowMessage(StringFormatC("Cannot write %s: %s", target_.Path().c_str(),
                                                    std::strerror(target_.ErrorNumber() ? target_.ErrorNumber() : errno)));
            }
        } else if (context_.imageFd >= 0) {
            platform::CloseFile(context_.imageFd);
        }
    }
    context_.imageFd = -1;
    context_.imageName.clear();
    createdTarget_ = false;
}

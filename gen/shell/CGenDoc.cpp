#include "gen/shell/CGenDoc.h"

#include "dblib/DiskMgr.h"
#include "gen/shell/GenExit.h"
#include "gen/shell/OperationContext.h"
#include "gen/image/Image.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"

namespace {
CGenDoc* g_registered = nullptr;
}

CGenDoc::CGenDoc(ListingHooks hooks)
    : ListingDocument({kMaxLines, kTruncateLines, kListingTruncatedText, kCompareLength}), hooks_(std::move(hooks)) {
    g_registered = this;
    IsamSetStatusHook(&CGenDoc::OnIsamStatus);
    IsamSetErrorHook(&CGenDoc::OnIsamError);
}

CGenDoc::~CGenDoc() {
    if (g_registered == this) {
        g_registered = nullptr;
        IsamSetStatusHook(nullptr);
        IsamSetErrorHook(nullptr);
    }
    image_.reset();
}

CGenDoc* CGenDoc::Registered() { return g_registered; }

void CGenDoc::SetImage(std::unique_ptr<Image> image) { image_ = std::move(image); }

int CGenDoc::GetLineCount() const {
    if (shownKind_ != 0) return static_cast<int>(listingIndex_.size());
    return ListingDocument::GetLineCount();
}

const std::string& CGenDoc::GetLine(int i) {
    if (shownKind_ == 0) return ListingDocument::GetLine(i);
    static const std::string empty;
    if (i < 0 || i >= GetLineCount()) return empty;
    int32_t entry = listingIndex_[i];
    if (entry == kListingMaxLines) {
        lineBuffer_ = kMaxListableText;
    } else if (entry == kListingNoItems) {
        lineBuffer_ = kNoMatchingItemsText;
    } else {
        lineBuffer_.clear();
        if (hooks_.format) hooks_.format(entry, lineBuffer_);
    }
    return lineBuffer_;
}

void CGenDoc::StartListing(const char* fileName, int kind) {
    if (kind < 0) kind = lastShownKind_;
    shownKind_ = 0;
    if (kind != 0 && fileName && *fileName && hooks_.open) {
        platform::BeginWaitCursor();
        listingIndex_.clear();
        requestedKind_ = kind;
        LinesChanged();
        hooks_.open(*this, fileName, kind);
        return;
    }
    LinesChanged();
}

void CGenDoc::ShowRequestedKind() {
    shownKind_ = requestedKind_;
    if (shownKind_ != 0) lastShownKind_ = shownKind_;
}

void CGenDoc::OnIsamStatus(const char* text) {
    if (g_registered) g_registered->ReplaceLastLine(text ? text : "", false);
}

void CGenDoc::OnIsamError(const char* text) {
    platform::ShowMessage(text ? text : "", {platform::Buttons::Ok, platform::Icon::Error});
    GenExit(kExitFatal);
}

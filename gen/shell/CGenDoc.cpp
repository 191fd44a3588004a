#include "gen/shell/CGenDoc.h"

#include <cstring>

#include "dblib/DiskMgr.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenView.h"
#include "gen/shell/GenExit.h"
#include "gen/image/Image.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"

namespace {
CGenDoc* g_registered = nullptr;
}

CGenDoc::CGenDoc() {
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
    lines_.clear();
    image_.reset();
}

CGenDoc* CGenDoc::Registered() { return g_registered; }

void CGenDoc::SetImage(std::unique_ptr<Image> image) { image_ = std::move(image); }

void CGenDoc::AppendLine(std::string_view text) {
    lines_.emplace_back(text);
    EchoLine(text);
    if (lines_.size() > kMaxLines) {
        lines_.erase(lines_.begin(), lines_.begin() + kTruncateLines);
        lines_.front() = kListingTruncatedText;
    }
}

void CGenDoc::AddLine(std::string_view text) {
    AppendLine(text);
    LinesChanged();
}

void CGenDoc::ReplaceLastLine(std::string_view text, bool force) {
    if (lines_.empty()) {
        AddLine(text);
        return;
    }
    if (!force) {
        // A bounded compare of 12 characters: texts end at their first NUL.
        std::string a(text.substr(0, kCompareLength));
        const std::string& last = lines_.back();
        if (std::strncmp(a.c_str(), last.c_str(), kCompareLength) != 0) {
            AddLine(text);
            return;
        }
    }
    lines_.back().assign(text);
    EchoLine(text);
    if (auto* view = dynamic_cast<CGenView*>(FirstView())) view->RepaintBottomLine();
}

int CGenDoc::GetLineCount() const {
    if (shownKind_ != 0) return static_cast<int>(listingIndex_.size());
    return static_cast<int>(lines_.size());
}

const std::string& CGenDoc::GetLine(int i) {
    static const std::string empty;
    if (i < 0 || i >= GetLineCount()) return empty;
    if (shownKind_ == 0) return lines_[i];
    int32_t entry = listingIndex_[i];
    if (entry == kListingMaxLines) {
        lineBuffer_ = kMaxListableText;
    } else if (entry == kListingNoItems) {
        lineBuffer_ = kNoMatchingItemsText;
    } else {
        lineBuffer_.clear();
        CGenApp* app = CGenApp::Current();
        if (app && app->Model().listSection) app->Model().listSection(app->Context(), entry, lineBuffer_);
    }
    return lineBuffer_;
}

void CGenDoc::StartListing(const char* fileName, int kind) {
    if (kind < 0) kind = lastShownKind_;
    shownKind_ = 0;
    CGenApp* app = CGenApp::Current();
    if (kind != 0 && fileName && *fileName && app) {
        platform::BeginWaitCursor();
        listingIndex_.clear();
        requestedKind_ = kind;
        LinesChanged();
        app->OpenImageSource(fileName, *this, kind);
        app->SetState(kStateListing);
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

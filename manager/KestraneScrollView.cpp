#include "manager/KestraneScrollView.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>

#include "common/IdentDigits.h"
#include "dblib/IsamMgr.h"
#include "manager/LineFormats.h"
#include "manager/HighestRecord.h"
#include "manager/IndexByName.h"
#include "manager/ManagerSettings.h"
#include "platform/App.h"
#include "platform/DeviceContext.h"
#include "platform/Document.h"
#include "platform/FontDialog.h"
#include "platform/Frame.h"
#include "platform/MessageBox.h"
#include "platform/Printing.h"
#include "platform/WaitCursor.h"

namespace {

CKestraneScrollView* g_openViews[6] = {};
CKestraneScrollView* g_idleViews[6] = {};
// The view whose files stay open from one idle step to the next while its list loads.
CKestraneScrollView* g_idleHolder = nullptr;

// Positions at the first record whose key is equal to or above the fields' key.
bool PositionAtKey(IsamMgr& file) { return file.Find() == 0 || file.ReadCurrent() == 0; }

}  // namespace

int RecordLetterIndex(char letter) {
    const char* at = std::strchr(kRecordLetters, letter);
    return letter != '\0' && at ? static_cast<int>(at - kRecordLetters) : -1;
}

CKestraneScrollView*& OpenViewSlot(int index) { return g_openViews[index]; }
CKestraneScrollView*& IdleViewSlot(int index) { return g_idleViews[index]; }

bool IsRecordWindowOpen(char letter) {
    const int index = RecordLetterIndex(letter);
    return index < 0 || g_openViews[index] != nullptr;
}

CKestraneScrollView::CKestraneScrollView(RecordListKind kind) : kind_(kind) {
    if (kind_.ident) identIndexNumber_ = IndexNumber(*kind_.file, kind_.identIndex);
    OpenViewSlot(RecordLetterIndex(kind_.letter)) = this;
    Commands().Add(kCmdAddRecord, [this] { OnAddRecord(); });
    auto selected = [this](platform::CommandState& s) { s.enabled = selected_ >= 0; };
    Commands().Add(kCmdChangeRecord, [this] { OnChangeRecord(); }, selected);
    Commands().Add(kCmdDeleteRecord, [this] { OnDeleteRecord(); }, selected);
    Commands().Add(kCmdScreenFont, [this] {
        platform::FontDialogRequest request;
        request.font = Manager().screenFont;
        request.fixedPitchOnly = true;
        if (platform::RunFontDialog(request)) {
            Manager().screenFont = request.font;
            ApplyScrollSizes();
            Invalidate();
        }
    });
    Commands().Add(kCmdPrintFont, [] {
        platform::FontDialogRequest request;
        request.font = Manager().printFont;
        if (request.font.height == 0) request.font.height = 56;
        request.fixedPitchOnly = true;
        request.screenFonts = false;
        if (platform::RunFontDialog(request)) Manager().printFont = request.font;
    });
    auto complete = [this](platform::CommandState& s) { s.enabled = complete_; };
    Commands().Add(platform::kCmdFilePrint, [this] { platform::PrintView(*this, false); }, complete);
    Commands().Add(platform::kCmdFilePrintPreview, [this] { platform::PrintView(*this, true); }, complete);
}

CKestraneScrollView::~CKestraneScrollView() {
    const int index = RecordLetterIndex(kind_.letter);
    if (OpenViewSlot(index) == this) OpenViewSlot(index) = nullptr;
    if (IdleViewSlot(index) == this) IdleViewSlot(index) = nullptr;
    if (g_idleHolder == this) ReleaseIdleFiles();
}

bool CKestraneScrollView::HoldsIdleFiles() const { return g_idleHolder == this; }

void CKestraneScrollView::ReleaseIdleFiles() {
    if (g_idleHolder) g_idleHolder->CloseFiles();
    g_idleHolder = nullptr;
}

// The highest record number: the number index searched for the largest number, one step back.
int32_t CKestraneScrollView::FindHighestRecord() {
    return HighestRecordNumber(*kind_.file, kind_.numberIndex, *kind_.number);
}

int32_t CKestraneScrollView::HighestRecord() {
    if (highest_ < 0) highest_ = FindHighestRecord();
    return highest_;
}

int CKestraneScrollView::OpenFiles() { return kind_.file->Open(); }

void CKestraneScrollView::CloseFile(IsamMgr& file) const {
    if (keepPages_) file.CloseKeepingPages();
    else file.Close();
}

void CKestraneScrollView::CloseFiles() {
    CloseFile(*kind_.file);
    if (g_idleHolder == this) g_idleHolder = nullptr;
}

void CKestraneScrollView::SetIdle(bool on) {
    IdleViewSlot(RecordLetterIndex(kind_.letter)) = on ? this : nullptr;
}

void CKestraneScrollView::FormatLine(int32_t word) {
    if (word < 0) FormatMaximumLine();
    else Manager().line.Clear();
}

bool CKestraneScrollView::Position(bool fresh) {
    IsamMgr& file = *kind_.file;
    const int before = file.CurrentIndexNumber();
    if (identIndexNumber_ < 0) file.SelectIndex(kind_.identIndex);
    else if (before != identIndexNumber_) file.SelectIndexNumber(identIndexNumber_);
    if (fresh) {
        const std::string& filter = Manager().identFilter;
        if (filter.empty()) {
            (void)file.Rewind();
            return file.Next(1) == 0;
        }
        char key[9] = {};
        std::strncpy(key, filter.c_str(), 8);
        if (kind_.letter == 'U') DecodeIdentDigits(key);
        std::memcpy(kind_.ident, key, 8);
        return PositionAtKey(file);
    }
    // An idle step whose files were kept open since the last one finds the file still there.
    if (resumeKept_ && file.HasCurrent() && file.CurrentIndexNumber() == before && *kind_.number == resumeNumber_ &&
        std::memcmp(kind_.ident, resumeIdent_, 8) == 0)
        return true;
    std::memcpy(kind_.ident, resumeIdent_, 8);
    bool ok = PositionAtKey(file);
    while (ok && *kind_.number != resumeNumber_ && std::memcmp(kind_.ident, resumeIdent_, 8) <= 0)
        ok = file.Next(1) == 0;
    return ok && *kind_.number == resumeNumber_;
}

int CKestraneScrollView::AppendRecordLines(int32_t number) { return AppendLine(number) ? 1 : 0; }

void CKestraneScrollView::TakeFilters() {
    const ManagerSettings& m = Manager();
    // The ident filter as strncmp over up to 8 bytes compares it, as one masked 8-byte word.
    const size_t identLength = std::min<size_t>(m.identFilter.size(), 8);
    const size_t filterEnd = strnlen(m.identFilter.c_str(), identLength);
    const size_t compared = filterEnd < identLength ? filterEnd + 1 : identLength;
    filters_ = {};
    filters_.byIdent = compared != 0;
    std::memcpy(&filters_.identWant, m.identFilter.c_str(), compared);
    std::memset(&filters_.identMask, 0xFF, compared);
    filters_.country = m.countryFilter >= 0 ? kind_.country : nullptr;
    filters_.countryWant = m.countryFilter;
    filters_.byName = !m.nameFilter.empty();
}

bool CKestraneScrollView::LoadRecords(int count, bool keepGoing) {
    IsamMgr& file = *kind_.file;
    const bool digits = kind_.letter == 'U';
    const bool byIdent = filters_.byIdent;
    const uint64_t want = filters_.identWant, mask = filters_.identMask;
    const int32_t* country = filters_.country;
    const int32_t countryFilter = filters_.countryWant;
    const bool nameFiltered = filters_.byName;
    int added = 0, examined = 0;
    for (;;) {
        if (digits) {
            char ident[9] = {};
            std::memcpy(ident, kind_.ident, 8);
            EncodeIdentDigits(ident);
            std::memcpy(kind_.ident, ident, 8);
        }
        if (byIdent) {
            uint64_t ident;
            std::memcpy(&ident, kind_.ident, sizeof ident);
            if ((ident & mask) != want) return false;
        }
        bool pass = !(country && *country != countryFilter);
        if (pass && nameFiltered) pass = PassesNameFilter();
        if (pass) added += AppendRecordLines(*kind_.number);
        ++examined;
        if (count_ >= kMaxLines) return false;
        if (file.Next(1) != 0) return false;
        if (keepGoing ? added >= count : examined >= count) {
            resumeNumber_ = *kind_.number;
            std::memcpy(resumeIdent_, kind_.ident, 8);
            return true;
        }
    }
}

bool CKestraneScrollView::GetLine(int index, int batch, int32_t& word) {
    if (index >= count_ - count_ / 10 && !complete_) {
        std::optional<platform::WaitCursor> wait;
        if (index < kIdleBatch) wait.emplace();
        const bool fresh = count_ <= 0;
        if (fresh) {
            count_ = 0;
            lines_.clear();
            lines_.reserve(kMaxLines + 1);
            TakeFilters();
        }
        const bool positioned = Position(fresh);
        bool more = false;
        if (positioned) more = LoadRecords(batch, index < kIdleBatch);
        if (!positioned || !more || count_ >= kMaxLines) {
            endWord_ = count_ >= kMaxLines ? -1 : 0;
            complete_ = true;
            SetIdle(false);
        }
        ApplyScrollSizes();
        if (complete_ != shownComplete_) UpdateTitle();
    }
    if (index >= 0 && index < count_) {
        readingInOrder_ = true;
        word = ReadLine(index);
        readingInOrder_ = false;
        return word != 0;
    }
    if (index == count_ && complete_) {
        word = endWord_;
        return word != 0;
    }
    return false;
}

void CKestraneScrollView::ReportLoadFailure(int32_t number) const {
    char text[64];
    std::snprintf(text, sizeof text, kind_.loadFailure, static_cast<unsigned>(number));
    platform::ShowMessage(text);
}

int32_t CKestraneScrollView::ReadLine(int index) {
    const int32_t number = lines_.at(static_cast<size_t>(index));
    if ((index > 0 && StepToRecord(lines_[static_cast<size_t>(index) - 1], number)) || StepBackToRecord(index, number))
        return number > 0 ? number : 1;
    IsamMgr& file = *kind_.file;
    file.SelectIndex(kind_.numberIndex);
    *kind_.number = number;
    if (file.Find() != 0) {
        ReportLoadFailure(number);
        return 0;
    }
    AlignIdentIndex(number);
    return number > 0 ? number : 1;  // never 0 (the end) nor negative (the limit)
}

// A few steps, as a filter may have left records out between two lines; after a few misses
// the lines of this drawing are searched by number alone.
bool CKestraneScrollView::StepToRecord(int32_t previous, int32_t number) {
    IsamMgr& file = *kind_.file;
    if (!readingInOrder_ || stepMisses_ > 2 || identIndexNumber_ < 0 || !file.HasCurrent() ||
        file.CurrentIndexNumber() != identIndexNumber_ || *kind_.number != previous)
        return false;
    for (int step = 0; step < 8; ++step) {
        if (file.Next(1) != 0) break;
        if (*kind_.number == number) return true;
    }
    ++stepMisses_;
    return false;
}

// The record of a later line held (the last line loaded, when a drawing follows the idle
// steps): as many steps back by the ident index as lines lie between, unless a filter left
// records out there.
bool CKestraneScrollView::StepBackToRecord(int index, int32_t number) {
    IsamMgr& file = *kind_.file;
    if (!readingInOrder_ || stepMisses_ > 2 || identIndexNumber_ < 0 || !file.HasCurrent() ||
        file.CurrentIndexNumber() != identIndexNumber_)
        return false;
    const int end = std::min(count_, index + 64);
    int later = index + 1;
    while (later < end && lines_[static_cast<size_t>(later)] != *kind_.number) ++later;
    if (later >= end) return false;
    if (file.Prev(later - index) == 0 && *kind_.number == number) return true;
    ++stepMisses_;
    return false;
}

void CKestraneScrollView::AlignIdentIndex(int32_t number) {
    if (!readingInOrder_ || stepMisses_ > 2 || identIndexNumber_ < 0) return;
    IsamMgr& file = *kind_.file;
    char ident[8];
    std::memcpy(ident, kind_.ident, sizeof ident);
    file.SelectIndexNumber(identIndexNumber_);
    bool found = PositionAtKey(file);
    while (found && *kind_.number != number && std::memcmp(kind_.ident, ident, sizeof ident) == 0)
        found = file.Next(1) == 0;
    if (found && *kind_.number == number) return;
    // Not there by its ident (never expected): the record by number again.
    ++stepMisses_;
    file.SelectIndex(kind_.numberIndex);
    *kind_.number = number;
    (void)file.Find();
}

// The files stay open for the next step (an open costs a transaction of the database folder)
// until the run of idle steps ends (ReleaseIdleFiles) or a drawing closes them.
void CKestraneScrollView::IdleStep() {
    if (busy) return;
    const bool kept = g_idleHolder == this;
    if (!kept) ReleaseIdleFiles();
    if (OpenFiles() != 0) return;
    g_idleHolder = this;
    int32_t word = 0;
    resumeKept_ = kept;
    GetLine(kIdleBatch, 4, word);
    resumeKept_ = false;
}

void CKestraneScrollView::ReloadSelected(bool keepOpen) {
    if (selected_ < 0 || OpenFiles() != 0) return;
    ReadLine(selected_);
    if (!keepOpen) CloseFiles();
}

void CKestraneScrollView::ApplyScrollSizes() {
    const int lines = count_ < 0 ? 500 : count_;
    const platform::Rect client = ClientRect();
    const int height = client.bottom - client.top;
    const int page = std::max(1, height / lineHeight_ - 1) * lineHeight_;
    SetScrollSizes(platform::MapMode::Text, {1000, (lines + 1) * lineHeight_}, {200, page}, {charWidth_, lineHeight_});
}

void CKestraneScrollView::ShowSelection() {
    if (selected_ >= 0) {
        const platform::Rect client = ClientRect();
        const int height = client.bottom - client.top;
        if ((count_ + 1) * lineHeight_ > height)
            ScrollToPosition({0, std::max(0, selected_ * lineHeight_ - height / 2)});
    }
    Invalidate();
}

void CKestraneScrollView::RedrawSelected() { Invalidate(); }

void CKestraneScrollView::InsertLine(int32_t word) {
    if (!kind_.ident) return;
    char ident[8];
    std::memcpy(ident, kind_.ident, 8);
    int low = 0, high = count_;
    if (OpenFiles() != 0) return;
    while (low < high) {
        const int mid = (low + high) / 2;
        ReadLine(mid);
        if (std::memcmp(kind_.ident, ident, 8) > 0) high = mid;
        else low = mid + 1;
    }
    CloseFiles();
    if (low >= count_ && !complete_) return;
    lines_.insert(lines_.begin() + low, word);
    ++count_;
    selected_ = low;
    ApplyScrollSizes();
    ShowSelection();
}

void CKestraneScrollView::UpdateTitle() {
    shownComplete_ = complete_;
    platform::Document* doc = GetDocument();
    if (!doc) return;
    std::string title = doc->Title();
    title = title.substr(0, title.find('*'));
    if (!complete_) title += '*';
    doc->SetTitle(title);
    if (platform::Frame* frame = GetFrame()) frame->SetTitle(title);
}

int CKestraneScrollView::PartOfSelected(int32_t) const { return 0; }

void CKestraneScrollView::TextOutLine(platform::DeviceContext& dc, std::string_view text, int skip, int first,
                                      int end, int y, bool highlighted) {
    end = std::min<int>(end, static_cast<int>(text.size()));
    if (first >= end) return;
    const int x = dc.GetTextExtent(text.substr(skip, first - skip)).cx;
    if (highlighted) {
        dc.SetTextColor(dc.GetSysColor(platform::SystemColor::HighlightText));
        dc.SetBkColor(dc.GetSysColor(platform::SystemColor::Highlight));
        dc.SetBkMode(platform::BkMode::Opaque);
    } else {
        dc.SetTextColor(dc.GetSysColor(platform::SystemColor::WindowText));
        dc.SetBkMode(platform::BkMode::Transparent);
    }
    dc.TextOut(x, y, text.substr(first, end - first));
}

void CKestraneScrollView::DrawLine(platform::DeviceContext& dc, int line, int part) {
    ListingLine& buffer = Manager().line;
    std::string_view trimmed(buffer.Text(), static_cast<size_t>(buffer.Trim()));
    while (!trimmed.empty() && static_cast<unsigned char>(trimmed.back()) < '!') trimmed.remove_suffix(1);
    const int skip = Manager().recordNumbers ? 0 : 5;
    const int y = line * lineHeight_;
    if ((line != selected_ || printing_) && static_cast<int>(trimmed.size()) >= skip) {
        TextOutLine(dc, trimmed, skip, skip, static_cast<int>(trimmed.size()), y, false);
        return;
    }
    std::string text(trimmed);
    if (static_cast<int>(text.size()) < skip) text.resize(static_cast<size_t>(skip), ' ');
    const int size = static_cast<int>(text.size());
    if (line != selected_ || printing_) {
        TextOutLine(dc, text, skip, skip, size, y, false);
        return;
    }
    if (part == 0) {
        dc.FillSolidRect({0, y, 1000 * charWidth_, y + lineHeight_}, dc.GetSysColor(platform::SystemColor::Highlight));
        TextOutLine(dc, text, skip, skip, size, y, true);
    } else if (part == 3) {
        TextOutLine(dc, text, skip, skip, 14, y, false);
        TextOutLine(dc, text, skip, std::max(14, skip), size, y, true);
    } else {
        if (size < 29) text.resize(29, ' ');
        const int padded = static_cast<int>(text.size());
        int from = skip, to = padded;
        if (part == 1 && text[14] != ' ') {
            from = 14;
            to = text.size() > 31 && text[31] == 'X' ? 32 : 29;
        } else if (part == 2 && padded > 50) {
            from = 50;
            to = padded;
        } else {
            TextOutLine(dc, text, skip, skip, padded, y, false);
            return;
        }
        TextOutLine(dc, text, skip, skip, from, y, false);
        TextOutLine(dc, text, skip, from, to, y, true);
        TextOutLine(dc, text, skip, to, padded, y, false);
    }
}

void CKestraneScrollView::OnDraw(platform::DeviceContext& dc) {
    dc.SelectFont(Manager().screenFont);
    const platform::TextMetrics tm = dc.GetTextMetrics();
    if (tm.height > 0 && (tm.height != lineHeight_ || tm.aveCharWidth != charWidth_)) {
        lineHeight_ = tm.height;
        charWidth_ = std::max(1, tm.aveCharWidth);
        ApplyScrollSizes();
    }
    const platform::Rect clip = dc.GetClipBox();
    const int first = std::max(0, clip.top / lineHeight_);
    const int last = std::max(first, (clip.bottom - 1) / lineHeight_);
    stepMisses_ = 0;
    if (OpenFilesToDraw() == 0) {
        HighestRecord();  // while the files are open: the search costs no open of its own
        for (int line = first; line <= last; ++line) {
            int32_t word = 0;
            if (!GetLine(line, last - first + 1, word)) break;
            FormatLine(word);
            int part = 0;
            if (line == selected_) part = drawnPart_ = PartOfSelected(word);
            DrawLine(dc, line, part);
        }
        keepPages_ = !complete_;
        CloseFiles();
        keepPages_ = false;
    }
    if (count_ == 0) {
        const platform::Rect client = ClientRect();
        dc.SetBkMode(platform::BkMode::Transparent);
        dc.SetTextColor(dc.GetSysColor(platform::SystemColor::WindowText));
        const std::string none = "No Matching Items";
        const platform::Size size = dc.GetTextExtent(none);
        const platform::Point origin = ScrollPosition();
        dc.TextOut(origin.x + (client.right - client.left - size.cx) / 2,
                   origin.y + (client.bottom - client.top - size.cy) / 2, none);
    }
    if (!complete_) SetIdle(true);
}

void CKestraneScrollView::OnUpdate(platform::View*, long hint) {
    if (hint == 1 && !printing_) {
        ScrollToPosition({0, 0});
        selected_ = -1;
        lines_.clear();
        complete_ = false;
        count_ = -1;
        SetIdle(false);
    }
    ApplyScrollSizes();
    Invalidate();
}

void CKestraneScrollView::OnInitialUpdate() {
    shownComplete_ = true;
    UpdateTitle();
    OnUpdate(nullptr, 0);
}

void CKestraneScrollView::OnSize(int cx, int cy) {
    platform::ScrollView::OnSize(cx, cy);
    ApplyScrollSizes();
}

void CKestraneScrollView::OnLButtonDown(unsigned, platform::Point point) {
    const platform::Point logical = ClientToLogical(point);
    const int line = logical.y / lineHeight_;
    selected_ = line >= 0 && line < count_ ? line : -1;
    const int split = (35 - (Manager().recordNumbers ? 0 : 5)) * charWidth_;
    clickedPart_ = point.x > split ? 2 : 1;
    Invalidate();
}

bool CKestraneScrollView::OnKeyDown(const platform::Key& key) {
    switch (key.code) {
    case platform::kKeyHome: ScrollToPosition({0, 0}); return true;
    case platform::kKeyEnd: ScrollToPosition({0, TotalSize().cy}); return true;
    case platform::kKeyPageDown: ScrollByPages(1); return true;
    case platform::kKeyPageUp: ScrollByPages(-1); return true;
    case platform::kKeyDown: ScrollByLines(1); return true;
    case platform::kKeyUp: ScrollByLines(-1); return true;
    default: return false;
    }
}

bool CKestraneScrollView::OnPreparePrinting(platform::PrintInfo& info) {
    info.minPage = 1;
    info.currentPage = 1;
    return true;
}

void CKestraneScrollView::OnBeginPrinting(platform::DeviceContext& dc, platform::PrintInfo& info) {
    dc.SelectFont(Manager().printFont);
    printLineHeight_ = std::max(1, dc.GetTextMetrics().height);
    printing_ = true;
    linesPerPage_ = std::max(1, (info.pageRect.bottom - info.pageRect.top) / printLineHeight_);
    info.minPage = 1;
    info.maxPage = std::max(0, count_) / linesPerPage_ + 1;
}

void CKestraneScrollView::OnPrint(platform::DeviceContext& dc, platform::PrintInfo& info) {
    dc.SelectFont(Manager().printFont);
    dc.SetBkMode(platform::BkMode::Transparent);
    const int skip = Manager().recordNumbers ? 0 : 5;
    if (OpenFilesToDraw() != 0) return;
    stepMisses_ = 0;
    const int first = (info.currentPage - 1) * linesPerPage_;
    for (int row = 0; row < linesPerPage_; ++row) {
        int32_t word = 0;
        if (!GetLine(first + row, 50, word)) break;
        FormatLine(word);
        ListingLine& buffer = Manager().line;
        const int length = buffer.Trim();
        if (length > skip) dc.TextOut(0, row * printLineHeight_, std::string_view(buffer.Text() + skip, length - skip));
    }
    CloseFiles();
}

void CKestraneScrollView::OnEndPrinting(platform::DeviceContext&, platform::PrintInfo&) {
    printing_ = false;
    linesPerPage_ = 0;
    ApplyScrollSizes();
}

void CKestraneScrollView::RemoveLines(int first, int count) {
    if (first < 0 || count <= 0 || first + count > count_) return;
    lines_.erase(lines_.begin() + first, lines_.begin() + first + count);
    count_ -= count;
    selected_ = -1;
    ApplyScrollSizes();
    Invalidate();
}

void CKestraneScrollView::InsertLineAt(int at, int32_t word) {
    if (at < 0 || at > count_) return;
    lines_.insert(lines_.begin() + at, word);
    ++count_;
    selected_ = at;
    ApplyScrollSizes();
    Invalidate();
}

#include "platform/ListingView.h"

#include <algorithm>
#include <cstdio>

#include "platform/Clipboard.h"
#include "platform/FontDialog.h"
#include "platform/ListingDocument.h"
#include "platform/MessageBox.h"
#include "platform/Printing.h"

namespace platform {

ListingView::ListingView(ListingViewCommands commands, Clipboard& clipboard, int printHeight)
    : clipboard_(clipboard) {
    bannerFont = Font{"Courier", 100, 0, kWeightBold, false, false, Pitch::Default, FontFamily::DontCare,
                      FontQuality::Proof};
    screenFont = Font{"Courier New", 16, 0, 500, false, false, Pitch::Fixed, FontFamily::DontCare,
                      FontQuality::Draft};
    printFont = Font{"Courier New", printHeight, 0, 500, false, false, Pitch::Fixed, FontFamily::Modern,
                     FontQuality::Proof};
    AddCommands(commands);
}

ListingView::~ListingView() = default;

ListingDocument* ListingView::GetListingDoc() const { return dynamic_cast<ListingDocument*>(GetDocument()); }

void ListingView::AddCommands(const ListingViewCommands& ids) {
    auto& table = Commands();
    table.Add({kCmdFilePrint, "&Print...", {{'P', true}}, [this] { PrintView(*this, false); }, {}});
    table.Add(kCmdFilePrintPreview, [this] { PrintView(*this, true); });
    table.Add(kCmdFilePrintSetup, [] { RunPrintSetup(); });
    table.Add(ids.printFont, [this] { OnPrintFont(); });
    table.Add(ids.screenFont, [this] { OnScreenFont(); });
    table.Add({kCmdEditCopy, "&Copy", {{'C', true}, {kKeyInsert, true}}, [this] { OnEditCopy(); }, {}});
    table.Add({ids.selectDown, "", {{kKeyDown}}, [this] { OnSelectDown(); }, {}});
    table.Add({ids.selectUp, "", {{kKeyUp}}, [this] { OnSelectUp(); }, {}});
}

void ListingView::ClearSelection() {
    if (firstSelected >= 0 || lastSelected >= 0) Invalidate();
    firstSelected = -1;
    lastSelected = -1;
}

// ---- Measures and scrolling --------------------------------------------------------------

void ListingView::Measure(DeviceContext& dc) {
    dc.SelectFont(dc.IsPrinting() ? printFont : screenFont);
    TextMetrics tm = dc.GetTextMetrics();
    lineHeight = std::max(1, tm.height + tm.externalLeading);
    charWidth = tm.aveCharWidth;
}

void ListingView::OnPrepareDC(DeviceContext& dc, const PrintInfo* info) {
    ScrollView::OnPrepareDC(dc, info);
    Measure(dc);
}

void ListingView::UpdateScrollSizes(int clientHeight) {
    if (auto dc = GetDC()) Measure(*dc);
    if (clientHeight < 0) clientHeight = ClientRect().Height();
    int lines = LineCount();
    bannerHeight = ShowsStoredLines() ? lineHeight + clientHeight : 0;
    if (printing) return;
    long total = static_cast<long>(bannerHeight) + static_cast<long>(lines) * lineHeight;
    int height = static_cast<int>(std::min<long>(total, kMaxScrollUnits));
    SetScrollSizes(MapMode::Text, {1000, height},
                   {200, bannerHeight != 0 ? bannerHeight : clientHeight}, {charWidth, lineHeight});
}

void ListingView::OnUpdate(View*, long) {
    UpdateScrollSizes();
    if (!printing) {
        if (ShowsStoredLines()) {
            long y = static_cast<long>(lineHeight) * (LineCount() + 1);
            ScrollToPosition({0, static_cast<int>(std::min<long>(y, kMaxScrollUnits))});
        } else {
            ScrollToPosition({0, 0});
        }
    }
    Invalidate();
}

void ListingView::OnInitialUpdate() { OnUpdate(nullptr, kHintLinesChanged); }

int ListingView::LineCount() const {
    ListingDocument* doc = GetListingDoc();
    return doc ? doc->GetLineCount() : 0;
}

void ListingView::OnSize(int cx, int cy) {
    ScrollView::OnSize(cx, cy);
    UpdateScrollSizes(cy);
}

void ListingView::RepaintBottomLine() {
    Rect rect = ClientRect();
    rect.top = rect.bottom - lineHeight;
    InvalidateRect(rect, true);
    UpdateWindow();
}

void ListingView::InvalidateLines(int, int) { Invalidate(); }

// ---- Drawing -------------------------------------------------------------------------------

void ListingView::OnDraw(DeviceContext& dc) {
    ListingDocument* doc = GetListingDoc();
    if (!doc) return;
    Rect clip = dc.GetClipBox();
    dc.SetBkMode(BkMode::Transparent);
    int banner = printing ? 0 : bannerHeight;
    if (!printing && clip.top < bannerHeight) {
        std::string banner = BannerText();
        if (!banner.empty()) {
            Font old = dc.SelectFont(bannerFont);
            unsigned align = dc.SetTextAlign(kAlignCenter | kAlignBottom);
            dc.TextOut(ScrollPosition().x + ClientRect().Width() / 2, bannerHeight - 2 * lineHeight, banner);
            dc.SetTextAlign(align);
            dc.SelectFont(old);
        }
        clip.top = bannerHeight;
    }
    int count = doc->GetLineCount();
    int first = std::max(0, (clip.top - banner) / lineHeight);
    int last = std::min((clip.bottom - banner) / lineHeight, count - 1);
    int width = dc.GetDeviceCaps(DeviceCap::HorzRes);
    for (int i = first; i <= last; ++i) {
        int y = banner + i * lineHeight;
        bool selected = firstSelected >= 0 && i >= firstSelected && i <= lastSelected;
        if (selected) {
            if (!coloursTaken_) {
                highlight_ = dc.GetSysColor(SystemColor::Highlight);
                highlightText_ = dc.GetSysColor(SystemColor::HighlightText);
                savedText_ = dc.TextColor();
                savedBk_ = dc.BkColor();
                coloursTaken_ = true;
            }
            dc.FillSolidRect({0, y, width, y + lineHeight}, highlight_);
            dc.SetTextColor(highlightText_);
            dc.SetBkColor(highlight_);
        }
        dc.TextOut(0, y, doc->GetLine(i));
        if (selected) {
            dc.SetTextColor(savedText_);
            dc.SetBkColor(savedBk_);
        }
    }
}

// ---- Printing ------------------------------------------------------------------------------

bool ListingView::OnPreparePrinting(PrintInfo& info) {
    preview = info.preview;
    return true;
}

void ListingView::OnBeginPrinting(DeviceContext& dc, PrintInfo& info) {
    Measure(dc);
    printing = true;
    linesPerPage = std::max(1, dc.GetDeviceCaps(DeviceCap::VertRes) / lineHeight);
    ListingDocument* doc = GetListingDoc();
    int count = doc ? doc->GetLineCount() : 0;
    // Whole pages only: a listing that fills its last page exactly gets no blank page after it.
    int pages = std::max(1, (count + linesPerPage - 1) / linesPerPage);
    info.minPage = 1;
    info.maxPage = pages;
}

void ListingView::OnPrint(DeviceContext& dc, PrintInfo& info) {
    ListingDocument* doc = GetListingDoc();
    if (!doc) return;
    int count = doc->GetLineCount();
    int start = (info.currentPage - 1) * linesPerPage;
    for (int i = start; i < start + linesPerPage && i < count; ++i) {
        dc.TextOut(0, (i - start) * lineHeight, doc->GetLine(i));
    }
}

void ListingView::OnEndPrinting(DeviceContext&, PrintInfo&) {
    printing = false;
    preview = false;
}

// ---- Selection -----------------------------------------------------------------------------

int ListingView::LineFromPoint(DeviceContext&, Point point) const {
    Point logical = ClientToLogical(point);
    int y = logical.y - (printing ? 0 : bannerHeight);
    int line = y / lineHeight;
    if (y < 0 || line < 0) line = 0;
    return line >= LineCount() ? -1 : line;
}

void ListingView::OnLButtonDown(unsigned flags, Point point) {
    InvalidateLines(firstSelected, lastSelected);
    auto dc = GetDC();
    int line = LineFromPoint(*dc, point);
    anchorLine = line;
    if (flags & kMouseShift) {
        if (line < 0) {
            // Below the last line: extend to the last line.
            line = LineCount() - 1;
        }
        if (line >= 0) {
            lastSelected = line;
            if (firstSelected < 0) firstSelected = line;
        }
    } else if (line >= 0 && line != firstSelected) {
        firstSelected = line;
        lastSelected = line;
    } else {
        firstSelected = -1;
        lastSelected = -1;
    }
    if (firstSelected > lastSelected) std::swap(firstSelected, lastSelected);
    lastPointerLine = line;
    InvalidateLines(firstSelected, lastSelected);
}

void ListingView::OnMouseMove(unsigned flags, Point point) {
    if (!(flags & kMouseLeft) || !(flags & kMouseCtrl)) return;
    auto dc = GetDC();
    int line = LineFromPoint(*dc, point);
    if (line < 0 || line == lastPointerLine) return;
    InvalidateLines(line, line);
    // The band grows towards the pointer and never shrinks while dragging.
    if (firstSelected < 0) {
        firstSelected = line;
        lastSelected = line;
    } else {
        firstSelected = std::min(firstSelected, line);
        lastSelected = std::max(lastSelected, line);
    }
    anchorLine = line;
    lastPointerLine = line;
}

void ListingView::OnSelectDown() {
    if (firstSelected < LineCount() - 1) {
        InvalidateLines(firstSelected, lastSelected);
        ++firstSelected;
        ++lastSelected;
        anchorLine = firstSelected;
        InvalidateLines(firstSelected, lastSelected);
    }
}

void ListingView::OnSelectUp() {
    if (firstSelected < 0) return;
    InvalidateLines(firstSelected, lastSelected);
    if (firstSelected == 0) {
        // The band leaves the top of the listing.
        firstSelected = -1;
        lastSelected = -1;
    } else {
        --firstSelected;
        --lastSelected;
    }
    anchorLine = firstSelected;
}

std::string ListingView::SelectedText() {
    std::string text;
    ListingDocument* doc = GetListingDoc();
    if (!doc || firstSelected < 0) return text;
    int count = doc->GetLineCount();
    for (int i = firstSelected; i <= lastSelected && i < count; ++i) {
        text += doc->GetLine(i);
        text += "\r\n";
    }
    return text;
}

void ListingView::OnEditCopy() {
    if (firstSelected < 0) return;
    Clipboard& clipboard = clipboard_;
    char message[80];
    if (!clipboard.Open()) {
        ShowMessage("Cannot open the Clipboard");
        return;
    }
    if (!clipboard.Empty()) {
        std::snprintf(message, sizeof message, "Cannot empty the Clipboard - Error %d", clipboard.LastError());
        ShowMessage(message);
        clipboard.Close();
        return;
    }
    if (!clipboard.SetText(SelectedText())) {
        std::snprintf(message, sizeof message, "Unable to set Clipboard data - Error %d", clipboard.LastError());
        ShowMessage(message);
    }
    clipboard.Close();
}

// ---- Fonts ---------------------------------------------------------------------------------

void ListingView::OnScreenFont() {
    FontDialogRequest request;
    request.font = screenFont;
    request.fixedPitchOnly = true;
    request.screenFonts = true;
    request.effects = true;
    if (!RunFontDialog(request)) return;
    screenFont = request.font;
    UpdateScrollSizes();
    Invalidate();
}

void ListingView::OnPrintFont() {
    FontDialogRequest request;
    request.font = printFont;
    if (request.font.height == 0) request.font.height = 50;
    request.fixedPitchOnly = true;
    request.screenFonts = false;
    request.effects = true;
    if (RunFontDialog(request)) printFont = request.font;
}

}  // namespace platform

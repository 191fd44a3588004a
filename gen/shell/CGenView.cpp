#include "gen/shell/CGenView.h"

#include <algorithm>
#include <cstdio>

#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDoc.h"
#include "platform/App.h"
#include "platform/Clipboard.h"
#include "platform/FileSystem.h"
#include "platform/FontDialog.h"
#include "platform/MessageBox.h"
#include "platform/Printing.h"

using platform::DeviceContext;
using platform::Font;
using platform::Point;
using platform::Rect;

CGenView::CGenView(CGenApp& app) : app_(app) {
    bannerFont = Font{"Courier", 100, 0, platform::kWeightBold, false, false, platform::Pitch::Default,
                      platform::FontFamily::DontCare, platform::FontQuality::Proof};
    screenFont = Font{"Courier New", 16, 0, 500, false, false, platform::Pitch::Fixed,
                      platform::FontFamily::DontCare, platform::FontQuality::Draft};
    printFont = Font{"Courier New", 50, 0, 500, false, false, platform::Pitch::Fixed,
                     platform::FontFamily::Modern, platform::FontQuality::Proof};
    AddCommands();
}

CGenView::~CGenView() { CloseSetupFiles(); }

CGenDoc* CGenView::GetDoc() const { return dynamic_cast<CGenDoc*>(GetDocument()); }

void CGenView::AddCommands() {
    auto& table = Commands();
    table.Add(kCmdSetup, [this] { RunSetup(); },
              [this](platform::CommandState& s) { s.enabled = !running; });
    table.Add(kCmdStopReset, [this] { StopOperation(kOperationAbortedText); },
              [this](platform::CommandState& s) { s.enabled = running; });
    table.Add({platform::kCmdFilePrint, "&Print...", {{'P', true}}, [this] { platform::PrintView(*this, false); }, {}});
    table.Add(platform::kCmdFilePrintPreview, [this] { platform::PrintView(*this, true); });
    table.Add(platform::kCmdFilePrintSetup, [] { platform::RunPrintSetup(); });
    table.Add(kCmdPrintFont, [this] { OnPrintFont(); });
    table.Add(kCmdScreenFont, [this] { OnScreenFont(); });
    table.Add({platform::kCmdEditCopy, "&Copy", {{'C', true}, {platform::kKeyInsert, true}}, [this] { OnEditCopy(); }, {}});
    table.Add({kCmdSelectDown, "", {{platform::kKeyDown}}, [this] { OnSelectDown(); }, {}});
    table.Add({kCmdSelectUp, "", {{platform::kKeyUp}}, [this] { OnSelectUp(); }, {}});
}

bool CGenView::OnMessage(unsigned message, platform::WParam wparam, platform::LParam lparam) {
    if (message == kMsgStartSetup) {
        RunSetup();
        return true;
    }
    return ScrollView::OnMessage(message, wparam, lparam);
}

void CGenView::CloseSetupFiles() {
    if (probeFd >= 0) platform::CloseFile(probeFd);
    if (secondFd >= 0) platform::CloseFile(secondFd);
    probeFd = -1;
    secondFd = -1;
}

void CGenView::ClearSelection() {
    if (firstSelected >= 0 || lastSelected >= 0) Invalidate();
    firstSelected = -1;
    lastSelected = -1;
}

// ---- Measures and scrolling --------------------------------------------------------------

void CGenView::Measure(DeviceContext& dc) {
    dc.SelectFont(dc.IsPrinting() ? printFont : screenFont);
    platform::TextMetrics tm = dc.GetTextMetrics();
    lineHeight = std::max(1, tm.height + tm.externalLeading);
    charWidth = tm.aveCharWidth;
}

void CGenView::OnPrepareDC(DeviceContext& dc, const platform::PrintInfo* info) {
    ScrollView::OnPrepareDC(dc, info);
    Measure(dc);
}

void CGenView::UpdateScrollSizes(int clientHeight) {
    if (auto dc = GetDC()) Measure(*dc);
    if (clientHeight < 0) clientHeight = ClientRect().Height();
    CGenDoc* doc = GetDoc();
    int shown = doc ? doc->ShownKind() : 0;
    int lines = doc ? doc->GetLineCount() : 0;
    bannerHeight = shown != 0 ? 0 : lineHeight + clientHeight;
    if (printing) return;
    long total = static_cast<long>(bannerHeight) + static_cast<long>(lines) * lineHeight;
    int height = static_cast<int>(std::min<long>(total, kMaxScrollUnits));
    SetScrollSizes(platform::MapMode::Text, {1000, height},
                   {200, bannerHeight != 0 ? bannerHeight : clientHeight}, {charWidth, lineHeight});
}

void CGenView::OnUpdate(platform::View*, long) {
    UpdateScrollSizes();
    if (!printing) {
        CGenDoc* doc = GetDoc();
        if (doc && doc->ShownKind() == 0) {
            long y = static_cast<long>(lineHeight) * (doc->GetLineCount() + 1);
            ScrollToPosition({0, static_cast<int>(std::min<long>(y, kMaxScrollUnits))});
        } else {
            ScrollToPosition({0, 0});
        }
    }
    Invalidate();
}

void CGenView::OnInitialUpdate() { OnUpdate(nullptr, kHintLinesChanged); }

void CGenView::OnSize(int cx, int cy) {
    ScrollView::OnSize(cx, cy);
    UpdateScrollSizes(cy);
}

void CGenView::RepaintBottomLine() {
    Rect rect = ClientRect();
    rect.top = rect.bottom - lineHeight;
    InvalidateRect(rect, true);
    UpdateWindow();
}

void CGenView::InvalidateLines(int, int) { Invalidate(); }

// ---- Drawing -------------------------------------------------------------------------------

void CGenView::OnDraw(DeviceContext& dc) {
    CGenDoc* doc = GetDoc();
    if (!doc) return;
    Rect clip = dc.GetClipBox();
    dc.SetBkMode(platform::BkMode::Transparent);
    int banner = printing ? 0 : bannerHeight;
    if (!printing && clip.top < bannerHeight) {
        Font old = dc.SelectFont(bannerFont);
        unsigned align = dc.SetTextAlign(platform::kAlignCenter | platform::kAlignBottom);
        dc.TextOut(ScrollPosition().x + ClientRect().Width() / 2, bannerHeight - 2 * lineHeight, app_.Model().name);
        dc.SetTextAlign(align);
        dc.SelectFont(old);
        clip.top = bannerHeight;
    }
    int count = doc->GetLineCount();
    int first = std::max(0, (clip.top - banner) / lineHeight);
    int last = std::min((clip.bottom - banner) / lineHeight, count - 1);
    int width = dc.GetDeviceCaps(platform::DeviceCap::HorzRes);
    for (int i = first; i <= last; ++i) {
        int y = banner + i * lineHeight;
        bool selected = firstSelected >= 0 && i >= firstSelected && i <= lastSelected;
        if (selected) {
            if (!coloursTaken_) {
                highlight_ = dc.GetSysColor(platform::SystemColor::Highlight);
                highlightText_ = dc.GetSysColor(platform::SystemColor::HighlightText);
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

bool CGenView::OnPreparePrinting(platform::PrintInfo& info) {
    preview = info.preview;
    return true;
}

void CGenView::OnBeginPrinting(DeviceContext& dc, platform::PrintInfo& info) {
    Measure(dc);
    printing = true;
    linesPerPage = std::max(1, dc.GetDeviceCaps(platform::DeviceCap::VertRes) / lineHeight);
    CGenDoc* doc = GetDoc();
    int count = doc ? doc->GetLineCount() : 0;
    // Whole pages only: a listing that fills its last page exactly gets no blank page after it.
    int pages = std::max(1, (count + linesPerPage - 1) / linesPerPage);
    info.minPage = 1;
    info.maxPage = pages;
}

void CGenView::OnPrint(DeviceContext& dc, platform::PrintInfo& info) {
    CGenDoc* doc = GetDoc();
    if (!doc) return;
    int count = doc->GetLineCount();
    int start = (info.currentPage - 1) * linesPerPage;
    for (int i = start; i < start + linesPerPage && i < count; ++i) {
        dc.TextOut(0, (i - start) * lineHeight, doc->GetLine(i));
    }
}

void CGenView::OnEndPrinting(DeviceContext&, platform::PrintInfo&) {
    printing = false;
    preview = false;
}

// ---- Selection -----------------------------------------------------------------------------

int CGenView::LineFromPoint(DeviceContext&, Point point) const {
    Point logical = ClientToLogical(point);
    int y = logical.y - (printing ? 0 : bannerHeight);
    int line = y / lineHeight;
    if (y < 0 || line < 0) line = 0;
    CGenDoc* doc = GetDoc();
    int count = doc ? doc->GetLineCount() : 0;
    return line >= count ? -1 : line;
}

void CGenView::OnLButtonDown(unsigned flags, Point point) {
    InvalidateLines(firstSelected, lastSelected);
    auto dc = GetDC();
    int line = LineFromPoint(*dc, point);
    anchorLine = line;
    if (flags & platform::kMouseShift) {
        if (line < 0) {
            // Below the last line: extend to the last line.
            CGenDoc* doc = GetDoc();
            line = doc ? doc->GetLineCount() - 1 : -1;
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

void CGenView::OnMouseMove(unsigned flags, Point point) {
    if (!(flags & platform::kMouseLeft) || !(flags & platform::kMouseCtrl)) return;
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

void CGenView::OnSelectDown() {
    CGenDoc* doc = GetDoc();
    int count = doc ? doc->GetLineCount() : 0;
    if (firstSelected < count - 1) {
        InvalidateLines(firstSelected, lastSelected);
        ++firstSelected;
        ++lastSelected;
        anchorLine = firstSelected;
        InvalidateLines(firstSelected, lastSelected);
    }
}

void CGenView::OnSelectUp() {
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

std::string CGenView::SelectedText() {
    std::string text;
    CGenDoc* doc = GetDoc();
    if (!doc || firstSelected < 0) return text;
    int count = doc->GetLineCount();
    for (int i = firstSelected; i <= lastSelected && i < count; ++i) {
        text += doc->GetLine(i);
        text += "\r\n";
    }
    return text;
}

void CGenView::OnEditCopy() {
    if (firstSelected < 0) return;
    platform::Clipboard& clipboard = app_.GetUi().GetClipboard();
    char message[80];
    if (!clipboard.Open()) {
        platform::ShowMessage("Cannot open the Clipboard");
        return;
    }
    if (!clipboard.Empty()) {
        std::snprintf(message, sizeof message, "Cannot empty the Clipboard - Error %d", clipboard.LastError());
        platform::ShowMessage(message);
        clipboard.Close();
        return;
    }
    if (!clipboard.SetText(SelectedText())) {
        std::snprintf(message, sizeof message, "Unable to set Clipboard data - Error %d", clipboard.LastError());
        platform::ShowMessage(message);
    }
    clipboard.Close();
}

// ---- Fonts ---------------------------------------------------------------------------------

void CGenView::OnScreenFont() {
    platform::FontDialogRequest request;
    request.font = screenFont;
    request.fixedPitchOnly = true;
    request.screenFonts = true;
    request.effects = true;
    if (!platform::RunFontDialog(request)) return;
    screenFont = request.font;
    UpdateScrollSizes();
    Invalidate();
}

void CGenView::OnPrintFont() {
    platform::FontDialogRequest request;
    request.font = printFont;
    if (request.font.height == 0) request.font.height = 50;
    request.fixedPitchOnly = true;
    request.screenFonts = false;
    request.effects = true;
    if (platform::RunFontDialog(request)) printFont = request.font;
}

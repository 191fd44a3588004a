#include "viewer/CAmbreloView.h"

#include <algorithm>
#include <string>

#include "platform/Printing.h"
#include "viewer/CAmbreloDoc.h"
#include "viewer/CAmbreloSnoDlg.h"

using namespace platform;

CAmbreloView::CAmbreloView() {
    m_font.face = "Courier New";
    m_font.height = 16;
    m_font.weight = 500;
    m_font.pitch = Pitch::Fixed;
    m_font.quality = FontQuality::Draft;

    CommandTable& t = Commands();
    t.Add({kCmdPrevRecord, "Previous", {{kKeyLeft}}, [this] { OnPrevRecord(); }, {}});
    t.Add({kCmdSearchValue, "Number", {{kKeyDown}}, [this] { OnSearchValue(); }, {}});
    t.Add({kCmdNextRecord, "Next", {{kKeyRight}}, [this] { OnNextRecord(); }, {}});
    t.Add({kCmdFilePrint, "&Print...", {{'P', true}}, [this] { PrintView(*this, false); }, {}});
    t.Add(kCmdFilePrintPreview, [this] { PrintView(*this, true); });
    t.Add(kCmdFilePrintSetup, [] { RunPrintSetup(); });
    // One pane per window: the next and previous pane are this view.
    t.Add({kCmdNextPane, "Next Pane", {{kKeyF1 + 5}}, [] {}, {}});
    t.Add({kCmdPrevPane, "Previous Pane", {{kKeyF1 + 5, false, true}}, [] {}, {}});
}

CAmbreloView::~CAmbreloView() = default;

CAmbreloDoc* CAmbreloView::GetDoc() const { return dynamic_cast<CAmbreloDoc*>(GetDocument()); }

void CAmbreloView::OnPrepareDC(DeviceContext& dc, const PrintInfo* info) {
    View::OnPrepareDC(dc, info);
    dc.SelectFont(m_font);
    TextMetrics tm = dc.GetTextMetrics();
    if (tm.height > 0) m_lineHeight = tm.height;
    m_charWidth = tm.aveCharWidth;
}

void CAmbreloView::OnDraw(DeviceContext& dc) {
    CAmbreloDoc* doc = GetDoc();
    if (!doc) return;
    Rect clip = dc.GetClipBox();
    int first = std::max(0, clip.top / m_lineHeight);
    int last = clip.bottom / m_lineHeight;
    int count = doc->GetLineCount();
    std::string text;
    for (int line = first; line <= last && line < count; ++line) {
        doc->FormatLine(line, text);
        text = TrimLine(std::move(text));
        int y = line * m_lineHeight;
        if (line == m_selectedLine) {
            Color band = dc.GetSysColor(SystemColor::Highlight);
            dc.FillSolidRect({0, y, dc.GetDeviceCaps(DeviceCap::HorzRes), y + m_lineHeight}, band);
            Color oldText = dc.SetTextColor(dc.GetSysColor(SystemColor::HighlightText));
            Color oldBk = dc.SetBkColor(band);
            BkMode oldMode = dc.SetBkMode(BkMode::Opaque);
            dc.TextOut(0, y, text);
            dc.SetTextColor(oldText);
            dc.SetBkColor(oldBk);
            dc.SetBkMode(oldMode);
        } else {
            BkMode oldMode = dc.SetBkMode(BkMode::Transparent);
            dc.TextOut(0, y, text);
            dc.SetBkMode(oldMode);
        }
    }
}

Rect CAmbreloView::LineRect(int line) const {
    Rect client = ClientRect();
    return {0, line * m_lineHeight, client.right, (line + 1) * m_lineHeight};
}

void CAmbreloView::OnLButtonDown(unsigned flags, Point point) {
    if (auto dc = GetDC()) point = dc->DeviceToLogical(point);
    int line = std::max(0, point.y / m_lineHeight);
    InvalidateRect(LineRect(line));
    if (m_selectedLine >= 0) InvalidateRect(LineRect(m_selectedLine));
    CAmbreloDoc* doc = GetDoc();
    m_selectedLine = doc && line < doc->GetLineCount() && doc->IsLineSearchable(line) ? line : -1;
    View::OnLButtonDown(flags, point);
}

bool CAmbreloView::OnPreparePrinting(PrintInfo& info) {
    info.maxPage = 1;  // one record: one page
    return true;
}

void CAmbreloView::Seek(int mode) {
    CAmbreloDoc* doc = GetDoc();
    if (!doc) return;
    doc->SeekRecord(mode, m_lastSearchValue, m_selectedLine);
    Invalidate();
    doc->EchoRecord();
}

void CAmbreloView::OnPrevRecord() { Seek(kSeekPrevious); }
void CAmbreloView::OnNextRecord() { Seek(kSeekNext); }

void CAmbreloView::OnSearchValue() {
    CAmbreloSnoDlg dlg;
    if (dlg.RunModal() != kIdOk) return;
    m_lastSearchValue = ParseSearchValue(dlg.value);
    Seek(kSeekSearch);
}

// The scrolling view of a ListingDocument: its lines in a fixed-pitch font below an
// optional banner, selection of lines by mouse and arrow keys, Copy of the selected lines
// (each followed by CR LF), printing and print preview with a print font, and the screen
// and print font dialogs. The command ids of the font commands and of the selection keys
// are given by the program.
#pragma once

#include <string>

#include "platform/DeviceContext.h"
#include "platform/ScrollView.h"

namespace platform {

class Clipboard;
class ListingDocument;

// Scroll sizes are capped at this many logical units.
constexpr int kMaxScrollUnits = 32767;

struct ListingViewCommands {
    unsigned screenFont = 0;
    unsigned printFont = 0;
    unsigned selectDown = 0;
    unsigned selectUp = 0;
};

class ListingView : public ScrollView {
public:
    // The banner font "Courier" 100 bold, screen font "Courier New" 16, print font
    // "Courier New" printHeight (0: the printer's default size).
    ListingView(ListingViewCommands commands, Clipboard& clipboard, int printHeight);
    ~ListingView() override;

    ListingDocument* GetListingDoc() const;

    // The banner's text above a plain listing; empty: no banner line.
    virtual std::string BannerText() const { return {}; }
    // True while the stored lines are shown (banner on top, the newest line kept at the
    // bottom); false for a listing shown from its top.
    virtual bool ShowsStoredLines() const { return true; }

    // Selection (-1: none).
    int firstSelected = -1;
    int lastSelected = -1;
    int anchorLine = -1;
    int lastPointerLine = -1;
    void ClearSelection();

    // Fonts and measures.
    Font bannerFont;
    Font screenFont;
    Font printFont;
    int lineHeight = 10;
    int charWidth = 0;
    int bannerHeight = 0;
    bool printing = false;
    bool preview = false;
    int linesPerPage = 0;

    // Scroll sizes from the current font; clientHeight < 0: the client height.
    void UpdateScrollSizes(int clientHeight = -1);
    // Repaints the bottom line of the window (the last line replaced in place).
    void RepaintBottomLine();
    int LineFromPoint(DeviceContext& dc, Point point) const;

    // The selected lines, each followed by CR LF, stopping at the line count.
    std::string SelectedText();
    void OnEditCopy();
    void OnSelectDown();
    void OnSelectUp();
    void OnScreenFont();
    void OnPrintFont();

    // View
    void OnDraw(DeviceContext& dc) override;
    void OnPrepareDC(DeviceContext& dc, const PrintInfo* info) override;
    void OnUpdate(View* sender, long hint) override;
    void OnInitialUpdate() override;
    void OnSize(int cx, int cy) override;
    void OnLButtonDown(unsigned flags, Point point) override;
    void OnMouseMove(unsigned flags, Point point) override;
    bool OnPreparePrinting(PrintInfo& info) override;
    void OnBeginPrinting(DeviceContext& dc, PrintInfo& info) override;
    void OnPrint(DeviceContext& dc, PrintInfo& info) override;
    void OnEndPrinting(DeviceContext& dc, PrintInfo& info) override;

private:
    void Measure(DeviceContext& dc);
    void InvalidateLines(int first, int last);
    void AddCommands(const ListingViewCommands& commands);
    int LineCount() const;

    Clipboard& clipboard_;
    bool coloursTaken_ = false;
    Color highlight_ = 0;
    Color highlightText_ = 0;
    Color savedText_ = 0;
    Color savedBk_ = 0;
};

}  // namespace platform

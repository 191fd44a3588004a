// The view of a record document: one line per field, a selected search line, and the
// Previous, Search and Next commands.
#pragma once

#include "platform/DeviceContext.h"
#include "platform/View.h"

class CAmbreloDoc;

// Command ids of the view.
constexpr unsigned kCmdPrevRecord = 32771;
constexpr unsigned kCmdSearchValue = 32772;
constexpr unsigned kCmdNextRecord = 32773;
constexpr unsigned kCmdNextPane = 57680;
constexpr unsigned kCmdPrevPane = 57681;

// Status-line texts of the toolbar commands (prompt, then the button's tip).
inline constexpr const char* kPrevRecordPrompt = "Previous Record\nPrevious";
inline constexpr const char* kSearchValuePrompt = "Search for a Field Value\nNumber";
inline constexpr const char* kNextRecordPrompt = "Next Record\nNext";

class CAmbreloView : public platform::View {
public:
    CAmbreloView();
    ~CAmbreloView() override;

    CAmbreloDoc* GetDoc() const;

    void OnDraw(platform::DeviceContext& dc) override;
    void OnPrepareDC(platform::DeviceContext& dc, const platform::PrintInfo* info) override;
    void OnLButtonDown(unsigned flags, platform::Point point) override;
    bool OnPreparePrinting(platform::PrintInfo& info) override;

    void OnPrevRecord();
    void OnSearchValue();
    void OnNextRecord();

    int SelectedLine() const { return m_selectedLine; }
    int LastSearchValue() const { return m_lastSearchValue; }
    int LineHeight() const { return m_lineHeight; }

private:
    // Seeks, repaints and echoes the record now on show.
    void Seek(int mode);
    platform::Rect LineRect(int line) const;

    int m_lineHeight = 20;
    int m_charWidth = 0;
    int m_selectedLine = -1;
    int m_lastSearchValue = 0;
    platform::Font m_font;
};

// The generator's only view: the listing in a fixed-pitch font with the program's banner,
// selection by mouse and keys, Copy, printing, fonts; and the setup and run state of the
// current operation.
#pragma once

#include <cstdint>
#include <string>

#include "platform/DeviceContext.h"
#include "platform/ScrollView.h"

class CGenApp;
class CGenDoc;

// Commands of the view.
constexpr unsigned kCmdSetup = 32771;
constexpr unsigned kCmdStopReset = 32773;
constexpr unsigned kCmdScreenFont = 32784;
constexpr unsigned kCmdPrintFont = 32785;
constexpr unsigned kCmdSelectDown = 32786;
constexpr unsigned kCmdSelectUp = 32787;

// Scroll sizes are capped at this many logical units.
constexpr int kMaxScrollUnits = 32767;

class CGenView : public platform::ScrollView {
public:
    explicit CGenView(CGenApp& app);
    ~CGenView() override;

    CGenDoc* GetDoc() const;
    CGenApp& App() const { return app_; }

    // Operation state (RunSetup and the runner work on these).
    bool running = false;
    int mode = 3;
    int section = 0;
    bool listing = false;
    std::string fileName;   // at most 255 characters
    std::string title;      // at most 31 characters
    int partNumbers[2] = {0, 0};
    // The probe file of the setup (-1 when closed) and the second file.
    int probeFd = -1;
    int secondFd = -1;

    // Selection.
    int firstSelected = -1;
    int lastSelected = -1;
    int anchorLine = -1;
    int lastPointerLine = -1;
    void ClearSelection();

    // Fonts and measures.
    platform::Font bannerFont;
    platform::Font screenFont;
    platform::Font printFont;
    int lineHeight = 10;
    int charWidth = 0;
    int bannerHeight = 0;
    bool printing = false;
    bool preview = false;
    int linesPerPage = 0;

    // The setup loop.
    void RunSetup();
    // App state 3 on the next idle turn after GO.
    void StartOperation();
    void StopOperation(const std::string& text);
    void CloseSetupFiles();

    // Scroll sizes from the current font; clientHeight < 0: the client height.
    void UpdateScrollSizes(int clientHeight = -1);
    // Repaints the bottom line of the window (the last line replaced in place).
    void RepaintBottomLine();
    int LineFromPoint(platform::DeviceContext& dc, platform::Point point) const;

    // Copy of the selected lines (each followed by CR LF).
    std::string SelectedText();
    void OnEditCopy();
    void OnSelectDown();
    void OnSelectUp();
    void OnScreenFont();
    void OnPrintFont();

    // platform::View
    void OnDraw(platform::DeviceContext& dc) override;
    void OnPrepareDC(platform::DeviceContext& dc, const platform::PrintInfo* info) override;
    void OnUpdate(platform::View* sender, long hint) override;
    void OnInitialUpdate() override;
    void OnSize(int cx, int cy) override;
    void OnLButtonDown(unsigned flags, platform::Point point) override;
    void OnMouseMove(unsigned flags, platform::Point point) override;
    bool OnPreparePrinting(platform::PrintInfo& info) override;
    void OnBeginPrinting(platform::DeviceContext& dc, platform::PrintInfo& info) override;
    void OnPrint(platform::DeviceContext& dc, platform::PrintInfo& info) override;
    void OnEndPrinting(platform::DeviceContext& dc, platform::PrintInfo& info) override;
    bool OnMessage(unsigned message, platform::WParam wparam, platform::LParam lparam) override;

private:
    void Measure(platform::DeviceContext& dc);
    void InvalidateLines(int first, int last);
    void AddCommands();

    CGenApp& app_;
    bool coloursTaken_ = false;
    platform::Color highlight_ = 0;
    platform::Color highlightText_ = 0;
    platform::Color savedText_ = 0;
    platform::Color savedBk_ = 0;
};

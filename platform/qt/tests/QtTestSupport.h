// Fixtures of the Qt backend's tests: an application on the Qt backend and a small
// single-document program (a listing view in a frame with menus, toolbar and panes).
#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/App.h"
#include "platform/DocTemplate.h"
#include "platform/Document.h"
#include "platform/Frame.h"
#include "platform/ScrollView.h"
#include "platform/qt/QtFrameWindow.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtViewWidget.h"
#include "platform/tests/TestSupport.h"

namespace platform::qt::test {

constexpr unsigned kCmdRun = 32771;
constexpr unsigned kCmdMark = 32772;
constexpr unsigned kCmdDown = 32786;

class QtTestApp : public platform::test::RecordingApp {
public:
    QtTestApp() {
        auto ui = std::make_unique<QtUi>();
        qt = ui.get();
        SetUi(std::move(ui));
    }
    QtUi* qt;
};

// Lines in "Courier New" at a fixed line height; records the mouse.
class LinesView : public ScrollView {
public:
    std::vector<std::string> lines;
    Font screenFont{"Courier New", 16, 0, 500, false, false, Pitch::Fixed};
    Font printFont{"Courier New", 50, 0, 500, false, false, Pitch::Fixed, FontFamily::Modern};
    int lineHeight = 10;
    int linesPerPage = 1;
    unsigned lastFlags = 0;
    Point lastPoint{-1, -1};
    int downs = 0;

    void Measure(DeviceContext& dc) {
        dc.SelectFont(dc.IsPrinting() ? printFont : screenFont);
        lineHeight = std::max(1, dc.GetTextMetrics().height);
    }
    void OnPrepareDC(DeviceContext& dc, const PrintInfo* info) override {
        ScrollView::OnPrepareDC(dc, info);
        Measure(dc);
    }
    void OnInitialUpdate() override {
        if (auto dc = GetDC()) Measure(*dc);
        SetScrollSizes(MapMode::Text, {1000, static_cast<int>(lines.size()) * lineHeight}, {}, {8, lineHeight});
        Invalidate();
    }
    void OnDraw(DeviceContext& dc) override {
        Rect clip = dc.GetClipBox();
        for (int i = std::max(0, clip.top / lineHeight); i < static_cast<int>(lines.size()) && i * lineHeight < clip.bottom; ++i) {
            dc.TextOut(0, i * lineHeight, lines[static_cast<std::size_t>(i)]);
        }
    }
    void OnLButtonDown(unsigned flags, Point point) override {
        lastFlags = flags;
        lastPoint = point;
        ++downs;
    }
    void OnBeginPrinting(DeviceContext& dc, PrintInfo& info) override {
        Measure(dc);
        linesPerPage = std::max(1, dc.GetDeviceCaps(DeviceCap::VertRes) / lineHeight);
        info.maxPage = std::max(1, (static_cast<int>(lines.size()) + linesPerPage - 1) / linesPerPage);
    }
    void OnPrint(DeviceContext& dc, PrintInfo& info) override {
        int start = (info.currentPage - 1) * linesPerPage;
        for (int i = start; i < start + linesPerPage && i < static_cast<int>(lines.size()); ++i) {
            dc.TextOut(0, (i - start) * lineHeight, lines[static_cast<std::size_t>(i)]);
        }
    }
};

class TestFrame : public Frame {
public:
    bool runEnabled = true;
    bool marked = false;
    int runs = 0;
    int downs = 0;
    TestFrame() {
        Commands().Add({kCmdRun, "&Run...", {{'R', true}}, [this] { ++runs; },
                        [this](CommandState& s) { s.enabled = runEnabled; }});
        Commands().Add(kCmdMark, [this] { marked = !marked; }, [this](CommandState& s) { s.checked = marked; });
        Commands().Add({kCmdDown, "", {{kKeyDown}}, [this] { ++downs; }, {}});
    }
    bool OnCreate() override {
        SetMenu({Popup("&File", {Item("&Run...\tCtrl+R", kCmdRun), Separator(), Item("E&xit", kCmdAppExit)}),
                 Popup("&View", {Item("&Toolbar", kCmdViewToolbar), Item("&Status Bar", kCmdViewStatusBar),
                                 Item("&Mark", kCmdMark)})});
        SetToolbar({kCmdRun, 0, kCmdMark});
        SetStatusPanes({{0, "", "Ready", true}, {0, "Country=WW", "", false}});
        return true;
    }
};

// A program with one document in one frame: the app, its frame, view and window.
struct Program {
    QtTestApp app;
    TestFrame* frame = nullptr;
    LinesView* view = nullptr;
    Document* doc = nullptr;

    explicit Program(std::vector<std::string> lines = {}) {
        app.AddDocTemplate(std::make_unique<DocTemplate>(
            DocTemplate::Kind::Single, 128, [] { return std::make_unique<Document>(); },
            [this] {
                auto f = std::make_unique<TestFrame>();
                frame = f.get();
                return f;
            },
            [this, lines] {
                auto v = std::make_unique<LinesView>();
                v->lines = lines;
                view = v.get();
                return v;
            },
            "Listing"));
        doc = app.OpenNewDocument();
    }
    QtFrameWindow* Window() const { return app.qt->WindowOf(*frame); }
    QtViewWidget* Widget() const { return app.qt->WidgetOf(*view); }
};

// Runs fn from the loop once it waits, then ends the loop.
inline void RunThenQuit(App& app, std::function<void()> fn, int ms = 0) {
    QTimer::singleShot(ms, [&app, fn] {
        fn();
        app.Quit(app.ExitCode());
    });
    app.Run();
}

}  // namespace platform::qt::test

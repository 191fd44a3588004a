#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/DeviceContext.h"
#include "platform/DocTemplate.h"
#include "platform/Document.h"
#include "platform/Frame.h"
#include "platform/HeadlessDC.h"
#include "platform/Printing.h"
#include "platform/ScrollView.h"

namespace platform {
namespace {

using test::TestApp;

constexpr unsigned kCmdStop = 32773;
constexpr unsigned kCmdSelectDown = 32786;

struct LinesDoc : Document {
    std::vector<std::string> lines;
    void Add(std::string s) {
        lines.push_back(std::move(s));
        EchoLine(lines.back());
        UpdateAllViews(nullptr, 1);
    }
};

// A small listing view: fixed-pitch lines, printed page by page.
struct LinesView : ScrollView {
    Font screen{"Courier New", 16, 0, 500, false, false, Pitch::Fixed};
    Font print{"Courier New", 50, 0, 500, false, false, Pitch::Fixed, FontFamily::Modern};
    int lineHeight = 10;
    int linesPerPage = 0;
    int selected = -1;
    int updates = 0;

    LinesView() {
        Commands().Add(kCmdSelectDown, [this] { ++selected; }).keys = {Key{kKeyDown}};
    }
    LinesDoc* Doc() const { return static_cast<LinesDoc*>(GetDocument()); }
    void OnUpdate(View*, long) override {
        ++updates;
        auto dc = GetDC();
        dc->SelectFont(screen);
        lineHeight = dc->GetTextMetrics().height;
        int n = static_cast<int>(Doc()->lines.size());
        SetScrollSizes(MapMode::Text, {1000, std::min(32767, n * lineHeight)}, {200, 100}, {9, lineHeight});
        ScrollToPosition({0, n * lineHeight});
        Invalidate();
    }
    void OnDraw(DeviceContext& dc) override {
        dc.SelectFont(dc.IsPrinting() ? print : screen);
        dc.SetBkMode(BkMode::Transparent);
        Rect clip = dc.GetClipBox();
        int n = static_cast<int>(Doc()->lines.size());
        for (int i = std::max(0, clip.top / lineHeight); i < n && i * lineHeight < clip.bottom; ++i) {
            dc.TextOut(0, i * lineHeight, Doc()->lines[static_cast<size_t>(i)]);
        }
    }
    bool OnPreparePrinting(PrintInfo& info) override {
        info.maxPage = 99;
        return true;
    }
    void OnBeginPrinting(DeviceContext& dc, PrintInfo& info) override {
        dc.SelectFont(print);
        lineHeight = dc.GetTextMetrics().height;
        linesPerPage = dc.GetDeviceCaps(DeviceCap::VertRes) / lineHeight;
        info.maxPage = static_cast<int>(Doc()->lines.size()) / linesPerPage + 1;
    }
    void OnPrint(DeviceContext& dc, PrintInfo& info) override {
        dc.SelectFont(print);
        int first = (info.currentPage - 1) * linesPerPage;
        int n = static_cast<int>(Doc()->lines.size());
        for (int i = first; i < n && i < first + linesPerPage; ++i) {
            dc.TextOut(0, (i - first) * lineHeight, Doc()->lines[static_cast<size_t>(i)]);
        }
    }
};

struct TestFrame : Frame {
    bool refuse = false;
    bool OnCreate() override {
        SetStatusPanes({{0, "", "Ready"}, {1, "Country=WW", ""}});
        SetMenu({Popup("&File", {Item("STOP/RESET", kCmdStop), Separator(), Item("E&xit", kCmdAppExit)})});
        return !refuse;
    }
};

struct DocApp : TestApp {
    bool running = false;
    int stops = 0;
    DocApp() {
        AddDocTemplate(std::make_unique<DocTemplate>(
            DocTemplate::Kind::Single, 128, [] { return std::make_unique<LinesDoc>(); },
            [] { return std::make_unique<TestFrame>(); }, [] { return std::make_unique<LinesView>(); }));
        Commands().Add(kCmdStop, [this] { ++stops; }, [this](CommandState& s) { s.enabled = running; });
    }
};

TEST(DocView, SingleDocumentTemplateMakesFrameViewAndDocument) {
    DocApp app;
    auto* doc = static_cast<LinesDoc*>(app.OpenNewDocument());
    ASSERT_NE(doc, nullptr);
    ASSERT_NE(app.MainFrame(), nullptr);
    auto* view = static_cast<LinesView*>(app.ActiveView());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetDocument(), doc);
    EXPECT_EQ(view->GetFrame(), app.MainFrame());
    EXPECT_EQ(view->updates, 1);  // the initial update
    EXPECT_EQ(app.OpenNewDocument(), doc);  // single: the same document again
    EXPECT_EQ(app.MainFrame()->StatusPanes()[0].text, "Ready");
}

TEST(DocView, RefusedFrameCreationGivesNoDocument) {
    TestApp app;
    app.AddDocTemplate(std::make_unique<DocTemplate>(
        DocTemplate::Kind::Single, 128, [] { return std::make_unique<LinesDoc>(); },
        [] {
            auto f = std::make_unique<TestFrame>();
            f->refuse = true;
            return f;
        },
        [] { return std::make_unique<LinesView>(); }));
    EXPECT_EQ(app.OpenNewDocument(), nullptr);
    EXPECT_EQ(app.MainFrame(), nullptr);
}

TEST(DocView, MultiDocumentTemplatesOpenChildFramesInTheMainFrame) {
    TestApp app;
    auto& records = app.AddDocTemplate(std::make_unique<DocTemplate>(
        DocTemplate::Kind::Multi, 130, [] { return std::make_unique<LinesDoc>(); },
        [] { return std::make_unique<TestFrame>(); }, [] { return std::make_unique<LinesView>(); },
        "Airports Database"));
    EXPECT_EQ(records.OpenNewDocument(), nullptr);  // no main frame yet
    TestFrame main;
    ASSERT_TRUE(main.Create("Kestrane"));
    app.SetMainFrame(&main);
    Document* a = records.OpenNewDocument();
    Document* b = records.OpenNewDocument();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(a->Title(), "Airports Database");
    ASSERT_EQ(main.Children().size(), 2u);
    EXPECT_EQ(app.ActiveView()->GetDocument(), b);  // the newest child is active
    Frame* childB = main.ActiveChild();
    EXPECT_TRUE(childB->IsChild());
    childB->OnClose();  // closes document b with its frame and view
    EXPECT_EQ(records.Documents(), (std::vector<Document*>{a}));
    ASSERT_EQ(main.Children().size(), 1u);
    EXPECT_EQ(app.ActiveView()->GetDocument(), a);
    EXPECT_FALSE(app.QuitRequested());
    records.CloseAll();
    EXPECT_TRUE(main.Children().empty());
    app.SetMainFrame(nullptr);
}

TEST(DocView, CommandsRouteWithTheirStateAndKeys) {
    DocApp app;
    app.OpenNewDocument();
    auto* view = static_cast<LinesView*>(app.ActiveView());
    Frame* frame = app.MainFrame();
    EXPECT_FALSE(frame->QueryState(kCmdStop).enabled);
    EXPECT_FALSE(app.RouteCommand(kCmdStop));  // disabled: does not run
    app.running = true;
    EXPECT_TRUE(frame->QueryState(kCmdStop).enabled);
    EXPECT_TRUE(app.RouteCommand(kCmdStop));
    EXPECT_EQ(app.stops, 1);
    EXPECT_FALSE(frame->QueryState(4242).enabled);  // nobody handles it

    EXPECT_TRUE(frame->HandleKey(Key{kKeyDown}));
    EXPECT_EQ(view->selected, 0);
    EXPECT_FALSE(frame->HandleKey(Key{kKeyUp}));
    EXPECT_EQ(KeyName(Key{'C', true}), "Ctrl+C");
    EXPECT_EQ(KeyName(Key{kKeyInsert, true}), "Ctrl+Ins");

    // Posted command message, then Exit closes the main frame and ends the loop.
    app.Post(frame, kMsgCommand, kCmdStop);
    app.Post(frame, kMsgCommand, kCmdAppExit);
    app.Post(view, kUserMessage);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(app.stops, 2);
    EXPECT_FALSE(frame->IsWindowCreated());
}

TEST(DocView, ScrollViewKeepsTheNewestLineInSightAndPaintsTheVisibleLines) {
    DocApp app;
    app.headless->RecordPaints(true);
    auto* doc = static_cast<LinesDoc*>(app.OpenNewDocument());
    auto* view = static_cast<LinesView*>(app.ActiveView());
    for (int i = 0; i < 100; ++i) doc->Add("line " + std::to_string(i));
    EXPECT_EQ(view->lineHeight, 16);
    EXPECT_EQ(view->TotalSize().cy, 1600);
    EXPECT_EQ(view->ScrollPosition().y, 1000);  // clamped: 1600 - 600
    app.Run();  // paints while idle
    auto lines = RecordedPage{app.headless->LastPaint(*view)}.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "line 62");
    EXPECT_EQ(lines.back(), "line 99");
    EXPECT_EQ(lines.size(), 38u);

    view->ScrollToPosition({0, -50});
    EXPECT_EQ(view->ScrollPosition().y, 0);
    view->ScrollByPages(2);
    EXPECT_EQ(view->ScrollPosition().y, 200);
    view->UpdateWindow();
    view->InvalidateRect({0, 584, 800, 600});
    view->UpdateWindow();
    lines = RecordedPage{app.headless->LastPaint(*view)}.Lines();
    EXPECT_EQ(lines, (std::vector<std::string>{"line 49"}));  // only the bottom strip
    EXPECT_FALSE(view->IsInvalid());
}

TEST(DocView, WindowPlacementRoundTrip) {
    DocApp app;
    app.OpenNewDocument();
    Frame* frame = app.MainFrame();
    WindowPlacement wp;
    ASSERT_TRUE(frame->GetWindowPlacement(wp));
    EXPECT_EQ(wp.showCmd, 1u);
    wp.normal = {10, 20, 810, 620};
    wp.showCmd = 3;
    frame->SetWindowPlacement(wp);
    EXPECT_TRUE(frame->IsMaximized());
    WindowPlacement back;
    ASSERT_TRUE(frame->GetWindowPlacement(back));
    EXPECT_EQ(back.normal, wp.normal);
    frame->Show(ShowState::Minimized);
    EXPECT_TRUE(frame->IsMinimized());
}

TEST(HeadlessDC, MeasuresFixedPitchFontsArithmetically) {
    struct Case {
        Font font;
        int height, ave, max, internal;
    };
    const Case cases[] = {
        {{"Courier New", 16, 0, 500, false, false, Pitch::Fixed}, 16, 11, 11, 2},
        {{"Courier New", 50, 0, 500, false, false, Pitch::Fixed}, 50, 31, 31, 6},
        {{"Courier New", -14, 0, 400, false, false, Pitch::Fixed}, 16, 10, 10, 2},
        {{"Courier", 100, 0, 700, false, false, Pitch::Default}, 100, 61, 61, 12},
        {{"Arial", 20, 0, 400, false, false, Pitch::Variable}, 20, 10, 20, 2},
        {{"System", 0, 0, 400, false, false, Pitch::Variable}, 16, 8, 16, 2},
    };
    for (const Case& c : cases) {
        TextMetrics tm = HeadlessMetrics(c.font);
        EXPECT_EQ(tm.height, c.height) << c.font.face << c.font.height;
        EXPECT_EQ(tm.ascent + tm.descent, tm.height);
        EXPECT_EQ(tm.aveCharWidth, c.ave) << c.font.face << c.font.height;
        EXPECT_EQ(tm.maxCharWidth, c.max) << c.font.face << c.font.height;
        EXPECT_EQ(tm.internalLeading, c.internal) << c.font.face << c.font.height;
        EXPECT_EQ(tm.externalLeading, 0);
    }
    HeadlessDC dc = HeadlessDC::Screen({800, 600});
    dc.SelectFont(cases[0].font);
    EXPECT_EQ(dc.GetTextExtent("Brondel"), (Size{77, 16}));
}

TEST(HeadlessDC, RecordsTextWithAlignmentColoursAndOrigin) {
    HeadlessDC dc = HeadlessDC::Screen({800, 600});
    dc.SelectFont(Font{"Courier", 100, 0, 700});
    dc.SetTextAlign(kAlignCenter | kAlignBottom);
    dc.SetViewportOrigin({0, -200});
    EXPECT_EQ(dc.GetClipBox(), (Rect{0, 200, 800, 800}));
    dc.SetBkMode(BkMode::Transparent);
    dc.TextOut(400, 300, "Brondel");
    dc.SetTextAlign(kAlignLeft | kAlignTop);
    Color hl = dc.GetSysColor(SystemColor::Highlight);
    dc.FillSolidRect({0, 316, 800, 332}, hl);
    EXPECT_EQ(dc.BkColor(), hl);
    const auto& rec = dc.Pages().front().records;
    ASSERT_EQ(rec.size(), 2u);
    EXPECT_EQ(rec[0].x, 400 - 7 * 61 / 2);
    EXPECT_EQ(rec[0].y, 200);
    EXPECT_EQ(rec[0].bkMode, BkMode::Transparent);
    EXPECT_EQ(rec[1].kind, DrawRecord::Kind::Fill);
    EXPECT_EQ(rec[1].fillColor, hl);
}

TEST(HeadlessDC, AContextThatDiscardsKeepsItsStateAndRecordsNothing) {
    HeadlessDC dc = HeadlessDC::Screen({800, 600});
    dc.DiscardRecords();
    dc.TextOut(10, 10, "Brondel");
    const Color hl = dc.GetSysColor(SystemColor::Highlight);
    dc.FillSolidRect({0, 16, 800, 32}, hl);
    EXPECT_EQ(dc.BkColor(), hl);  // the fill still sets the background colour
    EXPECT_TRUE(dc.Pages().front().records.empty());
}

TEST(DocView, APaintNobodyRecordsStillValidatesTheView) {
    DocApp app;
    auto* doc = static_cast<LinesDoc*>(app.OpenNewDocument());
    auto* view = static_cast<LinesView*>(app.ActiveView());
    doc->Add("line");
    view->InvalidateRect({0, 584, 800, 600});
    view->UpdateWindow();
    EXPECT_FALSE(view->IsInvalid());
    EXPECT_TRUE(app.headless->LastPaint(*view).empty());
}

TEST(Printing, PageLoopOverTheHeadlessPrinter) {
    DocApp app;
    auto* doc = static_cast<LinesDoc*>(app.OpenNewDocument());
    auto* view = static_cast<LinesView*>(app.ActiveView());
    for (int i = 0; i < 300; ++i) doc->lines.push_back("row " + std::to_string(i));

    // 6600 / 50 = 132 lines a page: pages 1..3, the print dialog picks 2..3.
    app.headless->AddAnswer(ScriptedAnswer{"Print", {{"From", "2"}, {"To", "3"}}, "OK", 0});
    EXPECT_TRUE(PrintView(*view, false));
    ASSERT_EQ(app.headless->PrintedJobs().size(), 1u);
    const PrintedJob& job = app.headless->PrintedJobs()[0];
    EXPECT_TRUE(job.ok);
    EXPECT_FALSE(job.preview);
    ASSERT_EQ(job.pages.size(), 2u);
    auto page2 = job.pages[0].Lines();
    ASSERT_EQ(page2.size(), 132u);
    EXPECT_EQ(page2.front(), "row 132");
    auto page3 = job.pages[1].Lines();
    EXPECT_EQ(page3.size(), 36u);
    EXPECT_EQ(page3.back(), "row 299");

    // Without an answer the print dialog is cancelled: nothing printed.
    EXPECT_FALSE(PrintView(*view, false));
    EXPECT_EQ(app.headless->PrintedJobs().size(), 1u);

    // Preview: no print dialog; an empty listing still gives one (empty) page.
    doc->lines.clear();
    EXPECT_TRUE(PrintView(*view, true));
    const PrintedJob& preview = app.headless->PrintedJobs().back();
    EXPECT_TRUE(preview.preview);
    ASSERT_EQ(preview.pages.size(), 1u);
    EXPECT_TRUE(preview.pages[0].records.empty());
}

TEST(Printing, PrintSetupTurnsThePage) {
    DocApp app;
    auto* doc = static_cast<LinesDoc*>(app.OpenNewDocument());
    doc->lines.assign(100, "x");
    app.headless->AddAnswer(ScriptedAnswer{"Print Setup", {{"Landscape", "1"}}, "OK", 0});
    EXPECT_TRUE(RunPrintSetup());
    EXPECT_TRUE(app.headless->Printer().landscape);
    EXPECT_TRUE(PrintView(*app.ActiveView(), true));
    // 4800 / 50 = 96 lines a page in landscape.
    EXPECT_EQ(app.headless->PrintedJobs().back().pages.size(), 2u);
}

}  // namespace
}  // namespace platform

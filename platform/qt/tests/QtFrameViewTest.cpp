#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <atomic>
#include <thread>

#include "QtTestSupport.h"
#include "platform/MessageTarget.h"
#include "platform/WaitCursor.h"
#include "platform/qt/QtDC.h"

namespace platform::qt {
namespace {

using test::kCmdDown;
using test::kCmdMark;
using test::kCmdRun;
using test::Program;

std::vector<std::string> Numbered(int n) {
    std::vector<std::string> lines;
    for (int i = 0; i < n; ++i) lines.push_back("line " + std::to_string(i));
    return lines;
}

TEST(QtFrame, MenusToolbarAndPanesFollowTheCommandTable) {
    Program p(Numbered(3));
    QtFrameWindow* window = p.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Listing");

    QAction* run = window->ActionByPath("File/Run");
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run, window->ActionFor(kCmdRun));  // menu and toolbar share one action
    EXPECT_EQ(run->iconText(), "Run");
    QList<QToolBar*> bars = window->findChildren<QToolBar*>();
    ASSERT_EQ(bars.size(), 1);
    EXPECT_TRUE(bars.front()->actions().contains(run));

    // A command's prompt: its first line on the status bar, the second as the button's tip.
    p.frame->Commands().SetPrompt(kCmdRun, "Run the listing\nRun");
    const std::vector<unsigned> toolbar = p.frame->Toolbar();
    p.frame->SetToolbar({});
    p.frame->RefreshChrome();
    p.frame->SetToolbar(toolbar);
    p.frame->RefreshChrome();
    EXPECT_EQ(run->statusTip(), "Run the listing");
    EXPECT_EQ(run->toolTip(), "Run");

    // States come from the update handlers when the frame is refreshed (at idle turn 0).
    p.frame->runEnabled = false;
    p.frame->marked = true;
    p.app.OnIdle(0);
    EXPECT_FALSE(run->isEnabled());
    EXPECT_TRUE(window->ActionFor(kCmdMark)->isChecked());
    p.frame->runEnabled = true;
    p.app.OnIdle(0);
    run->trigger();
    EXPECT_EQ(p.frame->runs, 1);

    // The toolbar and status bar toggles work without a handler of the program's.
    QAction* statusToggle = window->ActionByPath("View/Status Bar");
    ASSERT_NE(statusToggle, nullptr);
    p.app.OnIdle(0);
    EXPECT_TRUE(statusToggle->isEnabled());
    EXPECT_TRUE(statusToggle->isChecked());
    statusToggle->trigger();
    EXPECT_FALSE(window->statusBar()->isVisible());

    // Panes: text and enabled state; the sized pane is at least as wide as its sample.
    p.frame->SetPaneText(1, "Country=EG");
    p.frame->EnablePane(1, true);
    QList<QLabel*> labels = window->statusBar()->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(labels[0]->text(), "Ready");
    EXPECT_EQ(labels[1]->text(), "Country=EG");
    EXPECT_TRUE(labels[1]->isEnabled());
    EXPECT_GE(labels[1]->minimumWidth(), labels[1]->fontMetrics().horizontalAdvance("Country=WW"));
}

TEST(QtFrame, AMenuItemPromptShowsOnTheStatusBarWhileHighlighted) {
    Program p(Numbered(3));
    std::vector<MenuItem> menu = p.frame->Menu();
    menu[1].items[2].prompt = "Mark the listing \xB0";  // View/Mark, a Windows-1252 text
    p.frame->SetMenu(menu);
    p.frame->RefreshChrome();
    QtFrameWindow* window = p.Window();
    QAction* view = window->ActionByPath("View");
    QAction* mark = window->ActionByPath("View/Mark");
    ASSERT_TRUE(view && view->menu() && mark);
    EXPECT_EQ(mark->statusTip(), QString::fromUtf8("Mark the listing \u00B0"));
    view->menu()->popup(window->mapToGlobal(QPoint(10, 10)));
    view->menu()->setActiveAction(mark);
    EXPECT_EQ(window->statusBar()->currentMessage(), mark->statusTip());
    view->menu()->setActiveAction(window->ActionByPath("View/Toolbar"));
    EXPECT_EQ(window->statusBar()->currentMessage(), "") << "an item without a prompt clears the text";
    view->menu()->close();
}

TEST(QtFrame, PlacementIsAppliedAtCreationAndReadBack) {
    test::QtTestApp app;
    test::TestFrame frame;
    WindowPlacement stored;
    stored.normal = {40, 60, 740, 560};
    frame.SetWindowPlacement(stored);  // before the window exists, as the programs do
    ASSERT_TRUE(frame.Create("Placed"));
    WindowPlacement read;
    ASSERT_TRUE(frame.GetWindowPlacement(read));
    EXPECT_EQ(read.normal, stored.normal);
    EXPECT_EQ(read.showCmd, 1u);
    EXPECT_EQ(frame.GetShowState(), ShowState::Normal);
    frame.DestroyWindow();
    EXPECT_FALSE(frame.GetWindowPlacement(read));
}

TEST(QtFrame, ChildFramesLiveInTheMainWindowAndCloseTheirDocument) {
    test::QtTestApp app;
    test::TestFrame main;
    ASSERT_TRUE(main.Create("Manager"));
    app.SetMainFrame(&main);
    app.AddDocTemplate(std::make_unique<DocTemplate>(
        DocTemplate::Kind::Multi, 129, [] { return std::make_unique<Document>(); },
        [] {
            auto f = std::make_unique<Frame>();
            f->SetMenu({Popup("&Record", {Item("&Next", 32790)})});
            return f;
        },
        [] { return std::make_unique<test::LinesView>(); }, "Airports"));
    Document* first = app.OpenNewDocument();
    Document* second = app.OpenNewDocument();
    ASSERT_TRUE(first && second);
    QtFrameWindow* window = app.qt->WindowOf(main);
    QMdiArea* area = window->DocumentArea();
    ASSERT_EQ(area->subWindowList().size(), 2);
    // The active child's menu replaces the main frame's.
    Frame* child = main.ActiveChild();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->ActiveDocument(), second);
    app.OnIdle(0);
    EXPECT_NE(window->ActionByPath("Record/Next"), nullptr);
    EXPECT_EQ(window->ActionByPath("File/Run"), nullptr);

    // Closing a child's window closes its document.
    app.qt->WindowOf(*child)->close();
    EXPECT_EQ(app.DocTemplates().back()->Documents(), std::vector<Document*>{first});
    EXPECT_EQ(main.Children().size(), 1u);
    app.qt->PumpEvents();
    app.DocTemplates().back()->CloseAll();
    app.OnIdle(0);
    EXPECT_NE(window->ActionByPath("File/Run"), nullptr);
    main.DestroyWindow();
}

TEST(QtView, PaintsTheLinesAndTakesMouseAndKeys) {
    Program p(Numbered(200));
    QtViewWidget* widget = p.Widget();
    ASSERT_NE(widget, nullptr);
    widget->RepaintAll();
    const std::vector<DrawnText>& texts = widget->DrawnTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front().text, "line 0");
    EXPECT_EQ(texts.front().rect.top(), 0);
    int shown = widget->viewport()->height() / p.view->lineHeight;
    EXPECT_GE(static_cast<int>(texts.size()), shown);
    EXPECT_LE(static_cast<int>(texts.size()), shown + 2);  // only the lines in the window

    // Scroll bars follow the scroll sizes; moving one scrolls the view.
    QScrollBar* bar = widget->verticalScrollBar();
    EXPECT_EQ(bar->maximum(), 200 * p.view->lineHeight - widget->viewport()->height());
    bar->setValue(10 * p.view->lineHeight);
    EXPECT_EQ(p.view->ScrollPosition().y, 10 * p.view->lineHeight);
    widget->RepaintAll();
    EXPECT_EQ(widget->DrawnTexts().front().text, "line 10");
    // A line step of the scroll bar is the view's line size.
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(p.view->ScrollPosition().y, 11 * p.view->lineHeight);

    // Mouse: client coordinates and the layer's flags.
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 3 * p.view->lineHeight + 2));
    EXPECT_EQ(p.view->downs, 1);
    EXPECT_EQ(p.view->lastPoint, (Point{5, 3 * p.view->lineHeight + 2}));
    EXPECT_EQ(p.view->lastFlags, kMouseLeft | kMouseShift);

    // Keys bound to commands run them; Ctrl+R is the Run command's accelerator.
    QTest::keyClick(widget, Qt::Key_Down);
    QTest::keyClick(widget, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(p.frame->downs, 1);
    EXPECT_EQ(p.frame->runs, 1);
}

TEST(QtView, SelectionBandUsesTheThemeHighlightColours) {
    QtDC dc(nullptr, nullptr, false, QSize(800, 600), 96);
    QPalette palette = QApplication::palette();
    EXPECT_EQ(ToQColor(dc.GetSysColor(SystemColor::Highlight)), palette.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(ToQColor(dc.GetSysColor(SystemColor::HighlightText)),
              palette.color(QPalette::Active, QPalette::HighlightedText));
    EXPECT_EQ(ToQColor(dc.BkColor()), palette.color(QPalette::Active, QPalette::Base));
    // Alignment: centred and bottom-aligned text, as the banner is drawn.
    std::vector<DrawnText> log;
    dc.LogTexts(&log);
    dc.SelectFont(Font{"Courier", 100, 0, kWeightBold});
    dc.SetTextAlign(kAlignCenter | kAlignBottom);
    dc.SetViewportOrigin({0, -50});
    dc.TextOut(400, 300, "Brondel");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NEAR(log[0].rect.center().x(), 400, 2);
    EXPECT_NEAR(log[0].rect.bottom() + 1, 250, 2);
    EXPECT_EQ(dc.GetClipBox(), (Rect{0, 50, 800, 650}));
}

struct Recorder : MessageTarget {
    std::vector<unsigned> got;
    bool OnMessage(unsigned m, WParam w, LParam l) override {
        if (m == kMsgTimer) return MessageTarget::OnMessage(m, w, l);
        got.push_back(m);
        return true;
    }
    void OnTimer(unsigned id) override { got.push_back(1000 + id); }
};

TEST(QtLoop, PostsFromThreadsTimersAndIdleTurnsRunInsideQtEvents) {
    test::QtTestApp app;
    Recorder r;
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        app.Post(&r, kUserMessage + 1);
    });
    r.SetTimer(7, 10);
    int polls = 0;
    app.idle = [&](long) { return false; };
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        ++polls;
        bool posted = std::find(r.got.begin(), r.got.end(), kUserMessage + 1) != r.got.end();
        bool ticked = std::count(r.got.begin(), r.got.end(), 1007u) >= 2;
        if ((posted && ticked) || polls > 2000) app.Quit(0);
    });
    poll.start(5);
    app.Run();
    worker.join();
    EXPECT_NE(std::find(r.got.begin(), r.got.end(), kUserMessage + 1), r.got.end());
    EXPECT_GE(std::count(r.got.begin(), r.got.end(), 1007u), 2);
    // Idle turns ran, and a user action (the timer's and the post's dispatch) restarted them at 0.
    EXPECT_GE(std::count(app.idleCounts.begin(), app.idleCounts.end(), 0L), 2);
}

TEST(QtLoop, TimersAndPostsAreDeliveredWhileAModalWindowIsUp) {
    test::QtTestApp app;
    Recorder r;
    r.SetTimer(3, 5);
    app.Post(&r, kUserMessage + 9);
    std::size_t seenDuringBox = 0;
    QTimer::singleShot(300, [&] {
        seenDuringBox = r.got.size();
        QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
    });
    ShowMessage("Waiting", {Buttons::OkCancel, Icon::None, 0});
    EXPECT_GE(seenDuringBox, 3u);
    EXPECT_EQ(r.got.front(), kUserMessage + 9);
}

TEST(QtLoop, TheWaitCursorGivesWayToModalWindows) {
    test::QtTestApp app;
    BeginWaitCursor();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Qt::CursorShape inBox = Qt::BlankCursor;
    QTimer::singleShot(0, [&] {
        inBox = QApplication::overrideCursor()->shape();
        QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
    });
    ShowMessage("Busy", {Buttons::Ok, Icon::None, 0});
    EXPECT_EQ(inBox, Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EndWaitCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtLoop, InputAndCommandStatesAreHandledDuringLongIdleWork) {
    Program p(Numbered(5));
    int work = 0;
    auto start = std::chrono::steady_clock::now();
    p.app.idle = [&](long count) {
        if (count > 0 && ++work == 3) {
            // A key arrives while the idle work goes on.
            QKeyEvent* key = new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QCoreApplication::postEvent(p.Widget(), key);
        }
        if (p.frame->downs > 0 && work > 3) p.frame->runEnabled = false;
        // The toolbar follows the command states while the idle work goes on.
        if (!p.frame->runEnabled && !p.Window()->ActionFor(kCmdRun)->isEnabled()) p.app.Quit(0);
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(5)) p.app.Quit(1);
        return true;  // more idle work
    };
    EXPECT_EQ(p.app.Run(), 0);
    EXPECT_EQ(p.frame->downs, 1);
    auto zeros = std::count(p.app.idleCounts.begin(), p.app.idleCounts.end(), 0L);
    EXPECT_GE(zeros, 2);
}

}  // namespace
}  // namespace platform::qt

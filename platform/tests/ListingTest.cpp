#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/DocTemplate.h"
#include "platform/Frame.h"
#include "platform/LogDocument.h"
#include "platform/LogView.h"
#include "platform/WindowPlacement.h"

namespace platform {
namespace {

using test::TestApp;

constexpr unsigned kCmdStop = 32778;

// The cap and truncation rule as parameters: the generators' listing and the log.
TEST(ListingDocument, AnAppendPastTheCapDropsTheOldestAndMarksTheFirstLine) {
    struct Case {
        ListingLimits limits;
        size_t after;
        const char* firstKept;  // the line after the marker
    } cases[] = {
        {{2040, 510, "***** Listing truncated *****", 12}, 1531, "line 511"},
        {{LogDocument::kMaxLines, LogDocument::kDropLines, kScrollTruncatedText, 6}, 1751, "line 251"},
        {{3, 1, "cut", 6}, 3, "line 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limits.marker);
        ListingDocument doc(c.limits);
        for (size_t i = 0; i < c.limits.maxLines; ++i) doc.AddLine("line " + std::to_string(i));
        EXPECT_EQ(doc.Lines().size(), c.limits.maxLines);
        EXPECT_EQ(doc.Lines().front(), "line 0");
        doc.AddLine("newest");
        ASSERT_EQ(doc.Lines().size(), c.after);
        EXPECT_EQ(doc.Lines().front(), c.limits.marker);
        EXPECT_EQ(doc.Lines()[1], c.firstKept);
        EXPECT_EQ(doc.Lines().back(), "newest");
        EXPECT_EQ(doc.GetLineCount(), static_cast<int>(c.after));
        EXPECT_EQ(doc.GetLine(static_cast<int>(c.after)), "");
    }
}

TEST(ListingDocument, ReplaceLastLineUsesTheGivenCompareLength) {
    struct Case {
        size_t compare;
        const char* last;
        std::string_view text;
        bool replaced;
    } cases[] = {
        {6, "Packets Transferred: 1", "Packets Transferred: 2", true},
        {6, "Packet 1", "Packed 1", false},
        {12, "Packets Tran 1", "Packets Trans 2", true},
        {12, "Packets Tran", "Packets Trax", false},
        {6, "Short", "Short", true},
        {10, "Short", "Short line", false},      // one text ends inside the compared length
        {10, "Short line", "Short", false},
        {10, "Short", {"Short\0tail", 10}, true},  // a text ends at its first NUL
        {10, "Shore", {"Short\0tail", 10}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        ListingDocument doc({100, 10, "cut", c.compare});
        doc.ReplaceLastLine(c.last);  // empty store: appended
        ASSERT_EQ(doc.Lines().size(), 1u);
        doc.ReplaceLastLine(c.text);
        EXPECT_EQ(doc.Lines().size(), c.replaced ? 1u : 2u);
        EXPECT_EQ(doc.Lines().back(), c.text);
        doc.ReplaceLastLine("anything else entirely", true);
        EXPECT_EQ(doc.Lines().back(), "anything else entirely");
    }
}

// ---- The log variant in a program --------------------------------------------------------

struct ProgramView : LogView {
    ProgramView(Clipboard& clipboard, int& level) : LogView({kCmdStop, 134}, clipboard, level) {}
    std::vector<long> starts;
    void OnStart(WParam wparam) override {
        starts.push_back(static_cast<long>(wparam));
        SetBusy(true);
    }
};

struct LogFrame : Frame {
    bool OnCreate() override { return true; }
};

struct LogApp : TestApp {
    int level = 0;
    LogApp() {
        AddDocTemplate(std::make_unique<DocTemplate>(
            DocTemplate::Kind::Single, 128, [] { return std::make_unique<LogDocument>(); },
            [] { return std::make_unique<LogFrame>(); },
            [this] { return std::make_unique<ProgramView>(GetUi().GetClipboard(), level); }));
    }
    ProgramView& View() { return *static_cast<ProgramView*>(ActiveView()); }
    LogDocument& Doc() { return *static_cast<LogDocument*>(View().GetDocument()); }
};

TEST(LogView, StartMessageAndSetupReachTheProgramAndStopResetLogsTheOperatorText) {
    LogApp app;
    ASSERT_NE(app.OpenNewDocument(), nullptr);
    ProgramView& view = app.View();
    EXPECT_FALSE(app.RouteCommand(kCmdStop));  // nothing running: disabled
    app.Post(&view, kMsgLogStart, 1, 0);
    app.Run();
    EXPECT_EQ(view.starts, std::vector<long>{1});
    EXPECT_FALSE(app.RouteCommand(kCmdLogSetup));  // busy: Setup disabled
    EXPECT_TRUE(app.RouteCommand(kCmdStop));
    EXPECT_FALSE(view.Busy());
    EXPECT_EQ(app.Doc().Lines(), std::vector<std::string>{kLogStopText});
    EXPECT_TRUE(app.RouteCommand(kCmdLogSetup));
    EXPECT_EQ(view.starts, (std::vector<long>{1, 0}));
}

TEST(LogView, DebugLevelDialogTakesTheLevelAndANegativeOneBecomes1) {
    struct Case {
        const char* typed;
        const char* press;
        int level;
    } cases[] = {{"5", "OK", 5}, {"-3", "OK", 1}, {"9", "Cancel", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        LogApp app;
        app.level = 2;
        ASSERT_NE(app.OpenNewDocument(), nullptr);
        app.headless->AddAnswer({"Program Debug Trace Level", {{"Debug Level", c.typed}}, c.press});
        EXPECT_TRUE(app.RouteCommand(kCmdLogDebugLevel));
        EXPECT_EQ(app.level, c.level);
    }
}

TEST(LogView, FontCommandsAndCopyUseTheLogIds) {
    LogApp app;
    ASSERT_NE(app.OpenNewDocument(), nullptr);
    for (int i = 0; i < 3; ++i) app.Doc().AddLine("log " + std::to_string(i));
    app.View().firstSelected = 1;
    app.View().lastSelected = 5;
    EXPECT_TRUE(app.RouteCommand(kCmdEditCopy));
    EXPECT_EQ(app.headless->HeadlessClipboardRef().GetText(), "log 1\r\nlog 2\r\n");
    app.headless->AddAnswer({"Font", {{"Size", "20"}}, "OK"});
    EXPECT_TRUE(app.RouteCommand(kCmdLogScreenFont));
    EXPECT_EQ(app.View().screenFont.height, 20);
    EXPECT_EQ(app.View().printFont.height, 0);
}

TEST(WindowPlacementText, OnlyTenNumbersAreAPlacement) {
    WindowPlacement p;
    p.normal = {5, 5, 6, 6};
    EXPECT_FALSE(ParseWindowPlacement("1,2,3", p));
    EXPECT_FALSE(ParseWindowPlacement("", p));
    EXPECT_FALSE(ParseWindowPlacement("0,1,-1,-1,-1,-1,10,20,x,520", p));
    EXPECT_EQ(p.normal, (Rect{5, 5, 6, 6}));
    ASSERT_TRUE(ParseWindowPlacement("2,3,-1,-1,-8,-8,10,20,710,520", p));
    EXPECT_EQ(p.flags, 2u);
    EXPECT_EQ(p.showCmd, 3u);
    EXPECT_EQ(p.maxPosition, (Point{-8, -8}));
    EXPECT_EQ(FormatWindowPlacement(p), "2,3,-1,-1,-8,-8,10,20,710,520");
}

}  // namespace
}  // namespace platform

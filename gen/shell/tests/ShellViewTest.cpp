#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "gen/testsupport/ShellTestSupport.h"
#include "gen/shell/CGenFrame.h"
#include "platform/WindowPlacement.h"
#include "platform/Printing.h"

namespace shelltest {
namespace {

using platform::Point;

class ShellView : public ShellTest {
protected:
    void FillLines(int count) {
        size_t base = Doc().Lines().size();
        for (int i = 0; i < count; ++i) Doc().AddLine("line " + std::to_string(base + i));
    }
    // A point inside listing line i, in device units of the window.
    Point PointOfLine(int i) {
        CGenView& v = View();
        return {5, v.bannerHeight + i * v.lineHeight - v.ScrollPosition().y + 2};
    }
    std::pair<int, int> Selection() { return {View().firstSelected, View().lastSelected}; }
};

TEST_F(ShellView, ScrollSizesKeepTheNewestLineAtTheBottomAndAreCapped) {
    MakeApp();
    CGenView& v = View();
    struct Case {
        int lines;
        int total;
    } cases[] = {{0, 616}, {5, 616 + 5 * 16}, {2000, 616 + 2000 * 16}, {2010, 32767}};
    int added = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        FillLines(c.lines - added);
        added = c.lines;
        EXPECT_EQ(v.lineHeight, 16);
        EXPECT_EQ(v.bannerHeight, 16 + 600);
        EXPECT_EQ(v.TotalSize(), (platform::Size{1000, c.total}));
        EXPECT_EQ(v.PageSize(), (platform::Size{200, 616}));
        EXPECT_EQ(v.LineSize(), (platform::Size{v.charWidth, 16}));
        EXPECT_EQ(v.ScrollPosition().y, std::min(16 * (c.lines + 1), c.total - 600));
    }
}

TEST_F(ShellView, BannerAboveAShortListingAndSelectedLinesHighlighted) {
    MakeApp();
    FillLines(3);
    Ui().RecordPaints(true);
    View().firstSelected = View().lastSelected = 1;
    View().Invalidate();
    Ui().PaintInvalid();
    const auto& records = Ui().LastPaint(View());
    auto find = [&records](const std::string& text) {
        return std::find_if(records.begin(), records.end(),
                            [&text](const platform::DrawRecord& r) { return r.text == text; });
    };
    auto banner = find("Brondel");
    ASSERT_NE(banner, records.end());
    EXPECT_EQ(banner->font.face, "Courier");
    EXPECT_EQ(banner->font.weight, platform::kWeightBold);
    auto line1 = find("line 1");
    ASSERT_NE(line1, records.end());
    EXPECT_EQ(line1->y, View().bannerHeight + 16);
    EXPECT_GT(line1->y, banner->y);
    bool filled = std::any_of(records.begin(), records.end(), [&](const platform::DrawRecord& r) {
        return r.kind == platform::DrawRecord::Kind::Fill && r.rect.top == line1->y;
    });
    EXPECT_TRUE(filled);
    EXPECT_NE(line1->textColor, find("line 0")->textColor);
}

TEST_F(ShellView, MouseSelection) {
    MakeApp();
    FillLines(6);
    CGenView& v = View();
    v.OnLButtonDown(platform::kMouseLeft, PointOfLine(2));
    EXPECT_EQ(Selection(), std::make_pair(2, 2));
    v.OnLButtonDown(platform::kMouseLeft, PointOfLine(2));  // the only selected line: cleared
    EXPECT_EQ(Selection(), std::make_pair(-1, -1));
    v.OnLButtonDown(platform::kMouseLeft, PointOfLine(1));
    v.OnLButtonDown(platform::kMouseLeft | platform::kMouseShift, PointOfLine(4));
    EXPECT_EQ(Selection(), std::make_pair(1, 4));
    v.OnLButtonDown(platform::kMouseLeft | platform::kMouseShift, PointOfLine(0));
    EXPECT_EQ(Selection(), std::make_pair(0, 1));
    // Shift+click below the last line extends to the last line.
    v.OnLButtonDown(platform::kMouseLeft | platform::kMouseShift, PointOfLine(20));
    EXPECT_EQ(Selection(), std::make_pair(0, 5));
    // A plain click below the last line clears.
    v.OnLButtonDown(platform::kMouseLeft, PointOfLine(20));
    EXPECT_EQ(Selection(), std::make_pair(-1, -1));
    // Shift+click with nothing selected selects that line.
    v.OnLButtonDown(platform::kMouseLeft | platform::kMouseShift, PointOfLine(3));
    EXPECT_EQ(Selection(), std::make_pair(3, 3));
}

TEST_F(ShellView, CtrlDragGrowsAndNeverShrinks) {
    MakeApp();
    FillLines(6);
    CGenView& v = View();
    unsigned drag = platform::kMouseLeft | platform::kMouseCtrl;
    v.OnLButtonDown(platform::kMouseLeft, PointOfLine(1));
    v.OnMouseMove(drag, PointOfLine(3));
    EXPECT_EQ(Selection(), std::make_pair(1, 3));
    v.OnMouseMove(drag, PointOfLine(2));
    EXPECT_EQ(Selection(), std::make_pair(1, 3));
    v.OnMouseMove(drag, PointOfLine(0));
    EXPECT_EQ(Selection(), std::make_pair(0, 3));
    v.OnMouseMove(platform::kMouseLeft, PointOfLine(5));  // no Ctrl: nothing
    EXPECT_EQ(Selection(), std::make_pair(0, 3));
}

TEST_F(ShellView, ArrowKeysMoveTheBand) {
    MakeApp();
    FillLines(3);
    platform::Frame& frame = *App().MainFrame();
    platform::Key down{platform::kKeyDown}, up{platform::kKeyUp};
    EXPECT_TRUE(frame.HandleKey(down));  // nothing selected: the first line
    EXPECT_EQ(Selection(), std::make_pair(0, 0));
    frame.HandleKey(down);
    frame.HandleKey(down);
    EXPECT_EQ(Selection(), std::make_pair(2, 2));
    frame.HandleKey(down);  // the last line: stays
    EXPECT_EQ(Selection(), std::make_pair(2, 2));
    frame.HandleKey(up);
    EXPECT_EQ(Selection(), std::make_pair(1, 1));
    EXPECT_EQ(View().anchorLine, 1);
    frame.HandleKey(up);
    frame.HandleKey(up);  // off the top: nothing selected
    EXPECT_EQ(Selection(), std::make_pair(-1, -1));
}

TEST_F(ShellView, CopyPutsTheSelectedLinesWithCrLf) {
    MakeApp();
    FillLines(4);
    auto& clipboard = Ui().HeadlessClipboardRef();
    ASSERT_TRUE(clipboard.Open() && clipboard.Empty() && clipboard.SetText("before"));
    clipboard.Close();
    App().RouteCommand(platform::kCmdEditCopy);  // nothing selected: nothing
    EXPECT_EQ(clipboard.GetText(), "before");
    View().firstSelected = 1;
    View().lastSelected = 2;
    platform::Key ctrlC{'C', true};
    App().MainFrame()->HandleKey(ctrlC);
    EXPECT_EQ(clipboard.GetText(), "line 1\r\nline 2\r\n");
    View().firstSelected = 2;
    View().lastSelected = 9;  // beyond the end: stops at the last line
    App().MainFrame()->HandleKey(platform::Key{platform::kKeyInsert, true});
    EXPECT_EQ(clipboard.GetText(), "line 2\r\nline 3\r\n");
    EXPECT_FALSE(clipboard.IsOpen());
}

TEST_F(ShellView, ClipboardFailuresAreReportedAndLeaveItClosed) {
    MakeApp();
    FillLines(2);
    View().firstSelected = View().lastSelected = 0;
    auto& clipboard = Ui().HeadlessClipboardRef();
    clipboard.FailOpen(true);
    View().OnEditCopy();
    clipboard.FailOpen(false);
    clipboard.FailEmpty(true);
    View().OnEditCopy();
    clipboard.FailEmpty(false);
    clipboard.FailSet(true);
    View().OnEditCopy();
    auto messages = Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], "Cannot open the Clipboard");
    EXPECT_EQ(messages[1].rfind("Cannot empty the Clipboard - Error ", 0), 0u);
    EXPECT_EQ(messages[2].rfind("Unable to set Clipboard data - Error ", 0), 0u);
    EXPECT_FALSE(clipboard.IsOpen());
}

TEST_F(ShellView, PrintingPagesTheListingWithoutBanner) {
    MakeApp();
    // Print font height 50 on the 6600-unit page: 132 lines a page.
    struct Case {
        int lines;
        size_t pages;
    } cases[] = {{0, 1}, {132, 1}, {133, 2}, {300, 3}};
    int added = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        FillLines(c.lines - added);
        added = c.lines;
        ASSERT_TRUE(platform::PrintView(View(), true));
        const auto& job = Ui().PrintedJobs().back();
        ASSERT_EQ(job.pages.size(), c.pages);
        EXPECT_EQ(View().linesPerPage, 132);
        EXPECT_FALSE(View().printing);
        if (c.lines > 132) {
            auto lines = job.pages[1].Lines();
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.front(), "line 132");
        }
        for (const auto& page : job.pages) {
            for (const auto& r : page.records) EXPECT_NE(r.text, "Brondel");
        }
    }
    // The screen measures come back after printing.
    View().UpdateScrollSizes();
    EXPECT_EQ(View().lineHeight, 16);
}

TEST_F(ShellView, FontDialogsReplaceTheFonts) {
    MakeApp();
    AddAnswer("Font", {{"Size", "20"}}, "OK");
    App().RouteCommand(kCmdScreenFont);
    EXPECT_EQ(View().screenFont.height, 20);
    EXPECT_EQ(View().lineHeight, 20);
    App().RouteCommand(kCmdPrintFont);  // no answer: cancelled, unchanged
    EXPECT_EQ(View().printFont.height, 50);
}

TEST_F(ShellView, FilterPanesShowTheFilters) {
    MakeApp();
    App().Settings().countryFilter = "K";
    App().Settings().icaoFilter = "EG";
    App().OnIdle(0);
    auto& panes = App().MainFrame()->StatusPanes();
    ASSERT_EQ(panes.size(), 7u);
    EXPECT_EQ(panes[1].sample, "Country=WW");
    EXPECT_EQ(panes[1].text, "Country=K");
    EXPECT_TRUE(panes[1].enabled);
    EXPECT_FALSE(panes[2].enabled);
    EXPECT_EQ(panes[3].text, "ICAO=EG");
}

// ---- Window placement ----------------------------------------------------------------------

class ShellPlacement : public ShellTest {
protected:
    std::string StoredValue() {
        return App().Profile().ReadString(platform::kPlacementSection, platform::kPlacementValue, "<none>");
    }
};

TEST_F(ShellPlacement, RoundTripThroughTheSettingsFile) {
    MakeApp();
    platform::Frame& frame = *App().MainFrame();
    platform::WindowPlacement placement;
    placement.normal = {10, 20, 710, 520};
    placement.showCmd = 1;
    frame.SetWindowPlacement(placement);
    frame.OnClose();
    EXPECT_EQ(StoredValue(), "0,1,-1,-1,-1,-1,10,20,710,520");
    std::string file = App().Profile().FilePath();
    EXPECT_NE(file.find(Dir() + "/config/Local AppWizard-Generated Applications/"), std::string::npos);
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("[Settings]"), std::string::npos);

    app_.reset();
    MakeApp();
    platform::WindowPlacement read;
    ASSERT_TRUE(App().MainFrame()->GetWindowPlacement(read));
    EXPECT_EQ(read.normal, (platform::Rect{10, 20, 710, 520}));
}

TEST_F(ShellPlacement, MaximisedOrMinimisedCloseKeepsTheStoredValue) {
    MakeApp();
    platform::Frame& frame = *App().MainFrame();
    platform::WindowPlacement placement;
    placement.normal = {1, 2, 300, 400};
    frame.SetWindowPlacement(placement);
    frame.OnClose();
    std::string stored = StoredValue();
    for (platform::ShowState state : {platform::ShowState::Maximized, platform::ShowState::Minimized}) {
        app_.reset();
        MakeApp();
        App().MainFrame()->Show(state);
        App().MainFrame()->OnClose();
        EXPECT_EQ(StoredValue(), stored);
    }
}

}  // namespace
}  // namespace shelltest

// A list window in the headless backend: loading in idle steps with the title's '*', the
// 2000-line limit, the empty list, and route loading by route number.
#include <gtest/gtest.h>


#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "dblib/DbDir.h"
#include "dblib/KestraneDatabase.h"
#include "manager/KestraneApp.h"
#include "manager/ManagerSettings.h"
#include "manager/RecordViews.h"
#include "manager/tests/ManagerTestFolder.h"
#include "platform/HeadlessDC.h"
#include "platform/HeadlessUi.h"

namespace {

class RecordView : public ManagerTestFolder {
protected:
    void SetUp() override {
        ManagerTestFolder::SetUp();
        auto ui = std::make_unique<platform::HeadlessUi>();
        ui->SetStreams(nullptr, nullptr);
        app.SetUi(std::move(ui));
        app.SetMainFrame(&main);
        ASSERT_TRUE(main.Create("Kestrane"));
    }
    void TearDown() override {
        for (auto& t : app.DocTemplates()) t->CloseAll();
        Manager().identFilter.clear();
        Manager().countryFilter = -1;
        Manager().recordNumbers = false;
        ManagerTestFolder::TearDown();
    }

    void AddIntersections(int count) {
        dfINTS& i = *KestraneDb().ints;
        ASSERT_EQ(i.Open(), 0);
        for (int n = 0; n < count; ++n) {
            i.isno = n + 1;
            std::snprintf(i.iident, sizeof i.iident, "I%05d", n % 100000);
            ASSERT_EQ(i.Insert(), 0);
        }
        i.Close();
    }

    template <class View>
    View& Open(const char* title) {
        app.AddDocTemplate(std::make_unique<platform::DocTemplate>(
            platform::DocTemplate::Kind::Multi, 131, [] { return std::make_unique<platform::Document>(); },
            [] { return std::make_unique<CChildFrame>(); }, [] { return std::make_unique<View>(); }, title));
        platform::Document* doc = app.DocTemplates().back()->OpenNewDocument();
        return *static_cast<View*>(doc->FirstView());
    }

    void Paint(platform::View& view) {
        auto dc = platform::HeadlessDC::Screen({800, 600});
        view.Invalidate();
        view.Paint(dc);
        texts.clear();
        for (const auto& r : dc.Pages().front().records) {
            if (r.kind == platform::DrawRecord::Kind::Text) texts.push_back(r.text);
        }
    }

    platform::App app;
    CMainFrame main;
    std::vector<std::string> texts;
};

TEST_F(RecordView, LoadsInIdleStepsUpToTheLimit) {
    AddIntersections(2100);
    auto& view = Open<CKestraneIView>("Intersections Database");
    Paint(view);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front().substr(0, 6), "I00000");  // record numbers hidden: ident first
    EXPECT_FALSE(view.IsComplete());
    EXPECT_EQ(view.GetDocument()->Title(), "Intersections Database*");
    EXPECT_EQ(IdleViewSlot(1), &view) << "a list still loading waits in its idle slot";
    int steps = 0;
    while (!view.IsComplete() && steps < 1000) {
        view.IdleStep();
        ++steps;
    }
    EXPECT_GT(steps, 400) << "four records a step";
    EXPECT_EQ(view.LineCount(), 2000);
    EXPECT_EQ(view.EndWord(), -1);
    EXPECT_EQ(view.GetDocument()->Title(), "Intersections Database");
    EXPECT_EQ(IdleViewSlot(1), nullptr);
    view.ScrollToPosition({0, view.TotalSize().cy});
    Paint(view);
    EXPECT_EQ(texts.back(), "  Maximum listable lines");  // columns 5 on: record numbers hidden
    EXPECT_EQ(texts[texts.size() - 2].substr(0, 6), "I01999");
}

// The last screen of a list is read from the record the loading stopped on (the last line's at
// the limit, the one past the last line where the ident filter ended the list), back by the
// ident index: with a filter that leaves records out between the lines too.
TEST_F(RecordView, LastScreenShowsTheListedRecords) {
    dfINTS& ints = *KestraneDb().ints;
    ASSERT_EQ(ints.Open(), 0);
    for (int n = 0; n < 3100; ++n) {
        ints.isno = n + 1;
        std::snprintf(ints.iident, sizeof ints.iident, "I%05d", n);
        ints.icountry = n % 3 == 1 ? 2 : 1;  // one in three left out by the country filter
        ASSERT_EQ(ints.Insert(), 0);
    }
    ints.Close();
    const struct {
        int country;
        const char* ident;
    } cases[] = {{-1, ""}, {1, ""}, {-1, "I01"}, {1, "I01"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.country) + " " + c.ident);
        Manager().countryFilter = c.country;
        Manager().identFilter = c.ident;
        std::vector<std::string> listed;
        for (int n = 0; n < 3100 && listed.size() < 2000; ++n) {
            char ident[8];
            std::snprintf(ident, sizeof ident, "I%05d", n % 100000);
            if ((c.country < 0 || n % 3 != 1) && std::strncmp(ident, c.ident, std::strlen(c.ident)) == 0)
                listed.push_back(ident);
        }
        auto& view = Open<CKestraneIView>("Intersections Database");
        Paint(view);
        while (!view.IsComplete()) view.IdleStep();
        ASSERT_EQ(view.LineCount(), static_cast<int>(listed.size()));
        view.ScrollToPosition({0, view.TotalSize().cy});
        Paint(view);
        ASSERT_GT(texts.size(), 10u);
        size_t shown = texts.size();
        if (listed.size() == 2000) {
            EXPECT_EQ(texts[--shown], "  Maximum listable lines");
        }
        for (size_t back = 1; back <= shown; ++back)
            EXPECT_EQ(texts[shown - back].substr(0, 6), listed[listed.size() - back]) << back;
        for (auto& t : app.DocTemplates()) t->CloseAll();
    }
}

TEST_F(RecordView, IdleStepsHoldTheFileUntilTheRunEnds) {
    AddIntersections(2100);
    auto& view = Open<CKestraneIView>("Intersections Database");
    Paint(view);
    const dfINTS& ints = *KestraneDb().ints;
    EXPECT_FALSE(ints.IsOpen()) << "a drawing closes what it opened";
    view.IdleStep();
    EXPECT_TRUE(ints.IsOpen()) << "kept for the next idle step";
    CKestraneScrollView::ReleaseIdleFiles();
    EXPECT_FALSE(ints.IsOpen());
    // Runs cut by releases, drawings and a lookup that moves the file elsewhere: the list
    // goes on where it stopped.
    for (int step = 0; !view.IsComplete() && step < 1000; ++step) {
        if (step % 97 == 0) CKestraneScrollView::ReleaseIdleFiles();
        if (step % 89 == 0) Paint(view);
        if (step % 83 == 5) {
            dfINTS& i = *KestraneDb().ints;
            ASSERT_TRUE(i.IsOpen());
            i.SelectIndex("isno");
            i.isno = 5;
            ASSERT_EQ(i.Find(), 0);
        }
        view.IdleStep();
    }
    ASSERT_TRUE(view.IsComplete());
    ASSERT_EQ(view.LineCount(), 2000);
    ASSERT_EQ(view.Lines().size(), 2000u);
    for (int n = 0; n < 2000; ++n) ASSERT_EQ(view.Lines()[static_cast<size_t>(n)], n + 1) << "line " << n;
    CKestraneScrollView::ReleaseIdleFiles();
    EXPECT_FALSE(ints.IsOpen());
}

TEST_F(RecordView, ClosingALoadingWindowClosesEveryFileItHeld) {
    KestraneDatabase& db = KestraneDb();
    ASSERT_EQ(db.apts->Open(), 0);
    for (int n = 0; n < 300; ++n) {
        db.apts->asno = n + 1;
        std::snprintf(db.apts->aident, sizeof db.apts->aident, "A%05d", n);
        ASSERT_EQ(db.apts->Insert(), 0);
    }
    db.apts->Close();
    auto& view = Open<CKestraneAView>("Airports Database");
    Paint(view);
    view.IdleStep();
    ASSERT_FALSE(view.IsComplete());
    const IsamMgr* files[] = {db.apts.get(), db.rwy3.get(), db.freq3.get(), db.restr.get()};
    for (const IsamMgr* f : files) EXPECT_TRUE(f->IsOpen());
    for (auto& t : app.DocTemplates()) t->CloseAll();
    for (const IsamMgr* f : files) EXPECT_FALSE(f->IsOpen());
}

// The rows of an airport show a frequency's restriction chain whether or not the drawing held
// the restriction file when it began; the drawing closes every file it used.
TEST_F(RecordView, AirportRowsShowTheirRestrictions) {
    KestraneDatabase& db = KestraneDb();
    ASSERT_EQ(db.apts->Open(), 0);
    ASSERT_EQ(db.freq3->Open(), 0);
    for (int n = 0; n < 3; ++n) {
        db.apts->asno = n + 1;
        std::snprintf(db.apts->aident, sizeof db.apts->aident, "A%05d", n);
        ASSERT_EQ(db.apts->Insert(), 0);
        db.freq3->fsno = n + 1;
        db.freq3->faptno = n + 1;
        db.freq3->freq = 11800 + n;
        db.freq3->f431 = -1;
        db.freq3->frsno = n == 1 ? 50 : 0;
        ASSERT_EQ(db.freq3->Insert(), 0);
    }
    db.apts->Close();
    db.freq3->Close();
    ASSERT_EQ(db.restr->Open(), 0);
    db.restr->rcsno = 50;
    db.restr->rcnxt = 0;
    const uint8_t chain[8] = {5, 4 | 2, 0xDC, 0x19, 0x40, 0x1F};
    std::memcpy(db.restr->rcres, chain, sizeof chain);
    ASSERT_EQ(db.restr->Insert(), 0);
    db.restr->Close();

    auto& view = Open<CKestraneAView>("Airports Database");
    for (int pass = 0; pass < 2; ++pass) {
        Paint(view);
        const auto shown = std::count_if(texts.begin(), texts.end(), [](const std::string& t) {
            return t.find("below 1620 above 3000") != std::string::npos;
        });
        EXPECT_EQ(shown, 1) << pass;
        for (const IsamMgr* f : {static_cast<const IsamMgr*>(db.apts.get()), static_cast<const IsamMgr*>(db.rwy3.get()),
                                 static_cast<const IsamMgr*>(db.freq3.get()), static_cast<const IsamMgr*>(db.restr.get())})
            EXPECT_FALSE(f->IsOpen()) << pass;
        ASSERT_EQ(db.restr->Open(), 0) << "the second drawing begins with the file open";
    }
    db.restr->Close();
}

TEST_F(RecordView, IdentFilterAndEmptyList) {
    AddIntersections(300);
    Manager().identFilter = "I001";
    auto& view = Open<CKestraneIView>("Intersections Database");
    Paint(view);
    while (!view.IsComplete()) view.IdleStep();
    EXPECT_EQ(view.LineCount(), 100);  // I00100 .. I00199
    EXPECT_EQ(view.EndWord(), 0);
    Manager().identFilter = "Z";
    UpdateAllRecordViews(0);
    Paint(view);
    EXPECT_TRUE(view.IsComplete());
    EXPECT_EQ(texts, std::vector<std::string>{"No Matching Items"});
    EXPECT_EQ(view.GetDocument()->Title(), "Intersections Database");
}

// The ident filter is a prefix of up to 8 characters: shorter idents, a whole ident and a longer
// filter.
TEST_F(RecordView, IdentFilterPrefixes) {
    dfINTS& ints = *KestraneDb().ints;
    ASSERT_EQ(ints.Open(), 0);
    const char* idents[] = {"AA", "AB", "ABC", "ABCDEFGH", "ABD", "B"};
    for (int n = 0; n < 6; ++n) {
        ints.isno = n + 1;
        std::memset(ints.iident, 0, sizeof ints.iident);
        std::memcpy(ints.iident, idents[n], std::strlen(idents[n]));
        ASSERT_EQ(ints.Insert(), 0);
    }
    ints.Close();
    const struct {
        const char* filter;
        int lines;
    } cases[] = {{"A", 5}, {"AB", 4}, {"ABC", 2}, {"ABCDEFGH", 1}, {"ABCDEFGHZ", 1}, {"ABCD", 1}, {"AC", 0}, {"B", 1}};
    for (const auto& c : cases) {
        Manager().identFilter = c.filter;
        auto& view = Open<CKestraneIView>("Intersections Database");
        Paint(view);
        while (!view.IsComplete()) view.IdleStep();
        EXPECT_EQ(view.LineCount(), c.lines) << c.filter;
        for (auto& t : app.DocTemplates()) t->CloseAll();
    }
}

// Drawn lines read their records in list order whatever lies between them in the ident index:
// idents in the reverse order of the record numbers, two records to each ident, and country
// filters that leave out two of three or 29 of 30 records.
TEST_F(RecordView, DrawnLinesShowTheirOwnRecords) {
    constexpr int kRecords = 600;
    auto country = [](int n) { return n % 3 == 0 ? 30 + n % 10 : n % 3; };
    dfINTS& ints = *KestraneDb().ints;
    ASSERT_EQ(ints.Open(), 0);
    for (int n = 0; n < kRecords; ++n) {
        ints.isno = n + 1;
        std::snprintf(ints.iident, sizeof ints.iident, "J%05d", (kRecords - 1 - n) / 2);
        ints.icountry = country(n);
        ASSERT_EQ(ints.Insert(), 0);
    }
    ints.Close();
    Manager().recordNumbers = true;
    for (const int32_t filter : {-1, 1, 33}) {
        Manager().countryFilter = filter;
        // Ident order; the two records of an ident in the order they were added.
        std::vector<std::string> expected;
        for (int ident = 0; ident < kRecords / 2; ++ident) {
            for (int n : {kRecords - 2 - 2 * ident, kRecords - 1 - 2 * ident}) {
                if (filter >= 0 && country(n) != filter) continue;
                char text[16];
                std::snprintf(text, sizeof text, "%4x J%05d", n + 1, ident);
                expected.push_back(text);
            }
        }
        auto& view = Open<CKestraneIView>("Intersections Database");
        Paint(view);
        while (!view.IsComplete()) view.IdleStep();
        ASSERT_EQ(view.LineCount(), static_cast<int>(expected.size())) << filter;
        for (const int y : {0, view.TotalSize().cy / 3, view.TotalSize().cy / 2, view.TotalSize().cy}) {
            view.ScrollToPosition({0, y});
            Paint(view);
            ASSERT_FALSE(texts.empty());
            // The first drawn line's place in the list, then line by line.
            size_t at = 0;
            while (at < expected.size() && expected[at] != texts.front().substr(0, 11)) ++at;
            ASSERT_LT(at, expected.size()) << filter << " scrolled to " << y;
            for (size_t k = 0; k < texts.size() && at + k < expected.size(); ++k)
                EXPECT_EQ(texts[k].substr(0, 11), expected[at + k]) << filter << " scrolled to " << y << " line " << k;
        }
        for (auto& t : app.DocTemplates()) t->CloseAll();
    }
}

TEST_F(RecordView, RoutesByNumberWithTheirTitleFirst) {
    dfRTE& r = *KestraneDb().rte;
    ASSERT_EQ(r.Open(), 0);
    int rtsno = 1;
    for (int route : {7, 2}) {
        for (int order : {2, 0, 1}) {
            r.Clear();
            r.rtsno = rtsno++;
            r.rtno = route;
            r.rtorder = order;
            r.rttype = 1;
            std::snprintf(r.rtname1, sizeof r.rtname1, "R%d", route);
            std::snprintf(r.rtident, sizeof r.rtident, "P%d", order);
            ASSERT_EQ(r.Insert(), 0);
        }
    }
    r.Close();
    auto& view = Open<CKestraneRView>("Routes Database");
    Paint(view);
    while (!view.IsComplete()) view.IdleStep();
    Paint(view);
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[0], "Route #2 R2");
    EXPECT_EQ(texts[1].substr(1, 2), "01");
    EXPECT_EQ(texts[2].substr(1, 2), "02");
    EXPECT_EQ(texts[3], "Route #7 R7");
}

TEST_F(RecordView, HighestRecordFoundAtTheFirstDrawingOrTheFirstQuestion) {
    AddIntersections(7);
    for (const bool drawnFirst : {true, false}) {
        auto& view = Open<CKestraneIView>("Intersections Database");
        if (drawnFirst) {
            Paint(view);
            ASSERT_EQ(texts.size(), 7u) << "the search inside the drawing leaves the list alone";
            EXPECT_EQ(texts.front().substr(0, 6), "I00000");
        }
        EXPECT_EQ(view.HighestRecord(), 7) << drawnFirst;
        EXPECT_FALSE(KestraneDb().ints->IsOpen()) << drawnFirst;
        EXPECT_EQ(view.TakeNewRecordNumber(), 8) << drawnFirst;
        for (auto& t : app.DocTemplates()) t->CloseAll();
    }
}

TEST_F(RecordView, ClearIsEnabledWhileTheFileHoldsARecord) {
    auto& view = Open<CKestraneUView>("User Waypoints Database");
    platform::CommandState state;
    state.id = CKestraneUView::kCmdClearUsr;
    ASSERT_TRUE(view.QueryCommand(state));
    EXPECT_FALSE(state.enabled) << "empty file";
    view.TakeNewRecordNumber();
    state.enabled = true;
    ASSERT_TRUE(view.QueryCommand(state));
    EXPECT_TRUE(state.enabled) << "a record number taken";
    view.SetHighestRecord(0);
    ASSERT_TRUE(view.QueryCommand(state));
    EXPECT_FALSE(state.enabled) << "cleared";
}

// The menu's status texts, found by command id in the frame's menu table.
const platform::MenuItem* FindItem(const std::vector<platform::MenuItem>& items, unsigned id) {
    for (const platform::MenuItem& item : items) {
        if (item.id == id) return &item;
        if (const platform::MenuItem* inner = FindItem(item.items, id)) return inner;
    }
    return nullptr;
}

TEST_F(RecordView, MenuItemsCarryTheirStatusTexts) {
    const struct {
        unsigned id;
        const char* prompt;
    } cases[] = {
        {CKestraneRView::kCmdConvertRte, "Convert USR wpts to avdb where possible"},
        {CKestraneRView::kCmdImportRte, ""},
        {CKestraneApp::kCmdFilters, ""},
    };
    for (const auto& c : cases) {
        const platform::MenuItem* item = FindItem(main.Menu(), c.id);
        ASSERT_NE(item, nullptr) << c.id;
        EXPECT_EQ(item->prompt, c.prompt) << c.id;
    }
}

}  // namespace

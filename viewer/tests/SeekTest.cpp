// The seek of a record document: by record number, by a line's value, Previous and Next with
// and without a selected line, and the search value's text.
#include <gtest/gtest.h>

#include "dblib/dfAPTS.h"
#include "viewer/CAmbreloSnoDlg.h"
#include "viewer/RecordDocs.h"
#include "viewer/tests/ViewerTestSupport.h"

namespace {

constexpr int kHeightLine = 7;

class Seek : public viewertest::ViewerFolder {
protected:
    void SetUp() override {
        ViewerFolder::SetUp();
        // Record numbers with gaps; heights out of record-number order.
        const int heights[][2] = {{1, 20}, {3, 1500}, {5, -10}, {8, 1000}, {10, 1500}, {12, 40}};
        for (auto [sno, height] : heights)
            Add<dfAPTS>(0, [&](dfAPTS& r) {
                r.asno = sno;
                r.aheight = height;
            });
        doc = MakeAmbreloDoc(0, *Db().File(0));
        ASSERT_TRUE(doc->OnNewDocument());
    }
    std::unique_ptr<CAmbreloDoc> doc;
};

TEST_F(Seek, SearchesByRecordNumberAndByLineValue) {
    EXPECT_EQ(doc->SavedRecordNumber(), 1) << "the start shows the first record";
    struct Case {
        int value;
        int line;
        int shown;
    } cases[] = {
        {3, 0, 3},              // present
        {7, 0, 8},              // absent: the next higher number
        {0, -1, 1},             // below the lowest
        {13, 0, -1},            // above the highest
        {1000, kHeightLine, 3},   // the first in number order with a height of at least 1000
        {1500, kHeightLine, 3},
        {1501, kHeightLine, 12},  // none reaches it: the last record
        {-5, kHeightLine, 5},     // negative: the first at or below it
        {-11, kHeightLine, 12},
        {0, kHeightLine, 1},
        {8, 4, 12},             // afacil: all 0, none reaches 8
    };
    for (const Case& c : cases) {
        EXPECT_EQ(doc->SeekRecord(kSeekSearch, c.value, c.line), c.shown) << c.value << " line " << c.line;
        std::string text;
        doc->FormatLine(0, text);
        EXPECT_EQ(text, "asno     " + std::to_string(c.shown));
    }
}

TEST_F(Seek, PreviousAndNextStepOrJumpToEqualValuesAndStopAtTheEnds) {
    // Without a line: one record each way, staying on the first and the last.
    const int nextSteps[] = {3, 5, 8, 10, 12, 12};
    for (int shown : nextSteps) EXPECT_EQ(doc->SeekRecord(kSeekNext, 0, 0), shown);
    const int prevSteps[] = {10, 8, 5, 3, 1, 1};
    for (int shown : prevSteps) EXPECT_EQ(doc->SeekRecord(kSeekPrevious, 0, 0), shown);

    // With the height line and 1500: the matching records, then the file's last or first.
    ASSERT_EQ(doc->SeekRecord(kSeekSearch, 1500, kHeightLine), 3);
    EXPECT_EQ(doc->SeekRecord(kSeekNext, 1500, kHeightLine), 10);
    EXPECT_EQ(doc->SeekRecord(kSeekNext, 1500, kHeightLine), 12) << "past the last match: the last record";
    EXPECT_EQ(doc->SeekRecord(kSeekPrevious, 1500, kHeightLine), 10);
    EXPECT_EQ(doc->SeekRecord(kSeekPrevious, 1500, kHeightLine), 3);
    EXPECT_EQ(doc->SeekRecord(kSeekPrevious, 1500, kHeightLine), 1) << "before the first match: the first record";

    // After a search that found nothing, Next and Previous go on from where it stopped.
    ASSERT_EQ(doc->SeekRecord(kSeekSearch, 99, 0), -1);
    EXPECT_EQ(doc->SeekRecord(kSeekNext, 0, 0), 12);
    ASSERT_EQ(doc->SeekRecord(kSeekSearch, 99, 0), -1);
    EXPECT_EQ(doc->SeekRecord(kSeekPrevious, 0, 0), 12);
    EXPECT_FALSE(Db().File(0)->IsOpen()) << "each seek closes its record file";
}

TEST_F(Seek, EmptyFileShowsMinusOne) {
    auto empty = MakeAmbreloDoc(3, *Db().File(3));
    ASSERT_TRUE(empty->OnNewDocument());
    for (int mode : {kSeekSearch, kSeekNext, kSeekPrevious}) {
        EXPECT_EQ(empty->SeekRecord(mode, 0, 0), -1);
        EXPECT_EQ(empty->SeekRecord(mode, 5, 4), -1);
    }
    std::string text;
    empty->FormatLine(0, text);
    EXPECT_EQ(text, "isno     -1");
}

TEST(SearchValue, DecimalHexadecimalOrZero) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {{"0x2003", 8195}, {"8195", 8195}, {"abc", 0},      {"", 0},
                 {"-5", -5},       {"12abc", 12},  {"0xffffffff", -1}, {"0xzz", 0}};
    for (const Case& c : cases) EXPECT_EQ(ParseSearchValue(c.text), c.value) << c.text;
}

}  // namespace

#include <gtest/gtest.h>

#include <string>

#include "gen/testsupport/ShellTestSupport.h"
#include "dblib/DiskMgr.h"

namespace shelltest {
namespace {

class ShellDoc : public ShellTest {};

TEST_F(ShellDoc, The2041stLineTruncatesTo1531WithMarker) {
    MakeApp();
    CGenDoc& doc = Doc();
    size_t before = doc.Lines().size();
    for (size_t i = before; i < 2040; ++i) doc.AddLine("line " + std::to_string(i));
    ASSERT_EQ(doc.Lines().size(), 2040u);
    EXPECT_EQ(doc.Lines().front(), before ? doc.Lines().front() : "line 0");
    doc.AddLine("the last line");
    ASSERT_EQ(doc.Lines().size(), 1531u);
    EXPECT_EQ(doc.Lines().front(), "***** Listing truncated *****");
    // The old lines 0..509 went, line 510 became the marker, 511 follows it.
    EXPECT_EQ(doc.Lines()[1], "line 511");
    EXPECT_EQ(doc.Lines().back(), "the last line");
    // The cap holds on: the next 510 lines grow it to 2040 again, the one after truncates.
    for (int i = 0; i < 509; ++i) doc.AddLine("more");
    EXPECT_EQ(doc.Lines().size(), 2040u);
    doc.AddLine("over");
    EXPECT_EQ(doc.Lines().size(), 1531u);
    EXPECT_EQ(doc.Lines().front(), "***** Listing truncated *****");
}

TEST_F(ShellDoc, ReplaceLastLineComparesTwelveCharacters) {
    MakeApp();
    struct Case {
        const char* last;
        const char* text;
        bool force;
        bool replaced;
    } cases[] = {
        {"Scanning APTs 1", "Scanning APTs 54", false, true},  // same first 12
        {"Scanning APT", "Scanning APT", false, true},         // exactly 12
        {"Scanning APTs 1", "Scanning INTs 1", false, false},  // differs in the first 12
        {"Short", "Short", false, true},                       // shorter texts, equal
        {"Short", "Shorter text", false, false},
        {"Anything", "Something else", true, true},            // forced
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CGenDoc& doc = Doc();
        doc.AddLine("before");
        doc.AddLine(c.last);
        size_t count = doc.Lines().size();
        doc.ReplaceLastLine(c.text, c.force);
        EXPECT_EQ(doc.Lines().size(), c.replaced ? count : count + 1);
        EXPECT_EQ(doc.Lines().back(), c.text);
        EXPECT_EQ(doc.Lines()[doc.Lines().size() - (c.replaced ? 2 : 3)], "before");
    }
}

TEST(ShellDocAlone, ReplaceLastLineOnEmptyListingAppends) {
    CGenDoc doc;
    doc.ReplaceLastLine("first progress", false);
    ASSERT_EQ(doc.Lines().size(), 1u);
    EXPECT_EQ(doc.Lines()[0], "first progress");
    doc.ReplaceLastLine("other", true);
    ASSERT_EQ(doc.Lines().size(), 1u);
    EXPECT_EQ(doc.Lines()[0], "other");
}

TEST_F(ShellDoc, LibraryStatusTextsBecomeListingLines) {
    MakeApp();
    CGenDoc& doc = Doc();
    doc.AddLine("Creating Image");
    IsamStatus("Rebuilding index %s", "apts");
    IsamStatus("Rebuilding index %s", "ints");  // same first 12 characters: replaces
    IsamStatus("Index Completed");
    ASSERT_GE(doc.Lines().size(), 3u);
    auto tail = LinesFrom(doc.Lines().size() - 3);
    EXPECT_EQ(tail, (std::vector<std::string>{"Creating Image", "Rebuilding index ints", "Index Completed"}));
}

TEST_F(ShellDoc, LibraryFatalTextIsShownAndEndsWithStatus1) {
    MakeApp();
    try {
        CGenDoc::OnIsamError("Error: Program and Data Files out of sync!");
        FAIL() << "the error hook returned";
    } catch (const ExitCalled& e) {
        EXPECT_EQ(e.status, 1);
    }
    EXPECT_EQ(Messages(), std::vector<std::string>{"Error: Program and Data Files out of sync!"});
}

}  // namespace
}  // namespace shelltest

// Listings run by the generator application: the 2041-line limit, "No Matching Items", the
// information lines and "duff_suas.txt".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "gen/testsupport/ShellTestSupport.h"
#include "gen/testsupport/ListingExample.h"

namespace shelltest {
namespace {

class ListingShell : public ShellTest {
protected:
    CGenApp& MakeListingApp() {
        GenModel model = TestModel();
        model.imageParams = &ImageParams496;
        InstallImageListings(model);
        return MakeApp(model);
    }
    // Starts a listing as GO does and runs it to its end.
    void List(const std::string& file, int kind) { RunListing(file, kind); }
    std::vector<std::string> Shown() {
        std::vector<std::string> lines;
        for (int i = 0; i < Doc().GetLineCount(); ++i) lines.push_back(Doc().GetLine(i));
        return lines;
    }
    static void BuildInts(const std::string& path, int count) {
        imgtest::TestDatabase db;
        db.countries = {{"K", "USA"}};
        for (int i = 0; i < count; ++i) {
            char ident[16];
            std::snprintf(ident, sizeof ident, "A%04d", i);
            db.points[kSectionInt].push_back({ident, listtest::Deg(10 + i * 0.001), listtest::Deg(20), 0, -1, -1, 0});
        }
        Image image(ImageParams496);
        ASSERT_TRUE(image.Create(path).ok());
        imgtest::BuiltImage built;
        const ImageResult r = imgtest::BuildTestImage(image, db, "MANY INTS", &built);
        ASSERT_TRUE(r.ok()) << r.text;
    }
};

TEST_F(ListingShell, AtMost2041RecordLinesThenTheLimitLine) {
    BuildInts("ints2041.img", 2041);
    BuildInts("ints2042.img", 2042);
    MakeListingApp();
    List("ints2041.img", kListInts);
    std::vector<std::string> lines = Shown();
    ASSERT_EQ(lines.size(), 2041u);
    EXPECT_EQ(lines.back().substr(0, 10), "INT  A2040");

    List("ints2042.img", kListInts);
    lines = Shown();
    ASSERT_EQ(lines.size(), 2042u);
    EXPECT_EQ(lines[2040].substr(0, 10), "INT  A2040");
    EXPECT_EQ(lines.back(), kMaxListableText);

    // A start given as a record number lists the later entries.
    App().Settings().SetIcaoFilter("0X7F9");
    List("ints2042.img", kListInts);
    lines = Shown();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 10), "INT  A2041");
}

TEST_F(ListingShell, EmptySectionsAndUnreadableFilesShowNoMatchingItems) {
    BuildInts("ints.img", 3);
    WriteFile("short.img", std::string(100, 'x'));
    MakeListingApp();
    const size_t before = Doc().Lines().size();
    for (int kind : {kListNdbs, kListSuas, kListFss, kListArtccs, kListApproaches}) {
        List("ints.img", kind);
        EXPECT_EQ(Shown(), std::vector<std::string>{kNoMatchingItemsText}) << kind;
    }
    // The image information precedes each listing: the size against the family's limit.
    std::vector<std::string> info = LinesFrom(before);
    ASSERT_GE(info.size(), 2u);
    EXPECT_EQ(info[0].substr(0, 17), "Image size (hex):");
    EXPECT_EQ(info[0].substr(info[0].size() - 6), " free)");

    List("short.img", kListApts);
    EXPECT_EQ(Shown(), std::vector<std::string>{kNoMatchingItemsText});
    EXPECT_EQ(Doc().Lines()[Doc().Lines().size() - 2], "short.img is too short for an image");
}

TEST_F(ListingShell, OpenOutlinesAreReportedOnceAListing) {
    listtest::BuildExample("example.img");
    MakeListingApp();
    WriteFile("duff_suas.txt", "left over\r\n");
    List("example.img", kListSuas);
    // Repaints format the lines again; the report is written once.
    for (int repaint = 0; repaint < 3; ++repaint) Shown();
    const std::string report = "SUA(b)  R-4001 ALPHA {Restricted Area P0}  2000 to  18000 (WASHINGTON FSS)\r\n";
    EXPECT_EQ(ReadFile("duff_suas.txt"), report);
    // A new listing of the image starts the file again.
    List("example.img", kListSuas);
    Shown();
    Shown();
    EXPECT_EQ(ReadFile("duff_suas.txt"), report);
}

TEST_F(ListingShell, ApidgenAtDebugBit32OnlyWhenTheImageHasApproachIds) {
    listtest::BuildExample("example.img");
    BuildInts("ints.img", 3);
    MakeListingApp();
    App().Settings().debugLevel = kDebugApidgen;
    List("ints.img", kListTitle);
    EXPECT_FALSE(std::filesystem::exists("apidgen.txt"));
    List("example.img", kListTitle);
    EXPECT_EQ(ReadFile("apidgen.txt"), "  0 I04L \r\n  1 R22R \r\n");
    EXPECT_EQ(Shown().size(), 4u);  // the title page has its fourth line at a debug level
}

}  // namespace
}  // namespace shelltest

// The section listings of the example image against golden files, and a few of their lines
// written out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "gen/testsupport/GoldenFiles.h"
#include "gen/testsupport/ListingExample.h"

using namespace listtest;

namespace {


void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) out << line << "\n";
}

struct GoldenCase {
    const char* file;
    int kind;
    int recordNumbers;
    uint32_t debug;
    uint32_t extra;
    bool dump;
};

const GoldenCase kCases[] = {
    {"listing_title.txt", kListTitle, 0, 1, 0, false},
    {"listing_countries.txt", kListCountries, 1, 0, 0, false},
    {"listing_names.txt", kListNames, 1, 1, 0, false},
    {"listing_apts.txt", kListApts, 0, 0, 0, false},
    {"listing_apts_raw.txt", kListApts, 1, 0, 2, false},
    {"listing_apts_dump.txt", kListApts, 0, 0, 0, true},
    {"listing_ints.txt", kListInts, 0, 0, 0, false},
    {"listing_ndbs.txt", kListNdbs, 1, 0, 1, false},
    {"listing_vors.txt", kListVors, 0, 0, 0, false},
    {"listing_vors_dump.txt", kListVors, 0, 0, 0, true},
    {"listing_suas.txt", kListSuas, 0, 0, 0, false},
    {"listing_suas_debug.txt", kListSuas, 1, 2, 2, false},
    {"listing_fss.txt", kListFss, 0, 0, 0, false},
    {"listing_tccs.txt", kListArtccs, 0, 0, 0, false},
    {"listing_tccs_dump.txt", kListArtccs, 0, 0, 0, true},
    {"listing_approaches.txt", kListApproaches, 1, 0, 0, false},
    {"listing_approaches_dump.txt", kListApproaches, 0, 0, 0, true},
};

class ListingGolden : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.File("example.img");
        BuildExample(path_);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.File(""));
    }
    void TearDown() override { std::filesystem::current_path(old_); }

    std::vector<std::string> ListWith(const GoldenCase& c) {
        ListingSource source;
        source.settings.recordNumbers = c.recordNumbers;
        source.settings.debugLevel = c.debug;
        source.settings.extraDebugLevel = c.extra;
        source.Open(path_);
        ListingRequest request;
        request.dump = c.dump;
        return source.List(c.kind, request);
    }

    imgtest::TempDir dir_;
    std::string path_;
    std::filesystem::path old_;
};

TEST_F(ListingGolden, EverySectionKindMatchesItsGoldenFile) {
    const bool update = std::getenv("LISTING_GOLDEN_UPDATE") != nullptr;
    for (const GoldenCase& c : kCases) {
        SCOPED_TRACE(c.file);
        const std::vector<std::string> lines = ListWith(c);
        if (update) WriteLines(kGoldenDir + c.file, lines);
        const std::vector<std::string> golden = ReadLines(kGoldenDir + c.file);
        if (lines != golden) {
            // What was listed, beside the build for a look or a copy over the golden file.
            const std::string failed = std::string(SUITE_BUILD_DIR) + "/golden-failures/";
            std::filesystem::create_directories(failed);
            WriteLines(failed + c.file + ".actual", lines);
            ADD_FAILURE() << "listed lines written to " << failed << c.file << ".actual";
        }
        ASSERT_EQ(lines.size(), golden.size());
        for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], golden[i]) << "line " << i;
    }
}

TEST_F(ListingGolden, HandWrittenLines) {
    const GoldenCase plain{"", kListApts, 0, 0, 0, false};
    GoldenCase title = plain;
    title.kind = kListTitle;
    EXPECT_EQ(ListWith(title),
              (std::vector<std::string>{"   LISTING TEST      006-D0677-XX",
                                        "CYCLE 0611, VALID FROM 5.NOV.2006 TO 5.NOV.2006,", "CREATED 5.NOV.2006."}));
    GoldenCase countries = plain;
    countries.kind = kListCountries;
    EXPECT_EQ(ListWith(countries), (std::vector<std::string>{"GERMANY-DE", "FRANCE-F", "USA-K"}));

    // EDDT: tower and runway 08L-26L side by side; the restricted ground frequency on a line of
    // its own behind the two runways.
    const std::vector<std::string> apts = ListWith(plain);
    ASSERT_GE(apts.size(), 4u);
    EXPECT_EQ(apts[1].substr(11), "Tower   118.70" + std::string(21, ' ') + "08L-26R  9900x150' hard   pt lts");
    EXPECT_EQ(apts[2].substr(11), "ATIS    125.90*" + std::string(20, ' ') + "08R-26L  7900x150' sealed pc lts");
    EXPECT_EQ(apts[3], "           Ground* 121.75  090-270 below 3000 above 1000 remoteVOR TGL UNK20 WEEKDAYS ONLY");
    // KBOS has no entry: its runway from the summary, without designator.
    EXPECT_NE(std::find(apts.begin(), apts.end(), std::string(47, ' ') + "..-..  10000' turf   pt lts"), apts.end());
}

}  // namespace

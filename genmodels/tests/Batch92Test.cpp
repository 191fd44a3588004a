// The 92/190 family's batch rules: RWY lines of exactly 9 fields, user idents of at most 6
// characters, restriction texts without the "UNK20 " keyword.
#include "gen/testsupport/BatchTestSupport.h"
#include "genmodels/Batch92.h"

namespace {

using batchtest::BatchDbTest;

const char* const kOrly = "ADD|APT|LFPO|LF-FRANCE|PARIS|ORLY|N 48~43.400|E 002~22.750|291|JA";

class Batch92 : public BatchDbTest {
protected:
    int Apply92(const std::string& text) { return Apply(text, 1000, BatchHandlers92()); }
};

TEST_F(Batch92, RunwayLinesHaveExactlyNineFields) {
    ASSERT_EQ(Apply92(kOrly), kBatchDone);
    const auto before = Snapshot();
    EXPECT_EQ(Apply92("ADD|RWY|LFPO|LF|7875X148|02-20|hard|ft lts|0|N 48~42.900|E 002~22.000|N 48~44.000|E 002~23.000"),
              kBatchErrFc);
    EXPECT_EQ(Apply92("ADD|RWY|LFPO|LF|7875X148|02-20|hard|ft lts"), kBatchErrFc);
    EXPECT_EQ(Snapshot(), before);
    // The 36R end: 18 with the letters swapped for the higher-numbered end.
    ASSERT_EQ(Apply92("ADD|RWY|LFPO|LF|7875X148|36R|hard|ft lts|0"), kBatchDone);
    ASSERT_EQ(Apply92("ADD|RWY|LFPO|LF|7875X148|36R|turf|ft lts|0"), kBatchModified);
    const auto runways = All<RwyRecord>();
    ASSERT_EQ(runways.size(), 1u);
    EXPECT_EQ(runways[0].rw, 18 + 64);
    EXPECT_EQ(Apply92("ADD|RWY|LFPO|LF|7875X148|02|hard|unkn1|0"), kBatchErrLit);
}

TEST_F(Batch92, UserIdentsOfSixCharactersAtMost) {
    EXPECT_EQ(Apply92("ADD|USR|ABCDEFG|N 48~43.400|E 002~22.750|SEVEN"), kBatchErrF3);
    EXPECT_TRUE(All<UsrRecord>().empty());
    EXPECT_EQ(Apply92("ADD|USR|ABCDEF|N 48~43.400|E 002~22.750|SIX"), kBatchDone);
    EXPECT_EQ(All<UsrRecord>().size(), 1u);
}

TEST_F(Batch92, RestrictionTextHasNoUnk20Keyword) {
    ASSERT_EQ(Apply92(kOrly), kBatchDone);
    ASSERT_EQ(Apply92("ADD|FRQ|LFPO|LF|TOWER|118.70|R:UNK20 SEE CHART"), kBatchDone);
    ASSERT_EQ(Apply("ADD|FRQ|LFPO|LF|GROUND|121.70|R:UNK20 SEE CHART"), kBatchDone);
    const auto restr = All<RestrRecord>();
    ASSERT_GE(restr.size(), 2u);
    // The first byte after the length holds the flags: only the text flag (16) for model 92, the
    // text and UNK20 flags (16 + 32) in the framework's form.
    uint8_t flags92 = 0;
    uint8_t flagsFramework = 0;
    for (const FreqRecord& f : All<FreqRecord>()) {
        for (const RestrRecord& r : restr) {
            if (r.rcsno != f.frsno) continue;
            (f.freq == 11870 ? flags92 : flagsFramework) = static_cast<uint8_t>(r.rcres[1]);
        }
    }
    EXPECT_EQ(flags92 & 0x30, 0x10);
    EXPECT_EQ(flagsFramework & 0x30, 0x30);
}

}  // namespace

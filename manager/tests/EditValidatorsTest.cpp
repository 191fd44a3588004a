// Runway designators and the frequency dialog's restriction string, checked against the bytes
// the batch update reads back.
#include <gtest/gtest.h>

#include "manager/AirportChildren.h"
#include "manager/CKestraneAddFrqDlg.h"
#include "manager/CKestraneRwyDlg.h"
#include "manager/LineFormats.h"
#include "manager/ManagerSettings.h"
#include "manager/tests/ManagerTestFolder.h"

namespace {

TEST(RunwayDesignator, Table) {
    struct {
        const char* text;
        int result;
        int32_t rw;
    } cases[] = {
        {"09", 0, 9},
        {"09L", 0, 9 + 64},
        {"18C", 0, 18 + 32},
        {"00", 0, 0},
        {"09-27", 0, 9},  // the runway's own reciprocal is not kept
        {"09-26", 0, 9 | 128 | 8 << 8},
        {"09L-27R", 0, 73 | 128 | 9 << 8},
        {"36", 1, 0},
        {"9", 1, 0},
        {"09X", 1, 0},
        {"14-40", 1, 0},  // would reach the 'T' bit
        {"14-12", 1, 0},
    };
    for (const auto& c : cases) {
        int32_t rw = -1;
        EXPECT_EQ(ParseRwWord(c.text, &rw), c.result) << c.text;
        if (c.result == 0) {
            EXPECT_EQ(rw, c.rw) << c.text;
        }
    }
}

class Restriction : public ManagerTestFolder {};

TEST_F(Restriction, BuiltAsTheBatchFormReadsIt) {
    Manager().kindVote = -1;
    CKestraneAddFrqDlg d;
    d.type = 9;
    d.frequency = "119.20";
    d.bearings = "000-090";
    d.below = "1500";
    d.above = "300";
    d.remoteVor = "sea";
    d.text = "MON-FRI";
    ASSERT_TRUE(ValidateFrequency(d));
    ASSERT_GT(d.restriction.size(), 10u);
    EXPECT_EQ(d.restriction[0], d.restriction.size() - 1);
    EXPECT_EQ(d.restriction[1], 1 | 2 | 4 | 8 | 16 | 64) << "360 sets bit 6";
    EXPECT_EQ(FormatRestriction(d.restriction.data() + 1, d.restriction.size() - 1, true),
              "000-090 BELOW 1500 ABOVE 300 REMOTEVOR SEA MON-FRI");
    // No restriction texts: no string, so no chain.
    CKestraneAddFrqDlg plain;
    plain.type = 0;
    plain.frequency = "118.00";
    ASSERT_TRUE(ValidateFrequency(plain));
    EXPECT_TRUE(plain.restriction.empty());
    EXPECT_EQ(WriteRestrChain(plain.restriction), 0);
    // A chain of 8-byte records, read back whole and erased.
    const int32_t first = WriteRestrChain(d.restriction);
    EXPECT_EQ(first, 1);
    dfRESTR& restr = *KestraneDb().restr;
    ASSERT_EQ(restr.Open(), 0);
    std::vector<uint8_t> back;
    ReadRestrictionChain(first, back);
    EXPECT_EQ(back, d.restriction);
    EraseRestrChain(first);
    restr.SelectIndex("rcsno");
    restr.rcsno = first;
    EXPECT_NE(restr.Find(), 0) << "the chain is erased";
    restr.Close();
    Manager().kindVote = 0;
}

}  // namespace

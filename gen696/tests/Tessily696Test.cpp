#include <gtest/gtest.h>

#include "gen696/Settings696.h"
#include "gen696/Tessily696.h"

namespace {

TEST(Tessily696, SuaKindNamesAndSwitches) {
    EXPECT_EQ(SuaKindCode696("Class C"), 32);
    EXPECT_EQ(SuaKindCode696("MOA"), 64 + 3);
    EXPECT_EQ(SuaKindCode696("Class G"), 32 + 15);
    EXPECT_EQ(SuaKindCode696("Unknown AreaF"), 64 + 15);
    EXPECT_EQ(SuaKindCode696("MOA -X"), 0);
    EXPECT_EQ(SuaKindCode696("moa"), 0);

    Settings696& s = TessilySettings();
    s = Settings696{};
    EXPECT_TRUE(ApplySwitch696("-ATL", ""));
    EXPECT_TRUE(ApplySwitch696("-PAC", ""));
    EXPECT_EQ(s.areaCode, 20);
    EXPECT_TRUE(ApplySwitch696("-NCD", ""));
    EXPECT_TRUE(ApplySwitch696("-NCD", ""));
    EXPECT_EQ(s.keepHeaderDates, 2);
    EXPECT_TRUE(ApplySwitch696("-SUAT", "MOA"));
    EXPECT_TRUE(ApplySwitch696("-SUAT", "Class C"));   // the first kind chosen stays
    EXPECT_EQ(s.suaKind, 67);
    EXPECT_FALSE(ApplySwitch696("-NOTRAINING", ""));
    EXPECT_FALSE(ApplySwitch696("-ATLX", ""));
    s = Settings696{};
}

}  // namespace

#include "gen/batch/BatchLine.h"

namespace {

TEST(Tessily696, BatchResultsFromItsOwnTable) {
    const std::vector<std::string>& t = BatchResultTexts696();
    EXPECT_EQ(FormatBatchResultLine(0, "ADD|APT|X", t), "    (DONE) ADD|APT|X");
    EXPECT_EQ(FormatBatchResultLine(14, "ADD|VOR|X", t), " *ERR-VOR* ADD|VOR|X");
    EXPECT_EQ(FormatBatchResultLine(20, "ADD|RWY|X", t), " *ERR-PIC* ADD|RWY|X");
    EXPECT_EQ(FormatBatchResultLine(30, "ADD|RWY|X", t), "*INTERNAL ERROR* ADD|RWY|X");
    EXPECT_FALSE(IsBatchError(19, t));
    EXPECT_TRUE(IsBatchError(1, {}) == IsBatchError(1));
    EXPECT_TRUE(IsBatchError(21, t));
}

}  // namespace

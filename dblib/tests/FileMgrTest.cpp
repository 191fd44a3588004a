// FileMgr: header of a new file, free list, slot scans and the checks of a damaged header.
#include "EngineTestSupport.h"

#include "dblib/FileMgr.h"

using namespace enginetest;

namespace {

// Slots of 4-byte records holding one number.
class Slots : public FileMgr {
public:
    Slots(const std::string& path, int mode = kOpenNow, int length = 20)
        : FileMgr(path, length, DiskMgr::kUncached, mode) {}
    int32_t value = 0;
    int32_t loaded = -99;

protected:
    void LoadRecord(const uint8_t* r) override { std::memcpy(&loaded, r, 4); }
    void StoreRecord(uint8_t* r) override { std::memcpy(r, &value, 4); }
};

class FileMgrTest : public ::testing::Test {
protected:
    void Fill(Slots& s, int n) {
        for (int i = 0; i < n; ++i) {
            s.value = 100 + i;
            ASSERT_EQ(s.NewRecord(), 0);
            ASSERT_EQ(s.CurrentSlot(), i);
        }
    }
    int64_t SlotAt(int n) const { return 1024 + int64_t(n) * 22; }

    TempDir dir;
    std::string path = dir.File("recs.dta");
    CatchFatal fatal;
};

TEST_F(FileMgrTest, NewFileIsBareHeader) {
    { Slots s(path); }
    std::vector<uint8_t> b = ReadAll(path);
    ASSERT_EQ(b.size(), 1024u);
    EXPECT_EQ(Le16(b, 0), 1024);
    EXPECT_EQ(Le16(b, 2), 22);
    EXPECT_EQ(Le32(b, 4), 0);
    EXPECT_EQ(Le32(b, 8), -1);
    EXPECT_EQ(Le16(b, 12), 0);
    for (size_t i = 14; i < b.size(); ++i) ASSERT_EQ(b[i], 0) << "byte " << i;
}

TEST_F(FileMgrTest, FreedSlotsAreReusedMostRecentFirst) {
    Slots s(path);
    Fill(s, 10);
    ASSERT_EQ(s.ReadRecord(3), 0);
    ASSERT_EQ(s.FreeRecord(), 0);
    EXPECT_EQ(s.CurrentSlot(), -1);
    ASSERT_EQ(s.ReadRecord(7), 0);
    ASSERT_EQ(s.FreeRecord(), 0);

    std::vector<uint8_t> b = ReadAll(path);
    EXPECT_EQ(Le32(b, 8), 7);
    EXPECT_EQ(Le16(b, SlotAt(7)), 1);
    EXPECT_EQ(Le32(b, SlotAt(7) + 2), 3);
    EXPECT_EQ(Le16(b, SlotAt(3)), 1);
    EXPECT_EQ(Le32(b, SlotAt(3) + 2), -1);

    for (int expected : {7, 3, 10}) {
        s.value = 500 + expected;
        ASSERT_EQ(s.NewRecord(), 0);
        EXPECT_EQ(s.CurrentSlot(), expected);
    }
    b = ReadAll(path);
    EXPECT_EQ(Le32(b, 4), 11);
    EXPECT_EQ(Le32(b, 8), -1);
    EXPECT_EQ(Le16(b, SlotAt(7)), 0);
    EXPECT_EQ(Le32(b, SlotAt(7) + 2), 507);
}

TEST_F(FileMgrTest, NextRecordSkipsDeletedSlotsAndStopsAtTheEnd) {
    Slots s(path);
    Fill(s, 4);
    for (int n : {0, 1}) {
        ASSERT_EQ(s.ReadRecord(n), 0);
        ASSERT_EQ(s.FreeRecord(), 0);
    }
    ASSERT_EQ(s.NextRecord(), 0);
    EXPECT_EQ(s.CurrentSlot(), 2);
    EXPECT_EQ(s.loaded, 102);
    ASSERT_EQ(s.NextRecord(), 0);
    EXPECT_EQ(s.loaded, 103);
    EXPECT_EQ(s.NextRecord(), -1);
    EXPECT_EQ(s.NextRecord(), -1);
    EXPECT_EQ(s.WriteRecord(), -1);
    EXPECT_EQ(s.FreeRecord(), -1);
}

TEST_F(FileMgrTest, ReadRecordLoadsDeletedSlotsButNothingBeyondTheFile) {
    Slots s(path);
    Fill(s, 3);
    ASSERT_EQ(s.ReadRecord(1), 0);
    ASSERT_EQ(s.FreeRecord(), 0);
    ASSERT_EQ(s.ReadRecord(1), 0);
    EXPECT_EQ(s.SlotStatus(), FileMgr::kSlotDeleted);
    EXPECT_EQ(s.loaded, -1);   // the free-list link
    s.loaded = 42;
    EXPECT_EQ(s.ReadRecord(3), -1);
    EXPECT_EQ(s.ReadRecord(1 << 30), -1);
    EXPECT_EQ(s.ReadRecord(-5), -1);
    EXPECT_EQ(s.loaded, 42);
    EXPECT_EQ(s.CurrentSlot(), 1);
    s.Close();
    EXPECT_EQ(s.ReadRecord(0), -1);
    EXPECT_EQ(s.NewRecord(), -1);
    EXPECT_EQ(s.loaded, 42);
}

TEST_F(FileMgrTest, OpenCreatesMissingFileButNotInMissingFolder) {
    Slots s(dir.File("nofolder/x.dta"), FileMgr::kOpenLater);
    EXPECT_EQ(s.Open(), -1);
    Slots t(dir.File("fresh.dta"), FileMgr::kOpenLater);
    EXPECT_EQ(t.Open(), 0);
    EXPECT_TRUE(t.CreatedFile());
    t.Close();
    EXPECT_EQ(t.Open(), 0);
    EXPECT_FALSE(t.CreatedFile());
}

// Damaged or foreign headers end in the fatal path and leave the file as it was.
TEST_F(FileMgrTest, DamagedHeaderIsFatalAndWritesNothing) {
    {
        Slots s(path);
        Fill(s, 5);
        ASSERT_EQ(s.ReadRecord(2), 0);
        ASSERT_EQ(s.FreeRecord(), 0);
    }
    const std::vector<uint8_t> good = ReadAll(path);
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        const char* message;
        bool onNewRecord;   // found when a slot is taken, not at open
    } cases[] = {
        {"slot length +1", [](auto& b) { b[2] = 23; }, kIsamOutOfSync, false},
        {"slot length -1", [](auto& b) { b[2] = 21; }, kIsamOutOfSync, false},
        {"slot length 1024", [](auto& b) { b[2] = 0, b[3] = 4; }, kIsamOutOfSync, false},
        {"header size", [](auto& b) { b[1] = 0; }, "Error: File Damaged (header size)", false},
        {"short header", [](auto& b) { b.resize(600); }, "Error: File Damaged (header)", false},
        {"slot count beyond file", [](auto& b) { b[4] = 6; }, "Error: File Damaged (slot count)",
         false},
        {"negative slot count", [](auto& b) { b[7] = 0x80; }, "Error: File Damaged (slot count)",
         false},
        {"free head beyond count", [](auto& b) { b[8] = 5; }, "Error: File Damaged (free list)",
         false},
        {"free head names live slot", [](auto& b) { b[8] = 1; }, "Error: File Damaged (free list)",
         true},
        {"free link out of range",
         [](auto& b) { b[1024 + 2 * 22 + 2] = 9, b[1024 + 2 * 22 + 5] = 0; },
         "Error: File Damaged (free list)", true},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        c.damage(bad);
        WriteAll(path, bad);
        try {
            Slots s(path);
            if (c.onNewRecord) (void)s.NewRecord();
            ADD_FAILURE() << c.what << ": no fatal report";
        } catch (const Fatal& f) {
            EXPECT_EQ(std::string(f.what()).rfind(c.message, 0), 0u)
                << c.what << ": " << f.what();
        }
        IsamClearFatal();
        EXPECT_EQ(ReadAll(path), bad) << c.what;
    }
}

}  // namespace

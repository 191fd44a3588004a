// Random damage to the bytes of a record file's .dta and .dtx, then open and use it: each
// case ends in success or in a fatal report, never a crash, an endless walk or a leaked file.
#include "EngineTestSupport.h"

#include <dirent.h>
#include <random>
#include <unistd.h>

using namespace enginetest;

namespace {

int OpenDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

class IsamFuzzTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 rng(11);
        TestRec t(dta, dtx);
        for (int i = 0; i < 900; ++i) {
            char name[9], code[5];
            std::snprintf(name, sizeof name, "N%03u", unsigned(rng() % 300));
            std::snprintf(code, sizeof code, "%04d", i);
            t.Set(i, name, int32_t(rng() % 40) - 20, code, i);
            ASSERT_EQ(t.Insert(), 0);
        }
        // Deleted slots in both files: the free lists are in play too.
        t.SelectIndex("grp");
        t.Rewind();
        for (int i = 0; t.Next(1) == 0; ++i) {
            if (i % 3 != 0) continue;
            ASSERT_EQ(t.Erase(), 0);
        }
        t.Close();
        goodDta = ReadAll(dta);
        goodDtx = ReadAll(dtx);
        records = 600;
    }

    void Damage(std::vector<uint8_t>& b, bool index) {
        const size_t slot = index ? 1024 : 26;
        const size_t slots = (b.size() - 1024) / slot;
        auto anySlot = [&] { return 1024 + (rng() % slots) * slot; };
        switch (rng() % 8) {
        case 0:   // random bytes anywhere
            for (int n = 1 + int(rng() % 4); n > 0; --n) b[rng() % b.size()] = uint8_t(rng());
            break;
        case 1:   // the header and the index descriptors
            b[rng() % 96] = uint8_t(rng());
            break;
        case 2: {  // a field of a slot's head: status, links, count, type
            size_t at = anySlot() + rng() % (index ? 18 : 6);
            b[at] = uint8_t(rng() % 4 == 0 ? 0xFF : rng() % 8);
            break;
        }
        case 3: {  // a plausible but wrong slot number in a node entry or link
            if (!index) {
                b[anySlot() + 2 + rng() % 4] = uint8_t(rng() % 8);
                break;
            }
            size_t at = anySlot() + 2 + (rng() % 2 ? (rng() % 2) * 4 : 16 + (rng() % 40) * 8);
            int32_t v = int32_t(rng() % (slots + 3)) - 1;
            std::memcpy(&b[at], &v, 4);
            break;
        }
        case 4:   // cut short
            b.resize(rng() % b.size());
            if (b.empty()) b.push_back(0);
            break;
        case 5: {  // one whole node copied over another
            if (!index) break;
            size_t from = anySlot(), to = anySlot();
            std::memmove(&b[to], &b[from], slot);
            break;
        }
        case 6: {  // a key byte inside a node, a field of a record
            size_t at = index ? anySlot() + 18 + rng() % 1000 : anySlot() + 2 + rng() % 24;
            b[at] ^= uint8_t(1 + rng() % 255);
            break;
        }
        default:  // a burst of garbage
            for (size_t at = rng() % b.size(), n = 0; n < 64 && at < b.size(); ++n, ++at)
                b[at] = uint8_t(rng());
            break;
        }
    }

    // Opens the record file and uses every index. A walk longer than the file is a hang.
    void Exercise() {
        TestRec t(dta, dtx);
        const int cap = 4 * records + 100;
        for (const char* index : {"id", "name", "grp", "code"}) {
            t.SelectIndex(index);
            t.Rewind();
            int n = 0;
            while (t.Next(1) == 0) ASSERT_LT(++n, cap) << "endless forward walk";
            n = 0;
            while (t.Prev(1) == 0) ASSERT_LT(++n, cap) << "endless backward walk";
            t.Set(int32_t(rng() % 900), "N100", 3, "0450");
            (void)t.Find();
            (void)t.Prev(2);
            (void)t.ReadCurrent();
        }
        t.SelectIndexNumber(IsamMgr::kFileOrder);
        t.Rewind();
        for (int n = 0; t.Next(1) == 0;) ASSERT_LT(++n, cap) << "endless file walk";
        // Changes on top of the damage.
        t.SelectIndex("name");
        t.Set(5000, "NEW", 1, "new");
        (void)t.Insert();
        t.Rewind();
        if (t.Next(3) == 0) {
            t.grp = 99;
            (void)t.Amend();
            (void)t.Erase();
            (void)t.Next(1);
        }
    }

    TempDir dir;
    std::string dta = dir.File("fuzz.dta");
    std::string dtx = dir.File("fuzz.dtx");
    std::vector<uint8_t> goodDta, goodDtx;
    int records = 0;
    std::mt19937 rng{2024};
};

TEST_F(IsamFuzzTest, DamagedFilesEndInSuccessOrFatalMessage) {
    alarm(300);   // a hang inside the library ends the test run
    const int fdsBefore = OpenDescriptors();
    int fatals = 0, clean = 0;
    for (int c = 0; c < 1500; ++c) {
        std::vector<uint8_t> dtaBytes = goodDta, dtxBytes = goodDtx;
        bool both = rng() % 10 == 0;
        bool index = rng() % 10 < 7;
        Damage(index ? dtxBytes : dtaBytes, index);
        if (both) Damage(index ? dtaBytes : dtxBytes, !index);
        WriteAll(dta, dtaBytes);
        WriteAll(dtx, dtxBytes);
        CatchFatal fatal;
        try {
            Exercise();
            if (HasFatalFailure()) FAIL() << "case " << c;
            ++clean;
        } catch (const Fatal& f) {
            ++fatals;
            std::string text = f.what();
            EXPECT_TRUE(text.rfind("Error", 0) == 0) << "case " << c << ": " << text;
        }
    }
    alarm(0);
    EXPECT_EQ(OpenDescriptors(), fdsBefore);
    EXPECT_GT(fatals, 100);
    EXPECT_GT(clean, 100);
    RecordProperty("fatal", fatals);
    RecordProperty("clean", clean);
    std::printf("damaged cases: %d fatal, %d without fault found\n", fatals, clean);
}

}  // namespace

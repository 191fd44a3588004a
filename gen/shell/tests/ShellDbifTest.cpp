#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "gen/testsupport/ShellTestSupport.h"
#include "dblib/dfUSR.h"
#include "gen/shell/CGenDBOpen.h"

namespace shelltest {
namespace {

class ShellDbif : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        MakeApp();
        ASSERT_EQ(App().OpenDatabaseChecked(), 1);
    }
};

UsrRecord User(int32_t sno, const char* ident, const char* name, int32_t time) {
    UsrRecord r{};
    r.usno = sno;
    std::memcpy(r.uident, ident, std::min(std::strlen(ident), sizeof r.uident));
    r.ulat = 0x12345678;
    r.ulong = -0x1234567;
    r.utime = time;
    std::memcpy(r.uname, name, std::min(std::strlen(name), sizeof r.uname - 1));
    r.uicon = 18;
    return r;
}

bool Same(const UsrRecord& a, const UsrRecord& b) {
    return a.usno == b.usno && std::memcmp(a.uident, b.uident, sizeof a.uident) == 0 && a.ulat == b.ulat &&
           a.ulong == b.ulong && a.utime == b.utime && std::memcmp(a.uname, b.uname, sizeof a.uname) == 0 &&
           a.uicon == b.uicon;
}

// A record goes only to its own record file: another record type does not compile.
template <class Record, class Given>
concept Addable = requires(const Given& given) { dbif_add<Record>(given); };
static_assert(Addable<UsrRecord, UsrRecord>);
static_assert(!Addable<UsrRecord, AptRecord>);
static_assert(!Addable<ApprRecord, LwptRecord>);

TEST_F(ShellDbif, UsrRecordKeepsItsDiskOrder) {
    const UsrRecord home = User(1, "HOME", "HOME FIELD", 123456789);
    dbif_open<UsrRecord>();
    EXPECT_EQ(dbif_add(home), 1);
    // On disk: time at 20, name at 24.
    auto* usr = dynamic_cast<dfUSR*>(CGenDBOpen::Active()->File(kFileUsr));
    ASSERT_NE(usr, nullptr);
    uint8_t disk[60];
    usr->CopyOut(disk);
    int32_t time;
    std::memcpy(&time, disk + 20, 4);
    EXPECT_EQ(time, 123456789);
    EXPECT_STREQ(reinterpret_cast<char*>(disk + 24), "HOME FIELD");
    dbif_close<UsrRecord>();

    // Found again by ident, every field as it was added.
    dbif_open<UsrRecord>();
    dbif_index<UsrRecord>("uident");
    UsrRecord key = User(0, "HOME", "", 0);
    ASSERT_EQ(dbif_find(key), 1);
    EXPECT_TRUE(Same(key, home));
    UsrRecord missing = User(0, "NONE", "", 0);
    EXPECT_EQ(dbif_find(missing), 0);
    dbif_close<UsrRecord>();
}

TEST_F(ShellDbif, WalkAndFindPrev) {
    dbif_open<UsrRecord>();
    for (int i = 1; i <= 3; ++i) ASSERT_EQ(dbif_add(User(i * 10, ("WP" + std::to_string(i)).c_str(), "", i)), 1);
    dbif_index<UsrRecord>("usno");
    UsrRecord r{};
    std::vector<int32_t> seen;
    for (int ok = dbif_first(r); ok; ok = dbif_next(r)) seen.push_back(r.usno);
    EXPECT_EQ(seen, (std::vector<int32_t>{10, 20, 30}));
    // The largest serial number as the key gives the record with the highest one.
    UsrRecord top = User(0x7FFFFFFF, "", "", 0);
    ASSERT_EQ(dbif_findprev(top), 1);
    EXPECT_EQ(top.usno, 30);
    // Amend and erase the current record.
    UsrRecord twenty = User(20, "", "", 0);
    ASSERT_EQ(dbif_find(twenty), 1);
    std::strcpy(twenty.uname, "RENAMED");
    EXPECT_EQ(dbif_upd(twenty), 1);
    UsrRecord again = User(20, "", "", 0);
    ASSERT_EQ(dbif_find(again), 1);
    EXPECT_STREQ(again.uname, "RENAMED");
    EXPECT_EQ(dbif_del<UsrRecord>(), 1);
    UsrRecord gone = User(20, "", "", 0);
    EXPECT_EQ(dbif_find(gone), 0);
    dbif_close<UsrRecord>();
}

TEST_F(ShellDbif, RefusedAddShowsTheFailureBox) {
    dbif_open<UsrRecord>();
    ASSERT_EQ(dbif_add(User(1, "SAME", "ONE", 0)), 1);
    const UsrRecord second = User(2, "SAME", "TWO", 0);
    AddAnswer("dbif_add", {}, "Ignore");
    EXPECT_EQ(dbif_add(second), 0);
    AddAnswer("dbif_add", {}, "Retry");
    EXPECT_EQ(dbif_add(second), 0);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"dbif_add failed on usr file ", "dbif_add failed on usr file "}));
    AddAnswer("dbif_add", {}, "Abort");
    try {
        dbif_add(second);
        FAIL() << "Abort did not end the program";
    } catch (const ExitCalled& e) {
        EXPECT_EQ(e.status, kExitFatal);
    }
    dbif_close<UsrRecord>();
}

TEST_F(ShellDbif, EveryRecordFileIsMadeAndStamped) {
    CGenDBOpen* opener = App().DbOpen();
    EXPECT_EQ(opener->Status(), 0);
    // Record lengths by file number, from the database layout.
    const int lengths[kGenFileCount] = {52, 28, 28, 40, 36, 44, 48, 52, 60, 16, 68, 30, 20, 20, 120};
    for (int i = 0; i < kGenFileCount; ++i) {
        SCOPED_TRACE(GenFileName(i));
        ASSERT_NE(opener->File(i), nullptr);
        EXPECT_EQ(opener->File(i)->RecordLength(), lengths[i]);
    }
    EXPECT_FALSE(opener->MakeRecordFile(15));
    EXPECT_STREQ(GenFileName(8), "usr");
    EXPECT_STREQ(GenFileName(15), "");
}

// Made on use (the compile modes): a record-file object comes with the first operation on its
// file, once; one made by MakeRecordFile (a file erased and made again) is kept.
TEST_F(ShellDbif, OnUseEachRecordFileIsMadeAtItsFirstUse) {
    CGenDBOpen* const appOpener = CGenDBOpen::Active();
    {
        CGenDBOpen opener;
        ASSERT_EQ(opener.Status(), 0);
        opener.OpenOnUse();
        CGenDBOpen::SetActive(&opener);
        for (int i = 0; i < kGenFileCount; ++i) EXPECT_EQ(opener.File(i), nullptr) << GenFileName(i);
        const UsrRecord home = User(1, "HOME", "HOME FIELD", 1);
        dbif_open<UsrRecord>();
        EXPECT_EQ(dbif_add(home), 1);
        dbif_close<UsrRecord>();
        RecordFile* const usr = opener.File(kFileUsr);
        ASSERT_NE(usr, nullptr);
        for (int i = 0; i < kGenFileCount; ++i) {
            if (i != kFileUsr) {
                EXPECT_EQ(opener.File(i), nullptr) << GenFileName(i);
            }
        }
        UsrRecord found{};
        found.usno = 1;
        dbif_open<UsrRecord>();
        dbif_index<UsrRecord>("usno");
        EXPECT_EQ(dbif_find(found), 1);
        EXPECT_TRUE(Same(found, home));
        dbif_close<UsrRecord>();
        EXPECT_EQ(opener.File(kFileUsr), usr);

        ASSERT_TRUE(opener.MakeRecordFile(kFileAwys));
        RecordFile* const awys = opener.File(kFileAwys);
        dbif_open<AwysRecord>();
        dbif_close<AwysRecord>();
        EXPECT_EQ(opener.File(kFileAwys), awys);
        EXPECT_EQ(opener.Status(), 0);
    }
    CGenDBOpen::SetActive(appOpener);
}

TEST(ShellRecText, SetRecTextCutsAndTrims) {
    struct Case {
        const char* source;
        int width;
        const char* expected;
    } cases[] = {
        {"AB  ", 8, "AB"},
        {"    ", 8, " "},               // blanks only: the first character stays
        {"ABCDEFGHIJ", 8, "ABCDEFG"},   // width - 1 characters
        {"AB\t\r\n", 8, "AB"},
        {"AB\xB0", 8, "AB"},            // top-bit characters count as blank
        {"A B", 8, "A B"},
        {"", 8, ""},
        {"XY", 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        char out[16];
        std::memset(out, '#', sizeof out);
        SetRecText(out, c.source, c.width);
        EXPECT_STREQ(out, c.expected);
    }
    char key[16];
    CopyKeyText(key, "KEY  \x01");
    EXPECT_STREQ(key, "KEY  \x01");
}

}  // namespace
}  // namespace shelltest

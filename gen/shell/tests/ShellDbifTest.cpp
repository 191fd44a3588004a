#include <gtest/gtest.h>

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

struct UsrBuffer {
    uint8_t bytes[60] = {};
    UsrBuffer(int32_t sno, const char* ident, const char* name, int32_t time) {
        std::memcpy(bytes + kUsrBufUsno, &sno, 4);
        std::strncpy(reinterpret_cast<char*>(bytes + kUsrBufIdent), ident, 8);
        int32_t lat = 0x12345678, lon = -0x1234567, icon = 18;
        std::memcpy(bytes + kUsrBufLat, &lat, 4);
        std::memcpy(bytes + kUsrBufLong, &lon, 4);
        std::strncpy(reinterpret_cast<char*>(bytes + kUsrBufName), name, 32);
        std::memcpy(bytes + kUsrBufTime, &time, 4);
        std::memcpy(bytes + kUsrBufIcon, &icon, 4);
    }
};

TEST_F(ShellDbif, UsrBufferPutsTheNameBeforeTheTime) {
    UsrBuffer home(1, "HOME", "HOME FIELD", 123456789);
    dbif_open(kFileUsr);
    EXPECT_EQ(dbif_add(kFileUsr, home.bytes), 1);
    // On disk (and in the record object): time at 20, name at 24.
    auto* usr = dynamic_cast<dfUSR*>(CGenDBOpen::Active()->File(kFileUsr));
    ASSERT_NE(usr, nullptr);
    uint8_t disk[60];
    usr->CopyOut(disk);
    int32_t time;
    std::memcpy(&time, disk + 20, 4);
    EXPECT_EQ(time, 123456789);
    EXPECT_STREQ(reinterpret_cast<char*>(disk + 24), "HOME FIELD");
    dbif_close(kFileUsr);

    // Found again by ident, in the buffer order.
    dbif_open(kFileUsr);
    dbif_index(kFileUsr, "uident");
    UsrBuffer key(0, "HOME", "", 0);
    ASSERT_EQ(dbif_find(kFileUsr, key.bytes), 1);
    EXPECT_EQ(std::memcmp(key.bytes, home.bytes, 60), 0);
    UsrBuffer missing(0, "NONE", "", 0);
    EXPECT_EQ(dbif_find(kFileUsr, missing.bytes), 0);
    dbif_close(kFileUsr);
}

TEST_F(ShellDbif, WalkAndFindPrev) {
    dbif_open(kFileUsr);
    for (int i = 1; i <= 3; ++i) {
        UsrBuffer b(i * 10, ("WP" + std::to_string(i)).c_str(), "", i);
        ASSERT_EQ(dbif_add(kFileUsr, b.bytes), 1);
    }
    dbif_index(kFileUsr, "usno");
    UsrBuffer b(0, "", "", 0);
    std::vector<int32_t> seen;
    for (int ok = dbif_first(kFileUsr, b.bytes); ok; ok = dbif_next(kFileUsr, b.bytes)) {
        int32_t sno;
        std::memcpy(&sno, b.bytes, 4);
        seen.push_back(sno);
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{10, 20, 30}));
    // The largest serial number as the key gives the record with the highest one.
    UsrBuffer top(0x7FFFFFFF, "", "", 0);
    ASSERT_EQ(dbif_findprev(kFileUsr, top.bytes), 1);
    int32_t sno;
    std::memcpy(&sno, top.bytes, 4);
    EXPECT_EQ(sno, 30);
    // Amend and erase the current record.
    UsrBuffer twenty(20, "", "", 0);
    ASSERT_EQ(dbif_find(kFileUsr, twenty.bytes), 1);
    std::strcpy(reinterpret_cast<char*>(twenty.bytes + kUsrBufName), "RENAMED");
    EXPECT_EQ(dbif_upd(kFileUsr, twenty.bytes), 1);
    UsrBuffer again(20, "", "", 0);
    ASSERT_EQ(dbif_find(kFileUsr, again.bytes), 1);
    EXPECT_STREQ(reinterpret_cast<char*>(again.bytes + kUsrBufName), "RENAMED");
    EXPECT_EQ(dbif_del(kFileUsr), 1);
    UsrBuffer gone(20, "", "", 0);
    EXPECT_EQ(dbif_find(kFileUsr, gone.bytes), 0);
    dbif_close(kFileUsr);
}

TEST_F(ShellDbif, RefusedAddShowsTheFailureBox) {
    dbif_open(kFileUsr);
    UsrBuffer first(1, "SAME", "ONE", 0);
    ASSERT_EQ(dbif_add(kFileUsr, first.bytes), 1);
    UsrBuffer second(2, "SAME", "TWO", 0);
    AddAnswer("dbif_add", {}, "Ignore");
    EXPECT_EQ(dbif_add(kFileUsr, second.bytes), 0);
    AddAnswer("dbif_add", {}, "Retry");
    EXPECT_EQ(dbif_add(kFileUsr, second.bytes), 0);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"dbif_add failed on usr file ", "dbif_add failed on usr file "}));
    AddAnswer("dbif_add", {}, "Abort");
    try {
        dbif_add(kFileUsr, second.bytes);
        FAIL() << "Abort did not end the program";
    } catch (const ExitCalled& e) {
        EXPECT_EQ(e.status, kExitFatal);
    }
    dbif_close(kFileUsr);
}

TEST_F(ShellDbif, EveryRecordFileIsMadeAndStamped) {
    CGenDBOpen* opener = App().DbOpen();
    EXPECT_EQ(opener->Status(), 0);
    for (int i = 0; i < kGenFileCount; ++i) {
        SCOPED_TRACE(GenFileName(i));
        EXPECT_NE(opener->File(i), nullptr);
        EXPECT_EQ(opener->File(i)->RecordLength(), GenRecordLength(i));
    }
    EXPECT_FALSE(opener->MakeRecordFile(15));
    EXPECT_STREQ(GenFileName(8), "usr");
    EXPECT_STREQ(GenFileName(15), "");
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

// The database folder made whole: every record file there and stamped, a folder made
// meanwhile by another program taken as it is, nothing left beside it.
#include "dblib/DatabaseFolder.h"
#include "dblib/DbCheck.h"
#include "dblib/DbDir.h"
#include "dblib/RecordFiles.h"
#include "dblib/Transaction.h"
#include "dblib/tests/RecordTestSupport.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace {

using rectest::TempFolder;

class DatabaseFolder : public ::testing::Test {
protected:
    void SetUp() override { dbtx::SetSynced(false); }
    void TearDown() override {
        SetDbDir(kDbDirName);
        dbtx::SetSynced(true);
    }

    // Every record file there, each data file stamped, the folder passing the open check,
    // nothing else in it and nothing beside it.
    void ExpectComplete() {
        const std::string db = dir.File("db50");
        std::vector<std::string> names = platform::ListDirectory(db);
        std::sort(names.begin(), names.end());
        std::vector<std::string> want;
        for (const char* name : kRecordFileNames) {
            want.push_back(std::string(name) + ".dta");
            want.push_back(std::string(name) + ".dtx");
        }
        std::sort(want.begin(), want.end());
        EXPECT_EQ(names, want);
        for (const char* name : kRecordFileNames) {
            const auto bytes = rectest::ReadBytes(db + "/" + name + ".dta");
            ASSERT_GT(bytes.size(), size_t(kDbVersionMarkOffset)) << name;
            EXPECT_EQ(char(bytes[kDbVersionMarkOffset]), kDbVersionMark) << name;
        }
        SetDbDir(db);
        DbCheck check;
        EXPECT_TRUE(check.CheckRecordFiles(kRecordFileNames, kRecordFileCount));
        EXPECT_EQ(platform::ListDirectory(dir.Path()), std::vector<std::string>{"db50"});
    }

    TempFolder dir;
};

TEST_F(DatabaseFolder, MadeCompleteAndStamped) {
    ASSERT_TRUE(MakeDatabaseFolder(dir.File("db50")));
    ExpectComplete();
}

// The second maker finds the folder there when it renames its own: it keeps the first one's.
TEST_F(DatabaseFolder, LaterMakerTakesTheFolderThere) {
    ASSERT_TRUE(MakeDatabaseFolder(dir.File("db50")));
    const std::string apts = dir.File("db50/apts.dta");
    const uint8_t first = rectest::ReadBytes(apts)[0];
    rectest::PokeByte(apts, 0, 'x');   // a mark of the first folder
    ASSERT_TRUE(MakeDatabaseFolder(dir.File("db50")));
    EXPECT_EQ(rectest::ReadBytes(apts)[0], 'x');
    rectest::PokeByte(apts, 0, first);
    ExpectComplete();
}

TEST_F(DatabaseFolder, TwoMakersAtOnce) {
    for (int round = 0; round < 5; ++round) {
        std::filesystem::remove_all(dir.File("db50"));
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            char c;
            ::close(go[1]);
            if (::read(go[0], &c, 1) != 1) _exit(3);
            _exit(MakeDatabaseFolder(dir.File("db50")) ? 0 : 1);
        }
        ::close(go[0]);
        ASSERT_EQ(::write(go[1], "g", 1), 1);
        ::close(go[1]);
        const bool made = MakeDatabaseFolder(dir.File("db50"));
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(made);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        ExpectComplete();
    }
}

TEST_F(DatabaseFolder, FolderThatCannotBeMadeFails) {
    const std::string file = dir.File("plain");
    rectest::WriteText(file, "not a folder");
    errno = 0;
    EXPECT_FALSE(MakeDatabaseFolder(file + "/db50"));
    EXPECT_EQ(errno, ENOTDIR);
    EXPECT_EQ(platform::ListDirectory(dir.Path()), std::vector<std::string>{"plain"});
}

}  // namespace

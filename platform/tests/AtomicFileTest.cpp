#include "platform/AtomicFile.h"
#include "TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace platform;

namespace {

class AtomicFileTest : public platform::test::TempFolderTest {
protected:
    std::vector<std::string> Entries() {
        std::vector<std::string> names = ListDirectory(dir_);
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(AtomicFileTest, TheTargetChangesOnlyAtCommit) {
    const struct {
        const char* what;
        AtomicFile::Start start;
        bool commit;
        const char* after;
    } cases[] = {
        {"replaced", AtomicFile::Start::Empty, true, "new"},
        {"appended", AtomicFile::Start::CopyOfOld, true, "oldnew"},
        {"abandoned", AtomicFile::Start::Empty, false, "old"},
        {"abandoned append", AtomicFile::Start::CopyOfOld, false, "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Write("out.txt", "old");
        {
            AtomicFile file;
            ASSERT_TRUE(file.Open(Path("out.txt"), c.start));
            ASSERT_TRUE(file.Write("new", 3));
            EXPECT_EQ(Read("out.txt"), "old");
            EXPECT_EQ(Entries().size(), 2u) << "the temporary file lies beside the target";
            if (c.commit) {
                ASSERT_TRUE(file.Commit());
            }
        }
        EXPECT_EQ(Read("out.txt"), c.after);
        EXPECT_EQ(Entries(), std::vector<std::string>{"out.txt"});
    }
    // A new file, and a name that matches an existing one but for case.
    AtomicFile file;
    ASSERT_TRUE(file.Open(Path("fresh.txt"), AtomicFile::Start::CopyOfOld));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(Read("fresh.txt"), "");
    ASSERT_TRUE(file.Open(Path("OUT.TXT"), AtomicFile::Start::CopyOfOld));
    ASSERT_TRUE(file.Write("!", 1));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(Read("out.txt"), "old!");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"fresh.txt", "out.txt"}));
}

TEST_F(AtomicFileTest, AFailedWriteLeavesTheTarget) {
    Write("out.bin", "old");
    ::chmod(Path("out.bin").c_str(), 0640);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    sighandler_t handler = ::signal(SIGXFSZ, SIG_IGN);
    {
        AtomicFile file;
        ASSERT_TRUE(file.Open(Path("out.bin"), AtomicFile::Start::CopyOfOld));
        rlimit limit = old;
        limit.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::vector<char> data(8192, 'x');
        EXPECT_FALSE(file.Write(data.data(), data.size()));
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_NE(file.ErrorNumber(), 0);
        EXPECT_FALSE(file.Commit()) << "a failed write is never committed";
    }
    ::signal(SIGXFSZ, handler);
    EXPECT_EQ(Read("out.bin"), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.bin"});
    // The replacement keeps the old file's permissions.
    AtomicFile file;
    ASSERT_TRUE(file.Open(Path("out.bin"), AtomicFile::Start::Empty));
    ASSERT_TRUE(file.Commit());
    struct stat st {};
    ASSERT_EQ(::stat(Path("out.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(AtomicFileTest, RefusalsLeaveNothingBehind) {
    ::mkdir(Path("folder").c_str(), 0777);
    AtomicFile file;
    EXPECT_FALSE(file.Open(Path("folder"), AtomicFile::Start::Empty));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(file.Open(Path("missing/out.txt"), AtomicFile::Start::Empty));
    EXPECT_EQ(errno, ENOENT);
    // A file held by another open against this one.
    Write("held.txt", "held");
    const int fd = OpenFile(Path("held.txt"), O_RDONLY, Share::DenyNone);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(file.Open(Path("held.txt"), AtomicFile::Start::Empty, Share::DenyWrite));
    EXPECT_EQ(errno, EACCES);
    CloseFile(fd);
    EXPECT_EQ(Read("held.txt"), "held");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"folder", "held.txt"}));
}

TEST_F(AtomicFileTest, AProcessEndedBeforeCommitLeavesTheTarget) {
    Write("out.txt", "old");
    for (const bool killed : {false, true}) {
        SCOPED_TRACE(killed);
        const pid_t pid = ::fork();
        if (pid == 0) {
            AtomicFile* file = new AtomicFile;
            if (!file->Open(Path("out.txt"), AtomicFile::Start::Empty) || !file->Write("new", 3)) ::_exit(1);
            if (killed) ::raise(SIGKILL);
            std::exit(0);  // exit() removes the temporary file
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_EQ(Read("out.txt"), "old");
        if (!killed) {
            EXPECT_EQ(Entries(), std::vector<std::string>{"out.txt"});
        }
    }
}

TEST_F(AtomicFileTest, ADeviceIsWrittenInPlace) {
    if (::access("/dev/null", W_OK) != 0) GTEST_SKIP() << "no /dev/null";
    AtomicFile file;
    ASSERT_TRUE(file.Open("/dev/null", AtomicFile::Start::CopyOfOld));
    EXPECT_EQ(file.WritingPath(), "/dev/null");
    EXPECT_TRUE(file.Write("x", 1));
    EXPECT_TRUE(file.Commit());
}

TEST_F(AtomicFileTest, ReplaceFileRenamesOverTheOldFileInOneStep) {
    Write("new.dat", "new");
    Write("cur.dat", "old");
    const int fd = OpenFile(Path("cur.dat"), O_RDONLY, Share::DenyNone);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(ReplaceFile(Path("new.dat"), Path("cur.dat")));
    EXPECT_EQ(errno, EACCES);
    CloseFile(fd);
    EXPECT_EQ(Read("cur.dat"), "old");
    ASSERT_TRUE(ReplaceFile(Path("new.dat"), Path("CUR.DAT")));
    EXPECT_EQ(Read("cur.dat"), "new");
    EXPECT_EQ(Entries(), std::vector<std::string>{"cur.dat"});
}

}  // namespace

#include "platform/FileSystem.h"
#include "TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace platform;

namespace {

using FileSystemTest = platform::test::TempFolderTest;

// Runs an open in a child process; returns 0 when it succeeded, else its errno.
int OpenInChild(const std::string& path, int flags, Share share) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int fd = OpenFile(path, flags, share);
        ::_exit(fd >= 0 ? 0 : errno);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(FileSystemTest, ShareModesBetweenOpens) {
    Write("a.dat", "hello");
    struct Case {
        Share first, second;
        bool secondOpens;
    } cases[] = {
        {Share::DenyReadWrite, Share::DenyReadWrite, false},
        {Share::DenyReadWrite, Share::DenyNone, false},
        {Share::DenyNone, Share::DenyReadWrite, false},
        {Share::DenyNone, Share::DenyNone, true},
    };
    for (const Case& c : cases) {
        int fd = OpenFile(Path("a.dat"), O_RDWR, c.first);
        ASSERT_GE(fd, 0);
        int fd2 = OpenFile(Path("a.dat"), O_RDONLY, c.second);
        EXPECT_EQ(fd2 >= 0, c.secondOpens);
        if (fd2 < 0) {
            EXPECT_EQ(errno, EACCES);
        }
        // Another process sees the same.
        EXPECT_EQ(OpenInChild(Path("a.dat"), O_RDONLY, c.second) == 0, c.secondOpens);
        if (fd2 >= 0) CloseFile(fd2);
        CloseFile(fd);
    }
    // Released on close.
    int fd = OpenFile(Path("a.dat"), O_RDWR, Share::DenyReadWrite);
    EXPECT_GE(fd, 0);
    CloseFile(fd);
}

TEST_F(FileSystemTest, MissingFileIsToldApartFromHeldFile) {
    EXPECT_EQ(OpenFile(Path("none.dat"), O_RDWR, Share::DenyReadWrite), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(FileSystemTest, DeniedTruncatingOpenLeavesFileIntact) {
    Write("t.dat", "precious");
    int fd = OpenFile(Path("t.dat"), O_RDWR, Share::DenyReadWrite);
    ASSERT_GE(fd, 0);
    EXPECT_NE(OpenInChild(Path("t.dat"), O_RDWR | O_CREAT | O_TRUNC, Share::DenyReadWrite), 0);
    EXPECT_EQ(Read("t.dat"), "precious");
    CloseFile(fd);
    fd = OpenFile(Path("t.dat"), O_RDWR | O_CREAT | O_TRUNC, Share::DenyReadWrite);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(FileSize(fd), 0);
    CloseFile(fd);
}

TEST_F(FileSystemTest, DeleteAndRenameFailWhileHeld) {
    Write("h.dat", "x");
    int fd = OpenFile(Path("h.dat"), O_RDWR, Share::DenyReadWrite);
    ASSERT_GE(fd, 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        bool del = DeleteFile(Path("h.dat"));
        int e1 = errno;
        bool ren = RenameFile(Path("h.dat"), Path("g.dat"));
        int e2 = errno;
        ::_exit(!del && e1 == EACCES && !ren && e2 == EACCES ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    CloseFile(fd);
    EXPECT_TRUE(RenameFile(Path("h.dat"), Path("g.dat")));
    EXPECT_TRUE(DeleteFile(Path("g.dat")));
    EXPECT_FALSE(FileExists(Path("g.dat")));
}

TEST_F(FileSystemTest, CaseInsensitiveNamesAndBackslashes) {
    ASSERT_TRUE(MakeDirectory(Path("DB50")));
    Write("DB50/SUA.DAT", "abc");
    std::string actual;
    EXPECT_TRUE(FileExists(dir_ + "\\db50\\sua.dat", &actual));
    EXPECT_EQ(actual, Path("DB50/SUA.DAT"));
    // Opening and creating reuse the existing spelling.
    int fd = OpenFile(Path("db50/Sua.Dat"), O_RDWR | O_CREAT | O_TRUNC, Share::DenyReadWrite);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(WriteAt(fd, "xyz!", 4, 0), 4);
    CloseFile(fd);
    EXPECT_EQ(Read("DB50/SUA.DAT"), "xyz!");
    EXPECT_EQ(ListDirectory(Path("db50")).size(), 1u);
    EXPECT_FALSE(MakeDirectory(Path("db50")));
    EXPECT_TRUE(IsDirectory(Path("Db50")));
    // A rename that only changes letter case keeps the one file.
    EXPECT_TRUE(RenameFile(Path("db50/sua.dat"), Path("db50/sua.dat")));
    EXPECT_TRUE(FileExists(Path("DB50/sua.dat")));
    Write("other.dat", "o");
    EXPECT_FALSE(RenameFile(Path("other.dat"), Path("db50/SUA.DAT")));
    EXPECT_EQ(errno, EEXIST);
}

// Every form of path resolves as a walk over its components from the start would: exact names
// kept, other spellings matched, a missing remainder kept as given; and FileExists agrees.
TEST_F(FileSystemTest, ResolveCaseOfEveryFormOfPath) {
    ASSERT_TRUE(MakeDirectory(Path("DB50")));
    ASSERT_TRUE(MakeDirectory(Path("DB50/Sub")));
    Write("DB50/SUA.DAT", "abc");
    Write("DB50/Sub/x.dat", "x");
    ASSERT_EQ(::symlink("DB50", Path("link").c_str()), 0);
    const std::string d = dir_;
    struct Case {
        std::string in;
        std::string out;
        bool exists;
    };
    const Case cases[] = {
        {d + "/DB50/SUA.DAT", d + "/DB50/SUA.DAT", true},
        {d + "/DB50/sua.dat", d + "/DB50/SUA.DAT", true},
        {d + "/db50/sua.dat", d + "/DB50/SUA.DAT", true},
        {d + "/DB50/none.dat", d + "/DB50/none.dat", false},
        {d + "/db50/none.dat", d + "/DB50/none.dat", false},
        {d + "/nofolder/none.dat", d + "/nofolder/none.dat", false},
        {d + "/db50/SUB/X.DAT", d + "/DB50/Sub/x.dat", true},
        {d + "/db50/sub/none/y.dat", d + "/DB50/Sub/none/y.dat", false},
        {d + "/DB50//sua.dat", d + "/DB50/SUA.DAT", true},
        {d + "//DB50/none.dat", d + "/DB50/none.dat", false},
        {d + "/DB50/./sua.dat", d + "/DB50/./SUA.DAT", true},
        {d + "/DB50/Sub/../sua.dat", d + "/DB50/Sub/../SUA.DAT", true},
        {d + "/DB50/none/..", d + "/DB50/none/..", false},
        {d + "/DB50/Sub/.", d + "/DB50/Sub/.", true},
        {d + "/db50/", d + "/DB50", true},
        {d + "/LINK/sua.dat", d + "/link/SUA.DAT", true},
        {d + "/link/none.dat", d + "/link/none.dat", false},
        {d + "/DB50/SUA.DAT/none", d + "/DB50/SUA.DAT/none", false},
        {d + "\\db50\\sua.dat", d + "/DB50/SUA.DAT", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolveCase(c.in), c.out) << c.in;
        std::string actual = "unchanged";
        EXPECT_EQ(FileExists(c.in, &actual), c.exists) << c.in;
        EXPECT_EQ(actual, c.exists ? c.out : "unchanged") << c.in;
    }
    // Relative paths from the working folder.
    const std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(Path("DB50"));
    const Case relative[] = {
        {"sua.dat", "SUA.DAT", true},
        {"none.dat", "none.dat", false},
        {"sub/X.dat", "Sub/x.dat", true},
        {"./sub/none", "./Sub/none", false},
        {"../db50/sua.dat", "../DB50/SUA.DAT", true},
    };
    for (const Case& c : relative) {
        EXPECT_EQ(ResolveCase(c.in), c.out) << c.in;
        EXPECT_EQ(FileExists(c.in), c.exists) << c.in;
    }
    std::filesystem::current_path(previous);
}

// An open tells the path it found the file by as ResolveCase spells it afterwards, so that
// owners keying files by path know two spellings of one file for one file; a file the open
// created included.
TEST_F(FileSystemTest, OpenTellsThePathAsResolveCaseSpellsIt) {
    ASSERT_TRUE(MakeDirectory(Path("DB50")));
    Write("DB50/SUA.DAT", "abc");
    const std::string d = dir_;
    for (const std::string& path : {d + "/DB50/SUA.DAT", d + "/db50/sua.dat", d + "\\DB50\\Sua.dat",
                                    d + "/DB50//sua.dat", d + "/db50/NEW.DAT"}) {
        const bool creates = path.find("NEW") != std::string::npos;
        std::string spelt = "unchanged";
        const int fd = OpenFile(path, creates ? O_RDWR | O_CREAT : O_RDWR, Share::DenyReadWrite, 0666, spelt);
        ASSERT_GE(fd, 0) << path;
        EXPECT_EQ(spelt, ResolveCase(path)) << path;
        CloseFile(fd);
    }
    EXPECT_TRUE(FileExists(Path("DB50/NEW.DAT")));
}

// Spellings settled once for many names; an open as spelt makes no look of its own; a delete at
// close leaves a file that another open holds.
TEST_F(FileSystemTest, SpellingsOpensAsSpeltAndDeleteAtClose) {
    ASSERT_TRUE(MakeDirectory(Path("Work")));
    Write("Work/SUAatmp.BIN", "left");
    Write("Work/other.bin", "o");
    const std::vector<std::string> paths =
        SpellingsInFolder(Path("work"), {"suaatmp.bin", "OTHER.BIN", "new.bin", "Other.bin"});
    const std::vector<std::string> expected = {Path("Work/SUAatmp.BIN"), Path("Work/other.bin"), Path("Work/new.bin"),
                                               Path("Work/other.bin")};
    EXPECT_EQ(paths, expected);
    EXPECT_EQ(SpellingsInFolder(Path("none"), {"a.bin"}), std::vector<std::string>{Path("none/a.bin")});
    // Where the exact name is there too, it is the one.
    Write("Work/suaatmp.bin", "exact");
    EXPECT_EQ(SpellingsInFolder(Path("Work"), {"suaatmp.bin", "SUAatmp.BIN"}),
              (std::vector<std::string>{Path("Work/suaatmp.bin"), Path("Work/SUAatmp.BIN")}));
    ASSERT_TRUE(DeleteFile(Path("Work/suaatmp.bin")));

    EXPECT_EQ(OpenFileAsSpelt(Path("Work/suaatmp.bin"), O_RDONLY, Share::DenyNone), -1);
    EXPECT_EQ(errno, ENOENT);
    int fd = OpenFileAsSpelt(paths[0], O_RDWR | O_CREAT | O_TRUNC, Share::DenyNone);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(FileSize(fd), 0);
    const int other = OpenFile(paths[0], O_RDONLY, Share::DenyNone);
    ASSERT_GE(other, 0);
    EXPECT_FALSE(CloseAndDeleteFile(fd, paths[0]));
    EXPECT_EQ(errno, EACCES);
    EXPECT_TRUE(FileExists(paths[0]));
    // Held by another process the same way.
    fd = OpenFile(paths[0], O_RDWR, Share::DenyNone);
    int opened[2], done[2];
    ASSERT_EQ(::pipe(opened), 0);
    ASSERT_EQ(::pipe(done), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        const char held = OpenFile(paths[0], O_RDONLY, Share::DenyNone) >= 0 ? 'y' : 'n';
        char end = 0;
        ::_exit(::write(opened[1], &held, 1) == 1 && ::read(done[0], &end, 1) == 1 ? 0 : 1);
    }
    char held = 0;
    ASSERT_EQ(::read(opened[0], &held, 1), 1);
    EXPECT_EQ(held, 'y');
    CloseFile(other);
    EXPECT_FALSE(CloseAndDeleteFile(fd, paths[0]));
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(::write(done[1], "x", 1), 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (int p : {opened[0], opened[1], done[0], done[1]}) ::close(p);
    // A write-only open that shares the file holds its lock through a second descriptor.
    fd = OpenFile(paths[0], O_WRONLY, Share::DenyNone);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(CloseAndDeleteFile(fd, paths[0]));
    EXPECT_FALSE(FileExists(paths[0]));
    EXPECT_EQ(OpenFile(paths[0], O_RDONLY, Share::DenyReadWrite), -1);
    fd = OpenFileAsSpelt(paths[2], O_RDWR | O_CREAT | O_EXCL, Share::DenyNone);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(CloseAndDeleteFile(fd, paths[2]));
    EXPECT_FALSE(CloseAndDeleteFile(OpenFile(paths[1], O_RDONLY, Share::DenyNone), paths[2]));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(ListDirectory(Path("Work")), std::vector<std::string>{"other.bin"});
}

TEST_F(FileSystemTest, PathPieces) {
    struct Case {
        const char* in;
        const char* dir;
        const char* base;
    } cases[] = {
        {"a\\b\\c.txt", "a/b", "c.txt"},
        {"c.txt", "", "c.txt"},
        {"/c.txt", "/", "c.txt"},
        {"db50/", "db50", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DirName(c.in), c.dir) << c.in;
        EXPECT_EQ(BaseName(c.in), c.base) << c.in;
    }
}

TEST_F(FileSystemTest, PositionedReadsAndWrites) {
    int fd = OpenFile(Path("p.dat"), O_RDWR | O_CREAT, Share::DenyReadWrite);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(WriteAt(fd, "abcd", 4, 10), 4);
    EXPECT_EQ(FileSize(fd), 14);
    char buf[8] = {};
    EXPECT_EQ(ReadAt(fd, buf, 8, 10), 4);  // short read at the end
    EXPECT_EQ(std::string(buf, 4), "abcd");
    EXPECT_EQ(ReadAt(fd, buf, 8, 100), 0);
    CloseFile(fd);
}

}  // namespace

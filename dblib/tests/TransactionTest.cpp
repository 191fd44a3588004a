// The transaction layer: random writes and reads through it against a plain model of the file
// (commits, abandons, a small cache), and the playback of journals left behind.
#include "EngineTestSupport.h"

#include "dblib/Transaction.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <random>

using namespace enginetest;

namespace {

class TransactionModel : public ::testing::TestWithParam<size_t> {
protected:
    void SetUp() override { dbtx::SetSynced(false); }
    void TearDown() override {
        if (dbtx::Active()) dbtx::Abandon();
        dbtx::SetCacheLimit(size_t(64) << 20);
        dbtx::SetSynced(true);
    }
    TempDir dir{"transaction"};
};

// Writes of every size and place (inside pages, across them, past the end, leaving gaps),
// reads (random, and of the whole file in order) checked against the model at each step, the
// file checked at each commit and abandon.
TEST_P(TransactionModel, ReadsAndCommitsMatchAPlainFile) {
    CatchFatal fatal;
    if (GetParam() > 0) dbtx::SetCacheLimit(GetParam());
    const std::string path = dir.File("data.dtx");
    std::mt19937 rng(GetParam() == 0 ? 7 : 11);
    std::vector<uint8_t> committed(5000);
    for (uint8_t& b : committed) b = uint8_t(rng());
    WriteAll(path, committed);
    std::vector<uint8_t> model = committed;

    const int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    dbtx::Opened(fd, path);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    std::vector<uint8_t> buffer;
    for (int step = 0; step < 4000; ++step) {
        const int what = pick(100);
        if (what < 45) {
            // Mostly near the end and in few pages, now and then far out or long.
            const int64_t size = int64_t(model.size());
            int64_t offset = pick(4) == 0 ? size + pick(6000) : std::max<int64_t>(0, size - 1 - pick(int(size)));
            if (pick(3) == 0) offset = (offset / 1024) * 1024;
            const size_t length = pick(10) == 0 ? size_t(1 + pick(9000)) : size_t(1 + pick(300));
            buffer.resize(length);
            for (uint8_t& b : buffer) b = uint8_t(rng());
            ASSERT_EQ(dbtx::WriteAt(fd, buffer.data(), length, offset), long(length)) << "step " << step;
            if (model.size() < size_t(offset) + length) model.resize(size_t(offset) + length, 0);
            std::copy(buffer.begin(), buffer.end(), model.begin() + offset);
            if (!dbtx::Active()) committed = model;
        } else if (what < 85 && pick(8) == 0) {
            // The whole file in order, a page at a time (pages then come several to a read),
            // now and then after the unchanged pages were let go.
            if (pick(2) == 0) dbtx::DropUnchanged(fd);
            buffer.resize(1024);
            for (size_t offset = 0; offset < model.size(); offset += buffer.size()) {
                const size_t expect = std::min(buffer.size(), model.size() - offset);
                ASSERT_EQ(dbtx::ReadAt(fd, buffer.data(), buffer.size(), int64_t(offset)), long(expect)) << "step " << step;
                ASSERT_TRUE(std::equal(buffer.begin(), buffer.begin() + long(expect), model.begin() + long(offset)))
                    << "step " << step << " offset " << offset;
            }
        } else if (what < 85) {
            const int64_t offset = pick(int(model.size()) + 100);
            const size_t length = size_t(1 + pick(pick(5) == 0 ? 5000 : 200));
            buffer.assign(length, 0xEE);
            const size_t expect = size_t(std::max<int64_t>(0, std::min<int64_t>(int64_t(length), int64_t(model.size()) - offset)));
            ASSERT_EQ(dbtx::ReadAt(fd, buffer.data(), length, offset), long(expect)) << "step " << step;
            ASSERT_TRUE(std::equal(buffer.begin(), buffer.begin() + long(expect), model.begin() + offset))
                << "step " << step << " offset " << offset;
            ASSERT_EQ(dbtx::FileSize(fd), int64_t(model.size()));
        } else if (what < 91) {
            dbtx::Begin(dir.path);
        } else if (what < 97) {
            const bool active = dbtx::Active();
            dbtx::Commit();
            if (active) committed = model;
            ASSERT_EQ(ReadAll(path), committed) << "step " << step;
            ASSERT_FALSE(std::filesystem::exists(dir.File(dbtx::kJournalName)));
        } else {
            dbtx::Abandon();
            model = committed;
            ASSERT_EQ(ReadAll(path), committed) << "step " << step;
            ASSERT_EQ(dbtx::FileSize(fd), int64_t(model.size()));
        }
        if (dbtx::Active() && step % 50 == 0) {
            ASSERT_EQ(ReadAll(path), committed) << "changed before the commit";
        }
    }
    dbtx::Commit();
    dbtx::Closing(fd);
    ::close(fd);
    EXPECT_EQ(ReadAll(path), model);
}

// 0 keeps the default (every page held), 16 KB (the least) makes unchanged pages go and come
// back.
INSTANTIATE_TEST_SUITE_P(CacheLimits, TransactionModel, ::testing::Values(size_t(0), size_t(16) << 10));

// Pages of a closed file are taken again for the next file's pages: what the next file reads,
// and the gap a write past its end leaves, are its own bytes and zeros, never the earlier file's.
TEST_F(TransactionModel, PagesOfAClosedFileHoldNothingOfItForTheNext) {
    CatchFatal fatal;
    const std::string first = dir.File("first.dtx"), second = dir.File("second.dtx");
    WriteAll(first, std::vector<uint8_t>(5000, 0xAB));
    std::vector<uint8_t> model(1500, 0x11);
    WriteAll(second, model);
    std::vector<uint8_t> buffer(5000);

    int fd = ::open(first.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    dbtx::Opened(fd, first);
    ASSERT_EQ(dbtx::ReadAt(fd, buffer.data(), 5000, 0), 5000);
    dbtx::Begin(dir.path);
    ASSERT_EQ(dbtx::WriteAt(fd, buffer.data(), 100, 4000), 100);
    dbtx::Commit();
    dbtx::Closing(fd);
    ::close(fd);

    fd = ::open(second.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    dbtx::Opened(fd, second);
    dbtx::Begin(dir.path);
    const std::vector<uint8_t> tail(10, 0x22);
    ASSERT_EQ(dbtx::WriteAt(fd, tail.data(), tail.size(), 4500), long(tail.size()));
    model.resize(4500, 0);
    model.insert(model.end(), tail.begin(), tail.end());
    buffer.assign(5000, 0xEE);
    ASSERT_EQ(dbtx::ReadAt(fd, buffer.data(), 5000, 0), long(model.size()));
    EXPECT_TRUE(std::equal(model.begin(), model.end(), buffer.begin()));
    dbtx::Commit();
    dbtx::Closing(fd);
    ::close(fd);
    EXPECT_EQ(ReadAll(second), model);
}

// A walk in another order than the file's (an index walk over its data file) reads each group
// of sixteen pages once; a changed page in the group keeps its new bytes.
TEST_F(TransactionModel, PagesReadOutOfOrderComeInGroups) {
    CatchFatal fatal;
    const std::string path = dir.File("walk.dta");
    std::vector<uint8_t> model(64 * 1024);
    for (size_t i = 0; i < model.size(); ++i) model[i] = uint8_t(i * 7 + i / 1024);
    WriteAll(path, model);
    const int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    dbtx::Opened(fd, path);
    dbtx::Begin(dir.path);
    const std::vector<uint8_t> changed(1024, 0x5A);
    const uint64_t before = dbtx::Counts().reads;
    ASSERT_EQ(dbtx::WriteAt(fd, changed.data(), changed.size(), 37 * 1024), 1024);
    std::copy(changed.begin(), changed.end(), model.begin() + 37 * 1024);

    std::vector<uint8_t> page(1024);
    for (int p = 63; p >= 0; p -= 3) {
        ASSERT_EQ(dbtx::ReadAt(fd, page.data(), page.size(), p * 1024), 1024);
        EXPECT_TRUE(std::equal(page.begin(), page.end(), model.begin() + p * 1024)) << "page " << p;
    }
    // Groups 32-47 (for the write of page 37), 48-63, 16-31 and 0-15.
    EXPECT_EQ(dbtx::Counts().reads - before, 4u);
    dbtx::Commit();
    dbtx::Closing(fd);
    ::close(fd);
    EXPECT_EQ(ReadAll(path), model);
}

// Pages kept at a close serve the next open only while the file is the one they came from:
// rewritten in place at the same length, replaced, grown, or changed within the clock tick of
// its last change before the close (when a change time may repeat), it is read again.
TEST_F(TransactionModel, PagesKeptAtCloseServeOnlyTheUnchangedFile) {
    enum class Change { None, InPlace, Replaced, Grown };
    struct Case {
        const char* what;
        bool keep;
        bool settled;   // the file's last change lies ticks before the close
        Change change;
        bool reused;
    };
    const Case cases[] = {
        {"unchanged", true, true, Change::None, true},
        {"closed without keeping", false, true, Change::None, false},
        {"rewritten in place", true, true, Change::InPlace, false},
        {"replaced by another file", true, true, Change::Replaced, false},
        {"grown", true, true, Change::Grown, false},
        {"rewritten in place within the tick", true, false, Change::InPlace, false},
    };
    timespec tick;
    ASSERT_EQ(::clock_getres(CLOCK_REALTIME_COARSE, &tick), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.File("kept.dta");
        std::vector<uint8_t> bytes(5000, 0x11);
        WriteAll(path, bytes);
        if (c.settled) ::usleep(useconds_t(2 * (tick.tv_sec * 1000000 + tick.tv_nsec / 1000) + 1000));
        std::vector<uint8_t> buffer(bytes.size());
        int fd = ::open(path.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        dbtx::Opened(fd, path);
        ASSERT_EQ(dbtx::ReadAt(fd, buffer.data(), buffer.size(), 0), long(buffer.size()));
        if (c.keep) dbtx::KeepPagesAtClose(fd);
        dbtx::Closing(fd);
        ::close(fd);

        if (c.change == Change::InPlace) {
            const int other = ::open(path.c_str(), O_RDWR);
            ASSERT_GE(other, 0);
            const uint8_t changed[4] = {0x22, 0x22, 0x22, 0x22};
            ASSERT_EQ(::pwrite(other, changed, sizeof changed, 2000), long(sizeof changed));
            ::close(other);
            std::fill(bytes.begin() + 2000, bytes.begin() + 2004, 0x22);
        } else if (c.change == Change::Replaced) {
            bytes.assign(bytes.size(), 0x33);
            WriteAll(dir.File("new.dta"), bytes);
            ASSERT_EQ(::rename(dir.File("new.dta").c_str(), path.c_str()), 0);
        } else if (c.change == Change::Grown) {
            bytes.resize(6000, 0x44);
            WriteAll(path, bytes);
        }

        const uint64_t before = dbtx::Counts().reads;
        fd = ::open(path.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        dbtx::Opened(fd, path);
        buffer.assign(bytes.size(), 0);
        EXPECT_EQ(dbtx::ReadAt(fd, buffer.data(), buffer.size(), 0), long(bytes.size()));
        EXPECT_EQ(buffer, bytes);
        EXPECT_EQ(dbtx::Counts().reads == before, c.reused);
        dbtx::Closing(fd);
        ::close(fd);
    }
}

// ---- Journal playback -------------------------------------------------------------------------

// A journal as a commit leaves it, written here from the format: magic, entries ('S' path,
// old length; 'P' path, offset, length, old bytes), "END." and the checksum of all before it.
struct Journal {
    std::string bytes;
    explicit Journal(const char* magic) : bytes(magic, 8) {}
    template <class T>
    void Put(T v) { bytes.append(reinterpret_cast<const char*>(&v), sizeof v); }
    void Path(char type, const std::string& path) {
        bytes.push_back(type);
        Put(uint16_t(path.size()));
        bytes += path;
    }
    void Size(const std::string& path, int64_t size) {
        Path('S', path);
        Put(size);
    }
    void Old(const std::string& path, int64_t offset, const std::vector<uint8_t>& old) {
        Path('P', path);
        Put(offset);
        Put(uint32_t(old.size()));
        bytes.append(old.begin(), old.end());
    }
    // Version 1: FNV-1a over the bytes, 4 bytes.
    void End1() {
        bytes += "END.";
        uint32_t h = 2166136261u;
        for (unsigned char c : bytes) h = (h ^ c) * 16777619u;
        Put(h);
    }
    // Version 2: the same over little-endian 64-bit words (the tail byte by byte), each step
    // folded with a shift, 8 bytes.
    void End2() {
        bytes += "END.";
        uint64_t h = 14695981039346656037ull;
        size_t i = 0;
        for (; i + 8 <= bytes.size(); i += 8) {
            uint64_t w = 0;
            for (int k = 7; k >= 0; --k) w = w << 8 | uint8_t(bytes[i + size_t(k)]);
            h = (h ^ w) * 1099511628211ull;
            h ^= h >> 29;
        }
        for (; i < bytes.size(); ++i) h = (h ^ uint8_t(bytes[i])) * 1099511628211ull;
        Put(h);
    }
};

TEST(TransactionJournal, PlaybackTable) {
    struct Case {
        const char* name;
        const char* magic;
        int version;
        size_t cut;      // bytes cut off the end
        int flip;        // byte flipped from the end (0 none)
        bool played;     // the old bytes come back
    };
    const Case cases[] = {
        {"version 1 whole", "DBJOURN1", 1, 0, 0, true},
        {"version 2 whole", "DBJOURN2", 2, 0, 0, true},
        {"version 1 cut short", "DBJOURN1", 1, 3, 0, false},
        {"version 2 cut short", "DBJOURN2", 2, 9, 0, false},
        {"version 2 cut in an entry", "DBJOURN2", 2, 700, 0, false},
        {"version 1 bad checksum", "DBJOURN1", 1, 0, 20, false},
        {"version 2 bad checksum", "DBJOURN2", 2, 0, 20, false},
        {"version 2 summed byte-wise", "DBJOURN2", 1, 0, 0, false},
        {"unknown magic", "DBJOURN3", 2, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir("journal");
        const std::string a = dir.File("a.dta"), b = dir.File("b.dtx"), gone = dir.File("gone.dta");
        std::vector<uint8_t> oldA(3000), oldB(2048);
        for (size_t i = 0; i < oldA.size(); ++i) oldA[i] = uint8_t(i * 3);
        for (size_t i = 0; i < oldB.size(); ++i) oldB[i] = uint8_t(i * 5 + 1);
        // The state the interrupted commit left: a grown and partly rewritten, b rewritten.
        std::vector<uint8_t> newA(5000, 0x11), newB(2048, 0x22);
        WriteAll(a, newA);
        WriteAll(b, newB);

        Journal j(c.magic);
        j.Size(a, int64_t(oldA.size()));
        j.Old(a, 0, {oldA.begin(), oldA.begin() + 1024});
        j.Old(a, 2048, {oldA.begin() + 2048, oldA.end()});
        j.Size(b, int64_t(oldB.size()));
        j.Old(b, 1024, {oldB.begin() + 1024, oldB.end()});
        j.Size(gone, 0);   // made in the transaction and gone since
        if (c.version == 1) j.End1(); else j.End2();
        if (c.flip) j.bytes[j.bytes.size() - size_t(c.flip)] ^= 0x40;
        j.bytes.resize(j.bytes.size() - c.cut);
        const std::string journal = dir.File(dbtx::kJournalName);
        WriteAll(journal, std::vector<uint8_t>(j.bytes.begin(), j.bytes.end()));

        ASSERT_TRUE(dbtx::Recover(dir.path));
        EXPECT_FALSE(std::filesystem::exists(journal));
        EXPECT_FALSE(std::filesystem::exists(gone));
        std::vector<uint8_t> wantA = newA, wantB = newB;
        if (c.played) {
            wantA.assign(oldA.begin(), oldA.end());
            std::copy(newA.begin() + 1024, newA.begin() + 2048, wantA.begin() + 1024);
            wantB = newB;
            std::copy(oldB.begin() + 1024, oldB.end(), wantB.begin() + 1024);
        }
        EXPECT_EQ(ReadAll(a), wantA);
        EXPECT_EQ(ReadAll(b), wantB);
    }
}

TEST(TransactionJournal, NoJournalIsNothingToDo) {
    TempDir dir("journal");
    EXPECT_TRUE(dbtx::Recover(dir.path));
}

// A commit whose file write fails after its journal went out undoes itself from that journal:
// the journal a commit writes is whole and restores every file.
TEST(TransactionJournal, FailedCommitPlaysItsJournalBack) {
    TempDir dir("journal");
    const std::string path = dir.File("x.dtx");
    std::vector<uint8_t> before(4096);
    for (size_t i = 0; i < before.size(); ++i) before[i] = uint8_t(i * 13);
    WriteAll(path, before);
    const pid_t pid = ::fork();
    if (pid == 0) {
        dbtx::SetSynced(false);
        const int fd = ::open(path.c_str(), O_RDWR);
        dbtx::Opened(fd, path);
        dbtx::Begin(dir.path);
        std::vector<uint8_t> bytes(3000, 0x5A);
        // Pages 0-3 rewritten, the file grown past the size limit below.
        if (dbtx::WriteAt(fd, bytes.data(), bytes.size(), 500) != 3000) _exit(2);
        if (dbtx::WriteAt(fd, bytes.data(), bytes.size(), 6000) != 3000) _exit(2);
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{6500, 6500};   // room for the journal, not for the grown file
        ::setrlimit(RLIMIT_FSIZE, &limit);
        dbtx::Commit();
        _exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the commit must fail";
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_FALSE(std::filesystem::exists(dir.File(dbtx::kJournalName)));
}

}  // namespace

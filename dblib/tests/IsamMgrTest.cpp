// IsamMgr: key encoding, keyed access, undo of duplicate keys, rebuilds, hooks and the
// exclusive open between processes.
#include "EngineTestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"

#include <chrono>
#include <sys/wait.h>
#include <unistd.h>

using namespace enginetest;

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> v) {
    return std::vector<uint8_t>(v.begin(), v.end());
}

class IsamMgrTest : public ::testing::Test {
protected:
    std::unique_ptr<TestRec> Make(int mode = 0) {
        return std::make_unique<TestRec>(dta, dtx, mode);
    }
    // The ids of the records in the order of an index.
    static std::vector<int32_t> Walk(TestRec& t, const char* index) {
        std::vector<int32_t> ids;
        t.SelectIndex(index);
        t.Rewind();
        while (t.Next(1) == 0) ids.push_back(t.id);
        return ids;
    }
    static std::vector<std::vector<int32_t>> WalkAll(TestRec& t) {
        return {Walk(t, "id"), Walk(t, "name"), Walk(t, "grp"), Walk(t, "code")};
    }
    static void Add(TestRec& t, int32_t id, const char* name, int32_t grp, const char* code) {
        t.Set(id, name, grp, code);
        ASSERT_EQ(t.Insert(), 0) << id;
    }
    // Records 1..5 in slots 0..4.
    static void AddFive(TestRec& t) {
        Add(t, 1, "BRAVO", 30, "A1");
        Add(t, 2, "ALPHA", 10, "B2");
        Add(t, 3, "BRAVO", 20, "C3");
        Add(t, 4, "ALPHA", 20, "D4");
        Add(t, 5, "CHARLIE", 10, "E5");
    }

    TempDir dir;
    std::string dta = dir.File("test.dta");
    std::string dtx = dir.File("test.dtx");
    CatchFatal fatal;
};

TEST_F(IsamMgrTest, SortKeyNumberOrdersSignedNumbersBytewise) {
    struct {
        int32_t value;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {-1, Bytes({0x7F, 0xFF, 0xFF, 0xFF})},  {0, Bytes({0x80, 0, 0, 0})},
        {1, Bytes({0x80, 0, 0, 1})},            {INT32_MIN, Bytes({0, 0, 0, 0})},
        {INT32_MAX, Bytes({0xFF, 0xFF, 0xFF, 0xFF})}, {500000, Bytes({0x80, 0x07, 0xA1, 0x20})},
    };
    for (const auto& c : cases) {
        uint8_t out[4];
        IsamMgr::SortKeyNumber(out, c.value);
        EXPECT_EQ(std::vector<uint8_t>(out, out + 4), c.bytes) << c.value;
    }
}

TEST_F(IsamMgrTest, KeysAreBuiltFromTheDeclaredParts) {
    auto t = Make();
    t->Set(-2, "ABC", 7, "WXYZ");
    struct {
        int index;
        std::vector<uint8_t> key;
    } cases[] = {
        {0, Bytes({0x7F, 0xFF, 0xFF, 0xFE})},
        {1, Bytes({'A', 'B', 'C', 0, 0, 0, 0, 0, 0x80, 0, 0, 9})},
        {2, Bytes({0x80, 0, 0, 7, 0x80, 0, 0, 9})},
        {3, Bytes({'W', 'X', 'Y', 'Z'})},      // exactly 4 bytes, no terminator needed
        {7, Bytes({0x80, 0, 0, 9})},           // an undeclared index: the record number
    };
    for (const auto& c : cases) {
        t->BuildKey(c.index, 9);
        EXPECT_EQ(std::vector<uint8_t>(t->KeyBuffer(), t->KeyBuffer() + c.key.size()), c.key)
            << "index " << c.index;
    }
    // An 8-character name fills its key without a terminator.
    std::memcpy(t->name, "ABCDEFGH", 8);
    t->BuildKey(1, 0);
    EXPECT_EQ(0, std::memcmp(t->KeyBuffer(), "ABCDEFGH\x80\0\0\0", 12));
}

TEST_F(IsamMgrTest, FindOnNonUniqueIndexGivesLowestRecordNumberThenNext) {
    auto t = Make();
    AddFive(*t);
    t->SelectIndex("name");
    t->Set(0, "BRAVO", 0, "");
    ASSERT_EQ(t->Find(), 0);
    EXPECT_EQ(t->id, 1);
    EXPECT_EQ(t->CurrentSlot(), 0);
    ASSERT_EQ(t->Next(1), 0);
    EXPECT_EQ(t->id, 3);
    ASSERT_EQ(t->Next(1), 0);
    EXPECT_EQ(t->id, 5);
    EXPECT_EQ(t->Next(1), -1);
    EXPECT_FALSE(t->HasCurrent());
    EXPECT_EQ(WalkAll(*t), (std::vector<std::vector<int32_t>>{
                               {1, 2, 3, 4, 5}, {2, 4, 1, 3, 5}, {2, 5, 3, 4, 1}, {1, 2, 3, 4, 5}}));
}

TEST_F(IsamMgrTest, FindMissLeavesPositionWhereTheKeyWouldStand) {
    auto t = Make();
    for (int id : {10, 20, 30}) Add(*t, id, "N", id, std::to_string(id).c_str());
    t->SelectIndex("id");
    struct {
        int32_t key;
        int prevResult;
        int32_t prevId;
        int currentResult;
        int32_t currentId;
    } cases[] = {
        {25, 0, 20, 0, 30}, {5, -1, 0, 0, 10}, {31, 0, 30, -1, 0}, {500000, 0, 30, -1, 0}};
    for (const auto& c : cases) {
        t->id = c.key;
        ASSERT_EQ(t->Find(), -1) << c.key;
        EXPECT_FALSE(t->HasCurrent());
        t->id = 0;
        EXPECT_EQ(t->ReadCurrent(), c.currentResult) << c.key;
        if (c.currentResult == 0) {
            EXPECT_EQ(t->id, c.currentId) << c.key;
        }
        t->id = c.key;
        (void)t->Find();
        t->id = 0;
        EXPECT_EQ(t->Prev(1), c.prevResult) << c.key;
        if (c.prevResult == 0) {
            EXPECT_EQ(t->id, c.prevId) << c.key;
        }
    }
}

TEST_F(IsamMgrTest, DuplicateUniqueKeyInInsertUndoesEverything) {
    auto t = Make();
    AddFive(*t);
    const auto before = WalkAll(*t);
    // Clash in the last index (code): three indexes already took the key.
    t->Set(6, "DELTA", 5, "C3");
    EXPECT_EQ(t->Insert(), -1);
    EXPECT_FALSE(t->HasCurrent());
    // Clash in the first index.
    t->Set(2, "ECHO", 5, "Z9");
    EXPECT_EQ(t->Insert(), -1);
    EXPECT_EQ(WalkAll(*t), before);
    // The appended slot stays as a deleted slot at the head of the free list.
    EXPECT_EQ(t->SlotCount(), 6);
    EXPECT_EQ(t->FreeListHead(), 5);
    t->Set(6, "DELTA", 5, "F6");
    ASSERT_EQ(t->Insert(), 0);
    EXPECT_EQ(t->CurrentSlot(), 5);
    EXPECT_EQ(t->SlotCount(), 6);
    // The position follows the inserted record.
    t->SelectIndex("grp");
    t->Set(0, "", 5, "");
    ASSERT_EQ(t->Find(), 0);
    EXPECT_EQ(t->id, 6);
}

TEST_F(IsamMgrTest, AmendReKeysOnlyChangedIndexes) {
    auto t = Make();
    AddFive(*t);
    t->Close();
    const std::vector<uint8_t> dtxBefore = ReadAll(dtx);
    ASSERT_EQ(t->Open(), 0);
    // A non-key field only: no index file write at all.
    t->SelectIndex("id");
    t->id = 3;
    ASSERT_EQ(t->Find(), 0);
    t->extra = 777;
    ASSERT_EQ(t->Amend(), 0);
    t->Close();
    EXPECT_EQ(ReadAll(dtx), dtxBefore);
    ASSERT_EQ(t->Open(), 0);
    t->SelectIndex("id");
    t->id = 3;
    ASSERT_EQ(t->Find(), 0);
    EXPECT_EQ(t->extra, 777);

    // The grp key only: that index is re-keyed, the others keep their order.
    t->SelectIndex("name");
    t->Set(0, "ALPHA", 0, "");
    ASSERT_EQ(t->Find(), 0);
    ASSERT_EQ(t->id, 2);
    t->grp = 99;
    ASSERT_EQ(t->Amend(), 0);
    EXPECT_EQ(t->grp, 99);
    // Positioned on the amended record in the current index.
    ASSERT_EQ(t->Next(1), 0);
    EXPECT_EQ(t->id, 4);
    EXPECT_EQ(WalkAll(*t), (std::vector<std::vector<int32_t>>{
                               {1, 2, 3, 4, 5}, {2, 4, 1, 3, 5}, {5, 3, 4, 1, 2}, {1, 2, 3, 4, 5}}));
}

TEST_F(IsamMgrTest, DuplicateUniqueKeyInAmendUndoesAndKeepsCallersValues) {
    auto t = Make();
    AddFive(*t);
    const auto before = WalkAll(*t);
    const std::vector<uint8_t> dtaBefore = ReadAll(dta);
    t->SelectIndex("grp");
    t->Set(0, "", 20, "");
    ASSERT_EQ(t->Find(), 0);
    ASSERT_EQ(t->id, 3);
    // name and grp change (re-keyed first), then code clashes with record 5.
    t->Set(3, "ZULU", 77, "E5", 1);
    EXPECT_EQ(t->Amend(), -1);
    EXPECT_EQ(std::string(t->name), "ZULU");
    EXPECT_EQ(t->grp, 77);
    EXPECT_EQ(t->CurrentSlot(), 2);
    // The current index is back on the old record.
    t->Set(0, "", 0, "");
    ASSERT_EQ(t->ReadCurrent(), 0);
    EXPECT_EQ(t->id, 3);
    EXPECT_EQ(t->grp, 20);
    EXPECT_EQ(ReadAll(dta), dtaBefore);
    EXPECT_EQ(WalkAll(*t), before);
    // Without a current record.
    t->Rewind();
    EXPECT_EQ(t->Amend(), -1);
    EXPECT_EQ(t->Erase(), -1);
}

TEST_F(IsamMgrTest, EraseThenNextVisitsTheFollowingRecord) {
    auto t = Make();
    AddFive(*t);
    t->SelectIndex("name");
    t->Set(0, "ALPHA", 0, "");
    ASSERT_EQ(t->Find(), 0);   // id 2
    ASSERT_EQ(t->Next(1), 0);  // id 4
    t->grp = 12345;            // changed fields do not mislead the erase
    ASSERT_EQ(t->Erase(), 0);
    EXPECT_FALSE(t->HasCurrent());
    ASSERT_EQ(t->Next(1), 0);
    EXPECT_EQ(t->id, 1);
    EXPECT_EQ(WalkAll(*t), (std::vector<std::vector<int32_t>>{
                               {1, 2, 3, 5}, {2, 1, 3, 5}, {2, 5, 3, 1}, {1, 2, 3, 5}}));
    // Clearing a whole file: Rewind, then Erase while Next(1) gives a record.
    t->SelectIndex("grp");
    t->Rewind();
    while (t->Next(1) == 0) ASSERT_EQ(t->Erase(), 0);
    for (const auto& w : WalkAll(*t)) EXPECT_TRUE(w.empty());
    t->SelectIndexNumber(IsamMgr::kFileOrder);
    t->Rewind();
    EXPECT_EQ(t->Next(1), -1);
}

TEST_F(IsamMgrTest, FileOrderWalkAndPrevWithoutIndex) {
    auto t = Make();
    AddFive(*t);
    t->SelectIndex("id");
    t->id = 2;
    ASSERT_EQ(t->Find(), 0);
    ASSERT_EQ(t->Erase(), 0);
    t->SelectIndexNumber(IsamMgr::kFileOrder);
    t->Rewind();
    std::vector<int32_t> ids;
    while (t->Next(1) == 0) ids.push_back(t->id);
    EXPECT_EQ(ids, (std::vector<int32_t>{1, 3, 4, 5}));
    t->Rewind();
    EXPECT_EQ(t->Next(2), 0);
    EXPECT_EQ(t->id, 3);
    EXPECT_EQ(t->Next(0), 0);
    EXPECT_EQ(t->Next(-2), -2);
    EXPECT_EQ(t->id, 3);
    EXPECT_EQ(t->Prev(1), -1);
    EXPECT_EQ(t->id, 3);
    EXPECT_EQ(t->Find(), -1);
}

TEST_F(IsamMgrTest, MissingIndexFileIsRebuiltWithStatusTexts) {
    {
        auto t = Make();
        AddFive(*t);
    }
    ASSERT_TRUE(platform::DeleteFile(dtx));
    auto t = Make(IsamMgr::kModeClose);
    EXPECT_FALSE(t->IsOpen());
    std::vector<std::string> expected;
    for (const char* name : {"id", "name", "grp", "code"}) {
        expected.push_back("Rebuilding Index File: \"" + dtx + "\", Name: \"" + name + "\"");
        expected.push_back("Index Completed");
    }
    EXPECT_EQ(fatal.status, expected);
    ASSERT_EQ(t->Open(), 0);
    EXPECT_EQ(WalkAll(*t), (std::vector<std::vector<int32_t>>{
                               {1, 2, 3, 4, 5}, {2, 4, 1, 3, 5}, {2, 5, 3, 4, 1}, {1, 2, 3, 4, 5}}));
    // Lost while the record file was closed: rebuilt when it opens again.
    t->Close();
    ASSERT_TRUE(platform::DeleteFile(dtx));
    fatal.status.clear();
    ASSERT_EQ(t->Open(), 0);
    EXPECT_EQ(fatal.status.size(), 8u);
    EXPECT_EQ(Walk(*t, "grp"), (std::vector<int32_t>{2, 5, 3, 4, 1}));
}

TEST_F(IsamMgrTest, MissingDataFileBesideAnIndexWithEntriesIsDamage) {
    {
        auto t = Make();
        AddFive(*t);
    }
    // The data file went, the index file stayed: its entries name records that are gone.
    ASSERT_TRUE(platform::DeleteFile(dta));
    const std::vector<uint8_t> index = ReadAll(dtx);
    EXPECT_THROW(Make(), Fatal);
    EXPECT_EQ(fatal.error, "Error: File Damaged (missing " + dta + ")");
    EXPECT_FALSE(platform::FileExists(dta)) << "nothing is made";
    EXPECT_EQ(ReadAll(dtx), index) << "nor changed";
    IsamClearFatal();

    // An index without entries is only made afresh.
    ASSERT_TRUE(platform::DeleteFile(dtx));
    {
        auto t = Make();
        AddFive(*t);
        t->SelectIndex("id");
        t->Rewind();
        while (t->Next(1) == 0) ASSERT_EQ(t->Erase(), 0);
    }
    ASSERT_TRUE(platform::DeleteFile(dta));
    auto t = Make();
    EXPECT_TRUE(fatal.status.empty());
    for (const auto& w : WalkAll(*t)) EXPECT_TRUE(w.empty());
    Add(*t, 1, "A", 1, "A");
    EXPECT_EQ(WalkAll(*t), (std::vector<std::vector<int32_t>>{{1}, {1}, {1}, {1}}));
}

TEST_F(IsamMgrTest, FileThatMayNotBeWrittenIsNamedWithTheReason) {
    {
        auto t = Make();
        AddFive(*t);
    }
    ASSERT_EQ(::chmod(dir.path.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(dtx.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dta.c_str(), 0444), 0);
    const std::vector<uint8_t> before = ReadAll(dta);
    // Permissions do not bind the superuser: the open runs in a child as an ordinary user.
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(out[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        std::string message = "opened";
        try {
            Make();
        } catch (const Fatal&) {
            message = fatal.error;
        }
        (void)!::write(out[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(out[1]);
    std::string message;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) message.append(buffer, size_t(n));
    ::close(out[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(message, "Cannot open " + dta + " for writing: Permission denied");
    EXPECT_EQ(ReadAll(dta), before);
    ASSERT_EQ(::chmod(dta.c_str(), 0644), 0);
}

TEST_F(IsamMgrTest, ModeCloseAndClosedFileOperations) {
    {
        auto t = Make();
        AddFive(*t);
    }
    auto t = Make(IsamMgr::kModeClose);
    EXPECT_FALSE(t->IsOpen());
    t->id = 1;
    EXPECT_EQ(t->Find(), -1);
    EXPECT_EQ(t->Next(1), -1);
    EXPECT_EQ(t->Insert(), -1);
    ASSERT_EQ(t->Open(), 0);
    ASSERT_EQ(t->Find(), 0);
    EXPECT_EQ(std::string(t->name), "BRAVO");
    t->Close();
    EXPECT_EQ(std::string(t->name), "BRAVO");   // the record last read stays readable
    EXPECT_EQ(t->ReadCurrent(), -1);
}

TEST_F(IsamMgrTest, UnknownIndexNameAndChangedLayoutAreFatal) {
    auto t = Make();
    EXPECT_THROW(t->SelectIndex("ID"), Fatal);
    EXPECT_EQ(fatal.error, "Invalid Index Name");
    IsamClearFatal();
    t.reset();
    // The same files read by a class whose record is 8 bytes long.
    EXPECT_THROW(NumRec(dta, dtx), Fatal);
    EXPECT_EQ(fatal.error, kIsamOutOfSync);
}

TEST_F(IsamMgrTest, MessagesAreCutTo127Characters) {
    IsamStatus("%s", std::string(300, 'x').c_str());
    ASSERT_EQ(fatal.status.size(), 1u);
    EXPECT_EQ(fatal.status[0], std::string(127, 'x'));
    EXPECT_THROW(IsamFatal("bad %d", 7), Fatal);
    EXPECT_EQ(fatal.error, "bad 7");
    EXPECT_TRUE(IsamFatalPending());
}

// Without an exit handler, the fatal path ends the process with exit code 1.
TEST_F(IsamMgrTest, FatalEndsTheProcessWithCodeOne) {
    fflush(nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        IsamSetExitHandler(nullptr);
        IsamSetErrorHook(nullptr);
        IsamFatal("Invalid Index Name");
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

// A second process cannot open a record file while the first holds it.
TEST_F(IsamMgrTest, ExclusiveOpenIsRefusedToASecondProcess) {
    {
        auto t = Make();
        AddFive(*t);
    }
    auto t = Make(IsamMgr::kModeClose);
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    fflush(nullptr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int code = 0;
        {
            TestRec holder(dta, dtx);
            char c = holder.IsOpen() ? 'y' : 'n';
            code = write(ready[1], &c, 1) == 1 ? 0 : 2;
            code |= read(release[0], &c, 1) == 1 ? 0 : 4;
        }
        _exit(code);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    // A record file constructed while held elsewhere stays closed.
    TestRec late(dta, dtx);
    EXPECT_FALSE(late.IsOpen());
    EXPECT_EQ(late.Find(), -1);

    fatal.status.clear();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(t->Open(), -1);
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(waited, 1.0);
    EXPECT_LT(waited, 5.0);
    EXPECT_FALSE(t->IsOpen());
    ASSERT_EQ(fatal.status.size(), 1u);
    EXPECT_EQ(fatal.status[0], "Error: File held by another program: " + dta);
    t->id = 1;
    EXPECT_EQ(t->Find(), -1);

    ASSERT_EQ(write(release[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);

    ASSERT_EQ(t->Open(), 0);
    EXPECT_EQ(Walk(*t, "id"), (std::vector<int32_t>{1, 2, 3, 4, 5}));
    t->Close();
    ASSERT_EQ(late.Open(), 0);
    EXPECT_EQ(WalkAll(late), (std::vector<std::vector<int32_t>>{
                                 {1, 2, 3, 4, 5}, {2, 4, 1, 3, 5}, {2, 5, 3, 4, 1}, {1, 2, 3, 4, 5}}));
}

}  // namespace

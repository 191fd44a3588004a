// IndexMgr: node capacities, splits, deletion with separator updates and freed nodes, and the
// position after DeleteKey.
#include "EngineTestSupport.h"

#include "dblib/IndexMgr.h"

#include <algorithm>
#include <random>
#include <set>

using namespace enginetest;

namespace {

struct Key4 {
    explicit Key4(int32_t v) { IsamMgr::SortKeyNumber(b, v); }
    uint8_t b[4];
};

int32_t KeyValue(const uint8_t* k) {
    return int32_t((uint32_t(k[0]) << 24 | uint32_t(k[1]) << 16 | uint32_t(k[2]) << 8 | k[3]) -
                   0x80000000u);
}

class IndexMgrTest : public ::testing::Test {
protected:
    // Inserts keys with record number = 1000 + key.
    void InsertRange(IndexMgr& idx, int from, int to) {
        for (int k = from; k <= to; ++k) ASSERT_EQ(idx.InsertKey(1000 + k, Key4(k).b), 0) << k;
    }
    std::vector<int32_t> Walk(IndexMgr& idx) {
        std::vector<int32_t> recs;
        idx.Rewind();
        for (int32_t r; (r = idx.Next(1)) >= 0;) recs.push_back(r);
        return recs;
    }
    void Delete(IndexMgr& idx, int k) {
        ASSERT_EQ(idx.Search(Key4(k).b), 1000 + k);
        ASSERT_EQ(idx.DeleteKey(), 0);
    }

    TempDir dir;
    std::string path = dir.File("t.dtx");
    CatchFatal fatal;
};

TEST_F(IndexMgrTest, NodeCapacities) {
    struct {
        int keyLength;
        int capacity;
    } cases[] = {{4, 125}, {8, 83}, {12, 62}, {24, 35}, {32, 27}};
    for (auto c : cases) EXPECT_EQ(IndexNode(c.keyLength).Capacity(), c.capacity) << c.keyLength;
    EXPECT_THROW(IndexMgr(path, 0, true), Fatal);
    EXPECT_EQ(fatal.error, "Error: Index Item Size Is Zero!");
}

TEST_F(IndexMgrTest, NewIndexIsOneEmptyLeaf) {
    {
        IndexMgr idx(path, 4, true);
        EXPECT_TRUE(idx.CreatedNow());
        EXPECT_EQ(idx.Search(Key4(5).b), -1);
        idx.Rewind();
        EXPECT_EQ(idx.Next(1), -1);
        EXPECT_EQ(idx.Prev(1), -1);
        EXPECT_EQ(idx.DeleteKey(), -1);
    }
    std::vector<uint8_t> b = ReadAll(path);
    ASSERT_EQ(b.size(), 2048u);
    EXPECT_EQ(Le16(b, 2), 1024);   // slot length
    EXPECT_EQ(Le32(b, 4), 1);      // one node
    EXPECT_EQ(Le16(b, 12), 1);     // index count
    EXPECT_EQ(Le32(b, 16), 0);     // root
    EXPECT_EQ(Le32(b, 20), 0);     // first leaf
    EXPECT_EQ(Le32(b, 24), -1);    // exists
    EXPECT_EQ(Le16(b, 28), 8);     // item size
    EXPECT_EQ(Le32(b, 1026), -1);  // no previous node
    EXPECT_EQ(Le32(b, 1030), -1);  // no next node
    EXPECT_EQ(Le16(b, 1034), 0);   // no entries
    EXPECT_EQ(Le16(b, 1036), 0xFFFF);
    IndexMgr again(path, 4, true);
    EXPECT_FALSE(again.CreatedNow());
}

TEST_F(IndexMgrTest, The125thFourByteKeySplitsTheRootLeaf) {
    IndexMgr idx(path, 4, true);
    InsertRange(idx, 1, 124);
    idx.ReadNode(idx.Root());
    EXPECT_TRUE(idx.Node().IsLeaf());
    EXPECT_EQ(idx.Node().Count(), 124);

    InsertRange(idx, 125, 125);
    const int32_t oldLeaf = idx.FirstLeaf();
    idx.ReadNode(idx.Root());
    ASSERT_FALSE(idx.Node().IsLeaf());
    ASSERT_EQ(idx.Node().Count(), 2);
    EXPECT_EQ(idx.Node().Pointer(0), oldLeaf);
    EXPECT_EQ(KeyValue(idx.Node().Key(0)), 62);
    EXPECT_EQ(KeyValue(idx.Node().Key(1)), 125);
    const int32_t right = idx.Node().Pointer(1);
    idx.ReadNode(oldLeaf);
    EXPECT_EQ(idx.Node().Count(), 62);
    EXPECT_EQ(idx.Node().NextNode(), right);
    idx.ReadNode(right);
    EXPECT_EQ(idx.Node().Count(), 63);
    EXPECT_EQ(idx.Node().PrevNode(), oldLeaf);
    EXPECT_EQ(CheckTree(idx), 125u);
    // The inserted key is under the cursor after a split.
    EXPECT_EQ(idx.Search(Key4(125).b), 1125);
}

TEST_F(IndexMgrTest, DuplicateKeyInUniqueIndexChangesNothing) {
    IndexMgr idx(path, 4, true);
    InsertRange(idx, 1, 10);
    EXPECT_EQ(idx.InsertKey(77, Key4(4).b), IndexMgr::kDuplicate);
    EXPECT_EQ(idx.Search(Key4(4).b), 1004);
    EXPECT_EQ(Walk(idx).size(), 10u);
}

TEST_F(IndexMgrTest, DeletingLastEntryOfALeafLowersSeparatorsUpTheTree) {
    IndexMgr idx(path, 4, true);
    InsertRange(idx, 1, 8000);   // three levels
    idx.Search(Key4(1).b);
    ASSERT_EQ(idx.Depth(), 3);
    // The last key of the first inner node's subtree: its leaf is the last child there.
    idx.ReadNode(idx.Root());
    const int32_t firstInner = idx.Node().Pointer(0);
    const int32_t rootSep = KeyValue(idx.Node().Key(0));
    idx.ReadNode(firstInner);
    EXPECT_EQ(KeyValue(idx.Node().Key(idx.Node().Count() - 1)), rootSep);

    Delete(idx, rootSep);
    idx.ReadNode(idx.Root());
    EXPECT_EQ(KeyValue(idx.Node().Key(0)), rootSep - 1);
    idx.ReadNode(firstInner);
    EXPECT_EQ(KeyValue(idx.Node().Key(idx.Node().Count() - 1)), rootSep - 1);
    EXPECT_EQ(CheckTree(idx), 7999u);

    // The last key of the first leaf: only its own separator changes.
    idx.ReadNode(idx.FirstLeaf());
    const int32_t leafLast = KeyValue(idx.Node().Key(idx.Node().Count() - 1));
    Delete(idx, leafLast);
    idx.ReadNode(firstInner);
    EXPECT_EQ(KeyValue(idx.Node().Key(0)), leafLast - 1);
    EXPECT_EQ(CheckTree(idx), 7998u);
}

TEST_F(IndexMgrTest, EmptiedFirstLeafIsFreedAndNextDeliversTheFollowingEntry) {
    IndexMgr idx(path, 4, true);
    InsertRange(idx, 1, 125);   // leaves 1..62 and 63..125
    const int32_t first = idx.FirstLeaf();
    ASSERT_EQ(idx.Search(Key4(1).b), 1001);
    for (int k = 1; k <= 62; ++k) {
        ASSERT_EQ(idx.DeleteKey(), 0) << k;
        ASSERT_EQ(idx.Next(1), 1000 + k + 1) << "after deleting " << k;
    }
    EXPECT_NE(idx.FirstLeaf(), first);
    ASSERT_EQ(idx.ReadRecord(first), 0);
    EXPECT_EQ(idx.SlotStatus(), FileMgr::kSlotDeleted);
    // The inner root with one child handed the root over to the remaining leaf.
    EXPECT_EQ(idx.Root(), idx.FirstLeaf());
    EXPECT_EQ(CheckTree(idx), 63u);
    // Erasing every entry leaves an empty leaf root.
    idx.Rewind();
    while (idx.Next(1) >= 0) ASSERT_EQ(idx.DeleteKey(), 0);
    idx.ReadNode(idx.Root());
    EXPECT_TRUE(idx.Node().IsLeaf());
    EXPECT_EQ(idx.Node().Count(), 0);
    EXPECT_EQ(Walk(idx).size(), 0u);
    // The freed nodes are used again before the file grows.
    const int32_t slots = idx.SlotCount();
    InsertRange(idx, 1, 125);
    EXPECT_EQ(idx.SlotCount(), slots);
    InsertRange(idx, 126, 300);
    EXPECT_EQ(CheckTree(idx), 300u);
}

TEST_F(IndexMgrTest, DeletingLastEntryOfTheLastLeafKeepsPrevWorking) {
    IndexMgr idx(path, 4, true);
    InsertRange(idx, 1, 125);
    for (int k = 125; k >= 63; --k) Delete(idx, k);
    // The last leaf went; the position is after the last remaining entry.
    EXPECT_EQ(idx.Next(1), -1);
    EXPECT_EQ(idx.Prev(1), 1062);
    Delete(idx, 30);
    EXPECT_EQ(idx.Next(1), 1031);
    EXPECT_EQ(idx.Prev(2), 1028);
    EXPECT_EQ(CheckTree(idx), 61u);
}

// Random inserts and deletes against a std::set, with the tree's shape checked throughout.
TEST_F(IndexMgrTest, RandomInsertDeleteKeepsTreeShape) {
    IndexMgr idx(path, 12, false);   // 8-byte value + record number
    std::mt19937 rng(7);
    std::set<std::vector<uint8_t>> model;
    auto keyOf = [](int value, int32_t rec) {
        std::vector<uint8_t> k(12, 0);
        IsamMgr::SortKeyNumber(k.data(), value);
        IsamMgr::SortKeyNumber(k.data() + 8, rec);
        return k;
    };
    int32_t nextRec = 0;
    for (int step = 0; step < 6000; ++step) {
        if (model.size() < 2500 && rng() % 3 != 0) {
            auto k = keyOf(int(rng() % 400), nextRec);
            ASSERT_EQ(idx.InsertKey(nextRec++, k.data()), 0);
            model.insert(k);
        } else if (!model.empty()) {
            auto it = model.begin();
            std::advance(it, rng() % model.size());
            ASSERT_GE(idx.Search(it->data()), 0);
            ASSERT_EQ(idx.DeleteKey(), 0);
            auto following = std::next(it);
            int32_t expect = following == model.end() ? -1 : KeyValue(following->data() + 8);
            ASSERT_EQ(idx.Next(1), expect) << "step " << step;
            model.erase(it);
        }
        if (step % 500 == 0) {
            ASSERT_EQ(CheckTree(idx), model.size()) << "step " << step;
        }
    }
    ASSERT_EQ(CheckTree(idx), model.size());
    std::vector<int32_t> expect;
    for (const auto& k : model) expect.push_back(KeyValue(k.data() + 8));
    EXPECT_EQ(Walk(idx), expect);
    std::vector<int32_t> backwards;
    for (int32_t r; (r = idx.Prev(1)) >= 0;) backwards.push_back(r);
    std::reverse(backwards.begin(), backwards.end());
    EXPECT_EQ(backwards, expect);
}

}  // namespace

// IndexMgr: node capacities, splits, deletion with separator updates and freed nodes, and the
// position after DeleteKey.
#include "EngineTestSupport.h"

#include "dblib/IndexMgr.h"

#include <algorithm>
#include <random>
#include <set>
#include <vector>

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

using Key = std::vector<uint8_t>;

// An index file built straight from the rules of the tree, independent of IndexMgr: node
// images in a byte vector, slots from the free list (most recently freed first) or appended.
class ModelIndex {
public:
    explicit ModelIndex(int keyLength)
        : m_kl(keyLength), m_item(keyLength + 4), m_capacity((1022 - 16) / (keyLength + 4)) {
        m_file.assign(1024, 0);
        Put(0, 2, 1024);
        Put(2, 2, 1024);
        Put(8, 4, -1);
        Node leaf;
        leaf.leaf = true;
        m_root = m_firstLeaf = NewSlot(leaf);
        Put(12, 2, 1);
    }

    void Insert(int32_t record, const Key& key) {
        std::vector<Level> path = Search(key);
        Node leaf = Read(path.back().slot);
        int c = std::max(path.back().cursor, 0);
        ASSERT_FALSE(c < int(leaf.e.size()) && leaf.e[size_t(c)].key == key) << "duplicate";
        leaf.e.insert(leaf.e.begin() + c, Entry{record, key});
        Write(path.back().slot, leaf);
        if (int(leaf.e.size()) == m_capacity) Split(path);
    }

    void Erase(const Key& key) {
        std::vector<Level> path = Search(key);
        int level = int(path.size()) - 1;
        {
            Node leaf = Read(path.back().slot);
            int c = path.back().cursor;
            ASSERT_TRUE(c >= 0 && c < int(leaf.e.size()) && leaf.e[size_t(c)].key == key);
        }
        for (;;) {
            const int32_t slot = path[size_t(level)].slot;
            Node n = Read(slot);
            const int c = path[size_t(level)].cursor;
            const Key last = n.e.back().key;
            const bool wasLast = c == int(n.e.size()) - 1;
            n.e.erase(n.e.begin() + c);
            if (!n.e.empty()) {
                Write(slot, n);
                if (wasLast) {
                    if (level > 0) UpdateParentKey(path, level, n.e.back().key);
                } else if (level == 0 && !n.leaf && n.e.size() == 1) {
                    m_root = n.e[0].pointer;
                    FreeSlot(slot);
                }
                return;
            }
            if (level == 0) {
                n.leaf = true;
                Write(slot, n);
                return;
            }
            FreeSlot(slot);
            if (n.prev != -1) {
                Node p = Read(n.prev);
                p.next = n.next;
                Write(n.prev, p);
            }
            if (n.next != -1) {
                Node q = Read(n.next);
                q.prev = n.prev;
                Write(n.next, q);
            }
            if (n.prev == -1 && n.leaf) m_firstLeaf = n.next != -1 ? n.next : m_root;
            --level;
            path[size_t(level)].cursor = FindChild(Read(path[size_t(level)].slot), last);
        }
    }

    std::vector<uint8_t> Bytes() {
        const int d = 16;
        Put(d, 4, m_root);
        Put(d + 4, 4, m_firstLeaf);
        Put(d + 8, 4, -1);
        Put(d + 12, 2, m_item);
        return m_file;
    }
    int32_t Root() const { return m_root; }

private:
    struct Entry {
        int32_t pointer;
        Key key;
    };
    struct Node {
        int32_t prev = -1;
        int32_t next = -1;
        bool leaf = false;
        std::vector<Entry> e;
    };
    struct Level {
        int32_t slot;
        int cursor;
    };

    int32_t Get(size_t at, int width) const {
        uint32_t v = 0;
        for (int i = width - 1; i >= 0; --i) v = v << 8 | m_file[at + size_t(i)];
        return width == 2 ? int32_t(int16_t(v)) : int32_t(v);
    }
    void Put(size_t at, int width, int32_t v) {
        if (m_file.size() < at + size_t(width)) m_file.resize(at + size_t(width), 0);
        for (int i = 0; i < width; ++i) m_file[at + size_t(i)] = uint8_t(uint32_t(v) >> (8 * i));
    }
    static size_t SlotAt(int32_t slot) { return 1024 + size_t(slot) * 1024; }

    Node Read(int32_t slot) const {
        const size_t at = SlotAt(slot);
        EXPECT_EQ(Get(at, 2), 0) << "read of a free slot " << slot;
        Node n;
        n.prev = Get(at + 2, 4);
        n.next = Get(at + 6, 4);
        const int count = Get(at + 10, 2);
        n.leaf = Get(at + 12, 2) == -1;
        for (int i = 0; i < count; ++i) {
            const size_t e = at + 2 + 16 + size_t(i) * size_t(m_item);
            n.e.push_back({Get(e, 4), Key(m_file.begin() + long(e) + 4,
                                          m_file.begin() + long(e) + 4 + m_kl)});
        }
        return n;
    }
    void Write(int32_t slot, const Node& n) {
        const size_t at = SlotAt(slot);
        if (m_file.size() < at + 1024) m_file.resize(at + 1024, 0);
        std::fill(m_file.begin() + long(at), m_file.begin() + long(at) + 1024, 0);
        Put(at + 2, 4, n.prev);
        Put(at + 6, 4, n.next);
        Put(at + 10, 2, int32_t(n.e.size()));
        Put(at + 12, 2, n.leaf ? 0xFFFF : 0);
        for (size_t i = 0; i < n.e.size(); ++i) {
            const size_t e = at + 2 + 16 + i * size_t(m_item);
            Put(e, 4, n.e[i].pointer);
            std::copy(n.e[i].key.begin(), n.e[i].key.end(), m_file.begin() + long(e) + 4);
        }
    }
    int32_t NewSlot(const Node& n) {
        int32_t head = Get(8, 4);
        int32_t slot;
        if (head == -1) {
            slot = Get(4, 4);
            Put(4, 4, slot + 1);
        } else {
            slot = head;
            Put(8, 4, Get(SlotAt(slot) + 2, 4));
        }
        Write(slot, n);
        return slot;
    }
    void FreeSlot(int32_t slot) {
        Put(SlotAt(slot), 2, 1);
        Put(SlotAt(slot) + 2, 4, Get(8, 4));
        Put(8, 4, slot);
    }
    // Position of the first key not smaller; an inner node gives its last entry when every
    // key is smaller, a leaf its count.
    static int FindChild(const Node& n, const Key& key) {
        if (n.e.empty()) return -1;
        for (size_t i = 0; i < n.e.size(); ++i)
            if (!(n.e[i].key < key)) return int(i);
        return n.leaf ? int(n.e.size()) : int(n.e.size()) - 1;
    }
    std::vector<Level> Search(const Key& key) const {
        std::vector<Level> path;
        for (int32_t slot = m_root;;) {
            Node n = Read(slot);
            int c = FindChild(n, key);
            path.push_back({slot, c});
            if (n.leaf) return path;
            slot = n.e[size_t(c)].pointer;
        }
    }
    static void InsertInOrder(Node& n, Entry e) {
        auto at = std::find_if(n.e.begin(), n.e.end(), [&](const Entry& x) { return e.key < x.key; });
        n.e.insert(at, std::move(e));
    }
    void Split(const std::vector<Level>& path) {
        for (int level = int(path.size()) - 1;; --level) {
            const int32_t left = path[size_t(level)].slot;
            Node n = Read(left);
            Node r;
            r.leaf = n.leaf;
            r.e.assign(n.e.begin() + long(n.e.size() / 2), n.e.end());
            n.e.resize(n.e.size() / 2);
            r.prev = left;
            r.next = n.next;
            const int32_t right = NewSlot(r);
            const Key k2 = r.e.back().key;
            const int32_t oldNext = n.next;
            n.next = right;
            const Key k1 = n.e.back().key;
            Write(left, n);
            if (oldNext != -1) {
                Node o = Read(oldNext);
                o.prev = right;
                Write(oldNext, o);
            }
            if (level == 0) {
                Node root;
                root.e = {{left, k1}, {right, k2}};
                m_root = NewSlot(root);
                return;
            }
            const int32_t parentSlot = path[size_t(level) - 1].slot;
            Node p = Read(parentSlot);
            p.e.erase(p.e.begin() + FindChild(p, k2));
            InsertInOrder(p, {left, k1});
            InsertInOrder(p, {right, k2});
            Write(parentSlot, p);
            if (int(p.e.size()) < m_capacity) return;
        }
    }
    void UpdateParentKey(const std::vector<Level>& path, int level, const Key& key) {
        for (int lv = level - 1; lv >= 0; --lv) {
            Node p = Read(path[size_t(lv)].slot);
            const int c = path[size_t(lv)].cursor;
            p.e[size_t(c)].key = key;
            Write(path[size_t(lv)].slot, p);
            if (c != int(p.e.size()) - 1) return;
        }
    }

    int m_kl;
    int m_item;
    int m_capacity;
    int32_t m_root = -1;
    int32_t m_firstLeaf = -1;
    std::vector<uint8_t> m_file;
};

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

// Whole index files against the model for insert and delete orders: every byte, freed slots
// and the free list included.
TEST_F(IndexMgrTest, DeleteOrdersGiveTheModelsFiles) {
    enum Order { kAscending, kDescending, kRandom };
    struct Case {
        int keyLength;
        int count;
        Order insert;
        Order erase;
        int keep;   // keys left after the deletes
    } cases[] = {
        {4, 125, kAscending, kDescending, 62},   // a one-entry root stays
        {4, 125, kAscending, kAscending, 0},
        {4, 400, kAscending, kDescending, 0},
        {4, 400, kRandom, kRandom, 0},
        {4, 400, kAscending, kRandom, 150},
        {32, 1500, kAscending, kDescending, 200},   // three levels
        {32, 1500, kRandom, kAscending, 0},
        {32, 1500, kRandom, kRandom, 300},
        {12, 3000, kRandom, kRandom, 1000},
        {12, 3000, kDescending, kAscending, 40},
    };
    std::mt19937 rng(11);
    auto ordered = [&](std::vector<int> v, Order o) {
        if (o == kDescending) std::reverse(v.begin(), v.end());
        if (o == kRandom) std::shuffle(v.begin(), v.end(), rng);
        return v;
    };
    auto keyOf = [](int keyLength, int v) {
        Key k(size_t(keyLength), uint8_t(v * 7));
        IsamMgr::SortKeyNumber(k.data(), v);
        return k;
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << n++);
        const std::string file = dir.File("m" + std::to_string(n) + ".dtx");
        ModelIndex model(c.keyLength);
        std::vector<int> all(size_t(c.count));
        for (int i = 0; i < c.count; ++i) all[size_t(i)] = i + 1;
        std::vector<int> erased = ordered(all, c.erase);
        erased.resize(size_t(c.count - c.keep));
        // Insert, erase, insert the erased keys again: the file after each phase.
        const std::vector<int> phases[] = {ordered(all, c.insert), erased,
                                           ordered(erased, kRandom)};
        for (int phase = 0; phase < 3; ++phase) {
            {
                IndexMgr idx(file, c.keyLength, true);
                for (int v : phases[phase]) {
                    Key k = keyOf(c.keyLength, v);
                    if (phase == 1) {
                        ASSERT_EQ(idx.Search(k.data()), v);
                        ASSERT_EQ(idx.DeleteKey(), 0);
                        model.Erase(k);
                    } else {
                        ASSERT_EQ(idx.InsertKey(v, k.data()), 0);
                        model.Insert(v, k);
                    }
                    ASSERT_FALSE(HasFatalFailure());
                }
                const size_t left = phase == 1 ? size_t(c.keep) : size_t(c.count);
                ASSERT_EQ(CheckTree(idx), left) << "phase " << phase;
            }
            ASSERT_EQ(ReadAll(file), model.Bytes()) << "phase " << phase;
        }
    }
}

TEST_F(IndexMgrTest, AOneEntryRootStaysUntilAnEarlierChildGoes) {
    {
        IndexMgr idx(path, 4, true);
        InsertRange(idx, 1, 125);   // leaves 0 and 1 under root 2
        ASSERT_EQ(idx.Root(), 2);
        for (int k = 125; k >= 63; --k) Delete(idx, k);
        EXPECT_EQ(idx.Root(), 2);
        EXPECT_EQ(idx.FreeListHead(), 1);
        idx.ReadNode(2);
        EXPECT_EQ(idx.Node().Count(), 1);
        EXPECT_EQ(CheckTree(idx), 62u);
        // A split under the one-entry root gives it its second entry again.
        InsertRange(idx, 63, 125);
        EXPECT_EQ(idx.Root(), 2);
        idx.ReadNode(2);
        EXPECT_EQ(idx.Node().Count(), 2);
        EXPECT_EQ(idx.Node().Pointer(1), 1);
        // The first child goes while another entry remains: the root hands over, and its slot
        // is freed with the removed entry gone from its image.
        for (int k = 1; k <= 62; ++k) Delete(idx, k);
        EXPECT_EQ(idx.Root(), 1);
        EXPECT_EQ(idx.FreeListHead(), 2);
    }
    std::vector<uint8_t> b = ReadAll(path);
    const size_t root = 1024 + 2 * 1024;
    EXPECT_EQ(Le16(b, root), FileMgr::kSlotDeleted);
    EXPECT_EQ(Le32(b, root + 2), 0) << "link to the leaf freed before";
    EXPECT_EQ(Le16(b, root + 10), 1) << "entry count as written";
    EXPECT_EQ(Le32(b, root + 18), 1) << "the remaining entry moved to the front";
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

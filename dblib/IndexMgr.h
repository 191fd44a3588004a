// One B+-tree index over the records of a data file. All indexes of a record file share one
// index file (.dtx) of 1024-byte node slots; its header holds one descriptor per index.
//
// Invariants of the tree, true between calls:
// - Keys ascend strictly within a node and along each level's prev/next chain; every leaf is at
//   the same depth; the descriptor's first leaf is the leftmost leaf.
// - An inner entry's key (its separator) is the last key of its child as it was when set: a
//   delete of a child's last key lowers it, an insert beyond the right edge does not raise it,
//   so the last child takes every key above the last separator.
// - A node holds fewer entries than its capacity: it is split when an insert fills it.
// - Only empty nodes are freed (below the root); the tree is never rebalanced, so an inner node
//   may hold a single entry. The root is an empty leaf only when the index is empty; an inner
//   root hands over to its only child when that child is left after an earlier child went.
// Invariants of the position:
// - The current node (CurrentNode() >= 0) is a copy of its slot; its cursor lies in
//   -1..Count() (before the first entry .. after the last).
// - A held path (after Search) runs from the root to the current node: each level's node and
//   the cursor of the entry leading down, and its last level is the current node. Next, Prev,
//   Rewind and DeleteKey drop the path; DeleteKey rebuilds it by a Search when needed.
#pragma once

#include "dblib/FileMgr.h"

#include <cstdint>
#include <cstring>
#include <string>

// The in-memory node: the 1022-byte node image with its cursor.
// Image: prev 4, next 4, count 2, type 2 (0xFFFF leaf, 0 inner), zero 4, then count entries of
// a 4-byte pointer followed by the key bytes.
class IndexNode {
public:
    static constexpr int kImageSize = 1022;
    static constexpr int kEntriesOffset = 16;
    static constexpr uint16_t kLeaf = 0xFFFF;
    static constexpr uint16_t kInner = 0;

    explicit IndexNode(int keyLength);
    IndexNode(const IndexNode&) = delete;
    IndexNode& operator=(const IndexNode&) = delete;

    int KeyLength() const { return m_keyLength; }
    int ItemSize() const { return m_itemSize; }
    int Capacity() const { return m_capacity; }

    int32_t PrevNode() const { return Get32(0); }
    int32_t NextNode() const { return Get32(4); }
    int Count() const { return Get16(8); }
    uint16_t Type() const { return uint16_t(Get16(10)); }
    bool IsLeaf() const { return Type() == kLeaf; }
    void SetPrevNode(int32_t v) { Put32(0, v); }
    void SetNextNode(int32_t v) { Put32(4, v); }
    void SetCount(int v) { Put16(8, v); }
    void SetType(uint16_t v) { Put16(10, v); }

    int32_t Pointer(int i) const { return Get32(EntryOffset(i)); }
    void SetPointer(int i, int32_t v) { Put32(EntryOffset(i), v); }
    const uint8_t* Key(int i) const { return m_slot + 2 + EntryOffset(i) + 4; }
    uint8_t* Key(int i) { return m_slot + 2 + EntryOffset(i) + 4; }

    // An empty node of the given type without neighbours.
    void Clear(uint16_t type);
    // Inserts an entry at position i, moving the later ones up (the caller checks capacity).
    void InsertEntry(int i, int32_t pointer, const uint8_t* key);
    // Removes the entry at position i.
    void RemoveEntry(int i);
    // Moves the entries from position i on to the empty node `to`.
    void MoveTail(int i, IndexNode& to);
    // First position whose key is not smaller than key, or -1 when every key is smaller.
    int LowerBound(const uint8_t* key, int length) const;

    uint8_t* Image() { return m_slot + 2; }
    const uint8_t* Image() const { return m_slot + 2; }
    // The whole 1024-byte slot: status word, then the image.
    uint8_t* Slot() { return m_slot; }
    int SlotStatus() const { return m_slot[0] | m_slot[1] << 8; }

    int cursor = -1;   // -1 before the first entry, Count() after the last

private:
    int EntryOffset(int i) const { return kEntriesOffset + i * m_itemSize; }
    int32_t Get32(int off) const {
        int32_t v;
        std::memcpy(&v, m_slot + 2 + off, 4);
        return v;
    }
    int Get16(int off) const {
        uint16_t v;
        std::memcpy(&v, m_slot + 2 + off, 2);
        return v;
    }
    void Put32(int off, int32_t v) { std::memcpy(m_slot + 2 + off, &v, 4); }
    void Put16(int off, int v) {
        uint16_t u = uint16_t(v);
        std::memcpy(m_slot + 2 + off, &u, 2);
    }

    int m_keyLength;
    int m_itemSize;
    int m_capacity;
    alignas(8) uint8_t m_slot[2 + kImageSize] = {};
};

class IndexMgr : public FileMgr {
public:
    static constexpr int kNodeRecordLength = IndexNode::kImageSize;
    static constexpr int kMaxLevels = 64;
    static constexpr int kDuplicate = -3;
    static constexpr int kDescriptorBase = 16;
    static constexpr int kDescriptorSize = 16;
    static constexpr int kMaxDescriptors = (kHeaderSize - 4 - kDescriptorBase) / kDescriptorSize;

    // The first index of a file: opens (or creates) the index file, loads descriptor 0.
    IndexMgr(const std::string& path, int keyLength, bool unique);
    // A further index on the first index's open descriptor, with descriptor number n.
    IndexMgr(const std::string& path, int keyLength, bool unique, int descriptor, int n);
    ~IndexMgr() override;

    // First index: opens the index file (created when missing) and loads its descriptor.
    [[nodiscard]] int Open();
    // Forgets the position; the first index closes the shared descriptor (writing back its
    // cached nodes), a further index only forgets it.
    void Close();

    // Reads descriptor n (root, first leaf); creates the index when it does not exist yet.
    void LoadDescriptor(int n);
    void CreateIndex(int n);
    // Takes the first index's descriptor after it was opened again (a further index).
    void AttachDescriptor(int fd);

    // Record number stored under key, or -1; the cursor stands at the first key not smaller.
    int32_t Search(const uint8_t* key);
    // 0, or kDuplicate when the exact key is present (nothing changes).
    [[nodiscard]] int InsertKey(int32_t recordNumber, const uint8_t* key);
    // Removes the entry under the cursor; the cursor ends before the following entry. -1 when
    // no entry is under the cursor.
    [[nodiscard]] int DeleteKey();
    // Record number reached after n steps, or -1 past the end / before the start.
    int32_t Next(int n);
    int32_t Prev(int n);
    // First leaf current, cursor before its first entry.
    void Rewind();
    // Pointer under the cursor, -1 when none.
    int32_t CurrentRecord() const;
    // Compares key with the key under the cursor (suffix ignored on a non-unique index);
    // 0 when no entry is under the cursor.
    int CompareKeyAtCursor(const uint8_t* key) const;

    int KeyLength() const { return m_keyLength; }
    // Key length without the record-number suffix of a non-unique index.
    int CompareLength() const { return m_unique ? m_keyLength : m_keyLength - 4; }
    bool Unique() const { return m_unique; }
    bool CreatedNow() const { return m_createdNow; }
    void ClearCreatedNow() { m_createdNow = false; }
    int DescriptorNumber() const { return m_number; }
    int32_t Root() const { return m_root; }
    int32_t FirstLeaf() const { return m_firstLeaf; }
    int32_t CurrentNode() const { return m_nodeSlot; }
    const IndexNode& Node() const { return m_node; }
    int Depth() const { return m_top + 1; }

    // Reads node slot into the current node (validated; damage is fatal). Cursor -1.
    void ReadNode(int32_t slot);

protected:
    void LoadRecord(const uint8_t* record) override;
    void StoreRecord(uint8_t* record) override;

private:
    struct PathLevel {
        int32_t node;
        int cursor;
    };
    int64_t DescriptorOffset(int field) const {
        return kDescriptorBase + int64_t(m_number) * kDescriptorSize + field;
    }
    void WriteDescriptor();
    void Load(IndexNode& node, int32_t slot);
    void Store(IndexNode& node, int32_t slot);
    void WriteNode() { Store(m_node, m_nodeSlot); }
    int32_t NewNode(const IndexNode& node);
    void FreeNode(int32_t slot);
    int FindChild(const uint8_t* key);
    void SplitNode();
    void UpdateParentKey(int level);
    void MoveToNeighbour(bool forward);
    bool Ascending(const IndexNode& node) const;
    void Init(int keyLength, bool unique);
    // Checks the position invariants (debug builds only).
    void AssertPosition() const;

    int m_keyLength = 0;
    bool m_unique = false;
    int m_number = 0;
    int32_t m_root = -1;
    int32_t m_firstLeaf = -1;
    int32_t m_exists = 0;
    bool m_createdNow = false;
    PathLevel m_path[kMaxLevels];
    int m_top = -1;
    int32_t m_nodeSlot = -1;   // slot of m_node, -1 when none
    IndexNode m_node;
    IndexNode m_aux;                    // a second node: split halves, neighbours
    const uint8_t* m_storeSource = nullptr;   // the image StoreRecord puts into a new slot
    uint8_t m_edge[IndexNode::kImageSize];    // a saved key
};

#include "dblib/IndexMgr.h"

#include <cassert>
#include <cstring>

// ---- IndexNode ---------------------------------------------------------------------------

IndexNode::IndexNode(int keyLength)
    : m_keyLength(keyLength),
      m_itemSize(keyLength + 4),
      m_capacity(keyLength > 0 ? (kImageSize - kEntriesOffset) / (keyLength + 4) : 0) {}

void IndexNode::Clear(uint16_t type) {
    std::memset(m_slot, 0, sizeof m_slot);
    SetPrevNode(-1);
    SetNextNode(-1);
    SetType(type);
    cursor = -1;
}

void IndexNode::InsertEntry(int i, int32_t pointer, const uint8_t* key) {
    int n = Count();
    uint8_t* at = Image() + EntryOffset(i);
    std::memmove(at + m_itemSize, at, size_t(n - i) * m_itemSize);
    std::memcpy(at, &pointer, 4);
    std::memcpy(at + 4, key, size_t(m_keyLength));
    SetCount(n + 1);
}

void IndexNode::RemoveEntry(int i) {
    int n = Count();
    uint8_t* at = Image() + EntryOffset(i);
    std::memmove(at, at + m_itemSize, size_t(n - i - 1) * m_itemSize);
    std::memset(Image() + EntryOffset(n - 1), 0, size_t(m_itemSize));
    SetCount(n - 1);
}

void IndexNode::MoveTail(int i, IndexNode& to) {
    int n = Count();
    size_t bytes = size_t(n - i) * m_itemSize;
    std::memcpy(to.Image() + kEntriesOffset, Image() + EntryOffset(i), bytes);
    to.SetCount(n - i);
    std::memset(Image() + EntryOffset(i), 0, bytes);
    SetCount(i);
}

int IndexNode::LowerBound(const uint8_t* key, int length) const {
    int lo = 0;
    int hi = Count();
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (std::memcmp(Key(mid), key, size_t(length)) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo < Count() ? lo : -1;
}

// ---- IndexMgr ----------------------------------------------------------------------------

IndexMgr::IndexMgr(const std::string& path, int keyLength, bool unique)
    : FileMgr(path, kNodeRecordLength, kCached, kOpenLater), m_node(keyLength), m_aux(keyLength) {
    Init(keyLength, unique);
    // A file that cannot be opened leaves the index closed; the owner tests IsOpen().
    (void)Open();
}

IndexMgr::IndexMgr(const std::string& path, int keyLength, bool unique, int descriptor, int n)
    : FileMgr(path, kNodeRecordLength, kCached, kAdopt, descriptor),
      m_number(n),
      m_node(keyLength),
      m_aux(keyLength) {
    Init(keyLength, unique);
    if (IsOpen()) LoadDescriptor(n);
}

IndexMgr::~IndexMgr() = default;

void IndexMgr::Init(int keyLength, bool unique) {
    if (keyLength <= 0) IsamFatal("Error: Index Item Size Is Zero!");
    if (m_node.Capacity() < 3) IsamFatal("Error: Index Item Size Too Large!");
    if (!unique && keyLength <= 4) IsamFatal("Error: Index Item Size Is Zero!");
    m_keyLength = keyLength;
    m_unique = unique;
}

int IndexMgr::Open() {
    if (FileMgr::Open() != 0) return -1;
    LoadDescriptor(m_number);
    return 0;
}

void IndexMgr::Close() {
    m_top = -1;
    m_nodeSlot = -1;
    FileMgr::Close();
}

void IndexMgr::AttachDescriptor(int fd) {
    m_top = -1;
    m_nodeSlot = -1;
    AdoptDescriptor(fd);
    if (IsOpen()) LoadDescriptor(m_number);
}

void IndexMgr::LoadDescriptor(int n) {
    if (n < 0 || n >= kMaxDescriptors) IsamFatal("Error: Too Many Indexes!");
    m_number = n;
    m_top = -1;
    m_nodeSlot = -1;
    m_createdNow = false;
    if (!IsOpen()) return;
    uint8_t d[kDescriptorSize];
    if (Read(Descriptor(), d, DescriptorOffset(0), kDescriptorSize) != kDescriptorSize)
        Damaged("index descriptor");
    int32_t exists;
    std::memcpy(&exists, d + 8, 4);
    if (exists == 0) {
        CreateIndex(n);
        return;
    }
    uint16_t itemSize;
    std::memcpy(&m_root, d, 4);
    std::memcpy(&m_firstLeaf, d + 4, 4);
    std::memcpy(&itemSize, d + 12, 2);
    if (exists != -1 || m_root < 0 || m_firstLeaf < 0) Damaged("index descriptor");
    if (itemSize != m_keyLength + 4) IsamFatal("%s", kIsamOutOfSync);
    m_exists = exists;
}

void IndexMgr::WriteDescriptor() {
    uint8_t d[kDescriptorSize] = {};
    uint16_t itemSize = uint16_t(m_keyLength + 4);
    std::memcpy(d, &m_root, 4);
    std::memcpy(d + 4, &m_firstLeaf, 4);
    std::memcpy(d + 8, &m_exists, 4);
    std::memcpy(d + 12, &itemSize, 2);
    WriteBytes(d, DescriptorOffset(0), kDescriptorSize);
}

void IndexMgr::CreateIndex(int n) {
    m_number = n;
    m_aux.Clear(IndexNode::kLeaf);
    m_root = m_firstLeaf = NewNode(m_aux);
    m_exists = -1;
    WriteDescriptor();
    m_createdNow = true;
    WriteHeaderField(kIndexCountField, n + 1);
}

void IndexMgr::LoadRecord(const uint8_t* record) {
    std::memcpy(m_node.Image(), record, size_t(kNodeRecordLength));
}

void IndexMgr::StoreRecord(uint8_t* record) {
    std::memcpy(record, m_storeSource ? m_storeSource : m_node.Image(),
                size_t(kNodeRecordLength));
}

void IndexMgr::Load(IndexNode& node, int32_t slot) {
    if (slot < 0) Damaged("node link");
    if (Read(Descriptor(), node.Slot(), SlotOffset(slot), SlotLength()) != SlotLength())
        Damaged("node link beyond the end of the file");
    if (node.SlotStatus() != kSlotLive) Damaged("link to a deleted node");
    if (node.Type() != IndexNode::kLeaf && node.Type() != IndexNode::kInner)
        Damaged("node type");
    if (node.Count() > node.Capacity()) Damaged("node entry count");
    node.cursor = -1;
}

void IndexMgr::Store(IndexNode& node, int32_t slot) {
    std::memset(node.Slot(), 0, 2);
    WriteBytes(node.Slot(), SlotOffset(slot), SlotLength());
}

void IndexMgr::ReadNode(int32_t slot) {
    m_nodeSlot = -1;
    Load(m_node, slot);
    m_nodeSlot = slot;
}

int32_t IndexMgr::NewNode(const IndexNode& node) {
    m_storeSource = node.Image();
    int rc = NewRecord();
    m_storeSource = nullptr;
    if (rc != 0) Damaged("index file closed");
    return CurrentSlot();
}

void IndexMgr::FreeNode(int32_t slot) {
    SetCurrent(slot);
    if (FreeRecord() != 0) Damaged("index file closed");
}

int IndexMgr::FindChild(const uint8_t* key) {
    int n = m_node.Count();
    if (n == 0) {
        m_node.cursor = -1;
        return -1;
    }
    int pos = m_node.LowerBound(key, m_keyLength);
    if (pos < 0) {
        if (m_node.IsLeaf()) {
            m_node.cursor = n;
            return -1;
        }
        pos = n - 1;
    }
    m_node.cursor = pos;
    return m_node.Pointer(pos);
}

int32_t IndexMgr::Search(const uint8_t* key) {
    m_top = -1;
    m_nodeSlot = -1;
    if (!IsOpen()) return -1;
    int32_t slot = m_root;
    for (;;) {
        if (m_top + 1 >= kMaxLevels) Damaged("index too deep");
        ReadNode(slot);
        int32_t child = FindChild(key);
        m_path[++m_top] = {slot, m_node.cursor};
        if (m_node.IsLeaf()) break;
        if (child < 0) Damaged("empty inner node");
        slot = child;
    }
    AssertPosition();
    return CompareKeyAtCursor(key) == 0 ? CurrentRecord() : -1;
}

int32_t IndexMgr::CurrentRecord() const {
    if (m_nodeSlot < 0 || m_node.cursor < 0 || m_node.cursor >= m_node.Count()) return -1;
    return m_node.Pointer(m_node.cursor);
}

int IndexMgr::CompareKeyAtCursor(const uint8_t* key) const {
    if (m_nodeSlot < 0 || m_node.cursor < 0 || m_node.cursor >= m_node.Count()) return 0;
    return std::memcmp(key, m_node.Key(m_node.cursor), size_t(CompareLength()));
}

int IndexMgr::InsertKey(int32_t recordNumber, const uint8_t* key) {
    if (!IsOpen()) return -1;
    Search(key);
    int n = m_node.Count();
    int c = m_node.cursor < 0 ? 0 : m_node.cursor;
    if (c < n && std::memcmp(m_node.Key(c), key, size_t(m_keyLength)) == 0) return kDuplicate;
    if (n >= m_node.Capacity()) Damaged("node entry count");
    m_node.InsertEntry(c, recordNumber, key);
    m_node.cursor = c;
    m_path[m_top].cursor = c;
    WriteNode();
    if (m_node.Count() >= m_node.Capacity()) {
        SplitNode();
        Search(key);
    }
    AssertPosition();
    return 0;
}

// Splits the full node at the deepest path level, and its parents while they fill up.
void IndexMgr::SplitNode() {
    uint8_t k1[IndexNode::kImageSize];
    uint8_t k2[IndexNode::kImageSize];
    const size_t kl = size_t(m_keyLength);
    for (int level = m_top;; --level) {
        ReadNode(m_path[level].node);
        const int32_t left = m_nodeSlot;
        const int32_t oldNext = m_node.NextNode();
        m_aux.Clear(m_node.Type());
        m_node.MoveTail(m_node.Count() / 2, m_aux);
        m_aux.SetPrevNode(left);
        m_aux.SetNextNode(oldNext);
        std::memcpy(k2, m_aux.Key(m_aux.Count() - 1), kl);
        std::memcpy(k1, m_node.Key(m_node.Count() - 1), kl);
        const int32_t right = NewNode(m_aux);
        m_node.SetNextNode(right);
        WriteNode();
        if (oldNext != -1) {
            Load(m_aux, oldNext);
            if (m_aux.PrevNode() != left) Damaged("node chain");
            m_aux.SetPrevNode(right);
            Store(m_aux, oldNext);
        }
        if (level == 0) {
            m_aux.Clear(IndexNode::kInner);
            m_aux.InsertEntry(0, left, k1);
            m_aux.InsertEntry(1, right, k2);
            m_root = NewNode(m_aux);
            WriteDescriptor();
            break;
        }
        ReadNode(m_path[level - 1].node);
        int c = m_path[level - 1].cursor;
        if (c < 0 || c >= m_node.Count() || m_node.Pointer(c) != left) Damaged("parent link");
        if (m_node.Count() >= m_node.Capacity()) Damaged("node entry count");
        std::memcpy(m_node.Key(c), k1, kl);
        m_node.InsertEntry(c + 1, right, k2);
        WriteNode();
        if (m_node.Count() < m_node.Capacity()) break;
    }
    m_top = -1;
    m_nodeSlot = -1;
}

// The separators above `level` that name the current node take its key under the cursor,
// up to the first level where the entry is not the last; the node is current again after.
void IndexMgr::UpdateParentKey(int level) {
    const size_t kl = size_t(m_keyLength);
    std::memcpy(m_edge, m_node.Key(m_node.cursor), kl);
    const int cursor = m_node.cursor;
    int32_t child = m_nodeSlot;
    for (int lv = level - 1; lv >= 0; --lv) {
        ReadNode(m_path[lv].node);
        int c = m_path[lv].cursor;
        if (c < 0 || c >= m_node.Count() || m_node.Pointer(c) != child) Damaged("parent link");
        std::memcpy(m_node.Key(c), m_edge, kl);
        WriteNode();
        if (c != m_node.Count() - 1) break;
        child = m_nodeSlot;
    }
    ReadNode(m_path[level].node);
    m_node.cursor = cursor;
}

int IndexMgr::DeleteKey() {
    if (!IsOpen() || m_nodeSlot < 0) return -1;
    if (m_node.cursor < 0 || m_node.cursor >= m_node.Count()) return -1;
    if (m_top < 0 || m_path[m_top].node != m_nodeSlot) {
        std::memcpy(m_edge, m_node.Key(m_node.cursor), size_t(m_keyLength));
        Search(m_edge);
        int c = m_node.cursor;
        if (c < 0 || c >= m_node.Count() ||
            std::memcmp(m_node.Key(c), m_edge, size_t(m_keyLength)) != 0)
            Damaged("index entry not found");
    }
    m_path[m_top].cursor = m_node.cursor;
    AssertPosition();

    const int leafLevel = m_top;
    const int32_t followLeaf = m_node.NextNode();
    const int32_t prevLeaf = m_node.PrevNode();
    int level = leafLevel;
    for (;;) {
        const int c = m_path[level].cursor;
        const int32_t slot = m_nodeSlot;
        const bool wasLast = c == m_node.Count() - 1;
        m_node.RemoveEntry(c);
        const int n = m_node.Count();
        if (n > 0) {
            WriteNode();
            if (wasLast) {
                if (level > 0) {
                    m_node.cursor = n - 1;
                    UpdateParentKey(level);
                }
            } else if (level == 0 && !m_node.IsLeaf() && n == 1) {
                // An inner root left with one child hands the root to that child.
                m_root = m_node.Pointer(0);
                FreeNode(slot);
                WriteDescriptor();
                m_nodeSlot = -1;
                break;
            }
            m_node.cursor = c - 1;
            break;
        }
        if (level == 0) {
            // The root becomes an empty leaf.
            m_node.Clear(IndexNode::kLeaf);
            WriteNode();
            if (m_firstLeaf != slot) {
                m_firstLeaf = slot;
                WriteDescriptor();
            }
            break;
        }
        const int32_t prev = m_node.PrevNode();
        const int32_t next = m_node.NextNode();
        const bool leaf = m_node.IsLeaf();
        FreeNode(slot);
        if (prev != -1) {
            Load(m_aux, prev);
            if (m_aux.NextNode() != slot) Damaged("node chain");
            m_aux.SetNextNode(next);
            Store(m_aux, prev);
        }
        if (next != -1) {
            Load(m_aux, next);
            if (m_aux.PrevNode() != slot) Damaged("node chain");
            m_aux.SetPrevNode(prev);
            Store(m_aux, next);
        }
        if (prev == -1 && leaf) {
            m_firstLeaf = next != -1 ? next : m_root;
            WriteDescriptor();
        }
        --level;
        ReadNode(m_path[level].node);
        m_node.cursor = m_path[level].cursor;
        if (m_node.cursor < 0 || m_node.cursor >= m_node.Count() ||
            m_node.Pointer(m_node.cursor) != slot)
            Damaged("parent link");
    }
    if (level < leafLevel) {
        // A parent entry went: continue before the first entry of the following leaf.
        if (followLeaf != -1) {
            ReadNode(followLeaf);
        } else if (prevLeaf != -1) {
            ReadNode(prevLeaf);
            m_node.cursor = m_node.Count();
        } else {
            ReadNode(m_root);
        }
    }
    m_top = -1;
    AssertPosition();
    return 0;
}

bool IndexMgr::Ascending(const IndexNode& node) const {
    for (int i = 1; i < node.Count(); ++i)
        if (std::memcmp(node.Key(i - 1), node.Key(i), size_t(m_keyLength)) >= 0) return false;
    return true;
}

// Crosses to the next or previous node of the level; the chain must be consistent and its
// keys ascending, so a damaged chain can never loop.
void IndexMgr::MoveToNeighbour(bool forward) {
    m_top = -1;
    if (!Ascending(m_node)) Damaged("key order");
    const int32_t from = m_nodeSlot;
    const uint16_t type = m_node.Type();
    const int n = m_node.Count();
    const size_t kl = size_t(m_keyLength);
    if (n > 0) std::memcpy(m_edge, m_node.Key(forward ? n - 1 : 0), kl);
    ReadNode(forward ? m_node.NextNode() : m_node.PrevNode());
    const int m = m_node.Count();
    if (m_node.Type() != type || m == 0 ||
        (forward ? m_node.PrevNode() : m_node.NextNode()) != from)
        Damaged("node chain");
    if (!Ascending(m_node)) Damaged("key order");
    if (n > 0) {
        int cmp = std::memcmp(m_node.Key(forward ? 0 : m - 1), m_edge, kl);
        if (forward ? cmp <= 0 : cmp >= 0) Damaged("key order");
    }
    m_node.cursor = forward ? 0 : m - 1;
}

int32_t IndexMgr::Next(int n) {
    if (!IsOpen() || m_nodeSlot < 0) return -1;
    for (int i = 0; i < n; ++i) {
        ++m_node.cursor;
        while (m_node.cursor >= m_node.Count()) {
            if (m_node.NextNode() == -1) {
                m_node.cursor = m_node.Count();
                return -1;
            }
            MoveToNeighbour(true);
        }
    }
    AssertPosition();
    return CurrentRecord();
}

int32_t IndexMgr::Prev(int n) {
    if (!IsOpen() || m_nodeSlot < 0) return -1;
    for (int i = 0; i < n; ++i) {
        --m_node.cursor;
        while (m_node.cursor < 0) {
            if (m_node.PrevNode() == -1) {
                m_node.cursor = -1;
                return -1;
            }
            MoveToNeighbour(false);
        }
    }
    AssertPosition();
    return CurrentRecord();
}

void IndexMgr::Rewind() {
    m_top = -1;
    m_nodeSlot = -1;
    if (!IsOpen()) return;
    ReadNode(m_firstLeaf);
    if (!m_node.IsLeaf() || m_node.PrevNode() != -1) Damaged("first leaf");
    AssertPosition();
}

void IndexMgr::AssertPosition() const {
#ifndef NDEBUG
    assert(m_top >= -1 && m_top < kMaxLevels);
    if (m_nodeSlot >= 0) {
        assert(m_node.cursor >= -1 && m_node.cursor <= m_node.Count());
        assert(m_node.Count() < m_node.Capacity());
    }
    if (m_top >= 0) {
        assert(m_path[0].node == m_root);
        assert(m_path[m_top].node == m_nodeSlot);
        for (int level = 0; level < m_top; ++level) assert(m_path[level].cursor >= 0);
    }
#endif
}

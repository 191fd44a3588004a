// Shared pieces of the database engine tests: a temporary folder, fatal errors turned into
// exceptions, raw file access and a small record class with several indexes.
#pragma once

#include "dblib/IsamMgr.h"
#include "platform/testsupport/ScratchDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace enginetest {

// A fatal report of the library, thrown by the exit handler.
struct Fatal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Turns the library's fatal path into a thrown Fatal for the life of the object and collects
// status texts.
class CatchFatal {
public:
    CatchFatal() {
        IsamClearFatal();
        IsamSetStatusHook([this](const char* t) { status.emplace_back(t); });
        IsamSetErrorHook([this](const char* t) { error = t; });
        IsamSetExitHandler([this](int) { throw Fatal(error); });
    }
    ~CatchFatal() {
        IsamSetStatusHook(nullptr);
        IsamSetErrorHook(nullptr);
        IsamSetExitHandler(nullptr);
        IsamClearFatal();
    }
    std::vector<std::string> status;
    std::string error;
};

using suitetest::ReadAll;
using suitetest::WriteAll;
using TempDir = suitetest::ScratchDir;

inline int32_t Le32(const std::vector<uint8_t>& b, size_t off) {
    int32_t v;
    std::memcpy(&v, b.data() + off, 4);
    return v;
}

inline int Le16(const std::vector<uint8_t>& b, size_t off) { return b[off] | b[off + 1] << 8; }

// A 24-byte record with four indexes: "id" unique number, "name" text with record number,
// "grp" number with record number, "code" unique text of 4 bytes.
class TestRec : public IsamMgr {
public:
    static constexpr int kLength = 24;
    TestRec(const std::string& data, const std::string& index, int mode = 0)
        : IsamMgr(data, kLength) {
        DeclareField(0, id);
        DeclareField(4, name);
        DeclareField(12, grp);
        DeclareField(16, code);
        DeclareField(20, extra);
        DeclareIndex("id", {NumberKey(id)}, true);
        DeclareIndex("name", {TextKey(name, 8)}, false);
        DeclareIndex("grp", {NumberKey(grp)}, false);
        DeclareIndex("code", {TextKey(code, 4)}, true);
        OpenIndexes(index, mode);
    }
    void Set(int32_t i, const char* n, int32_t g, const char* c, int32_t x = 0) {
        id = i;
        std::memset(name, 0, sizeof name);
        std::memcpy(name, n, strnlen(n, sizeof name));
        grp = g;
        std::memset(code, 0, sizeof code);
        std::memcpy(code, c, strnlen(c, sizeof code));
        extra = x;
    }
    using IsamMgr::BuildKey;
    using IsamMgr::KeyBuffer;

    int32_t id = 0;
    char name[8] = {};
    int32_t grp = 0;
    char code[4] = {};
    int32_t extra = 0;
};

// A record class with one unique number index only.
class NumRec : public IsamMgr {
public:
    NumRec(const std::string& data, const std::string& index, int mode = 0)
        : IsamMgr(data, 8) {
        DeclareField(0, no);
        DeclareField(4, value);
        DeclareIndex("no", {NumberKey(no)}, true);
        OpenIndexes(index, mode);
    }
    int32_t no = 0;
    int32_t value = 0;
};

// Checks the shape of an index's tree: entry counts, ascending keys, every leaf at one depth,
// each separator equal to its child's last key (at most that key on the right edge), the
// node chains of every level and the first leaf. Returns the number of leaf entries.
// Moves the index's position.
inline size_t CheckTree(IndexMgr& index) {
    struct Level {
        std::vector<int32_t> nodes;
    };
    std::vector<Level> levels;
    const int kl = index.KeyLength();
    size_t entries = 0;
    int leafDepth = -1;
    // Visits a subtree; returns its last key in `last`.
    std::function<void(int32_t, int, bool, std::vector<uint8_t>&)> visit =
        [&](int32_t slot, int depth, bool rightEdge, std::vector<uint8_t>& last) {
            ASSERT_LT(depth, IndexMgr::kMaxLevels);
            index.ReadNode(slot);
            const IndexNode& n = index.Node();
            if (levels.size() <= size_t(depth)) levels.resize(size_t(depth) + 1);
            levels[size_t(depth)].nodes.push_back(slot);
            int count = n.Count();
            ASSERT_LT(count, n.Capacity()) << "node " << slot;
            if (depth > 0) {
                ASSERT_GT(count, 0) << "empty node " << slot;
            }
            std::vector<std::vector<uint8_t>> keys;
            std::vector<int32_t> ptrs;
            for (int i = 0; i < count; ++i) {
                keys.emplace_back(n.Key(i), n.Key(i) + kl);
                ptrs.push_back(n.Pointer(i));
                if (i > 0) {
                    ASSERT_LT(keys[size_t(i) - 1], keys[size_t(i)]) << "order in " << slot;
                }
            }
            if (n.IsLeaf()) {
                if (leafDepth < 0) leafDepth = depth;
                ASSERT_EQ(depth, leafDepth) << "leaf " << slot;
                entries += size_t(count);
                if (count > 0) last = keys.back();
                return;
            }
            if (depth == 0) {
                ASSERT_GE(count, 1) << "empty inner root";
            }
            for (int i = 0; i < count; ++i) {
                std::vector<uint8_t> childLast;
                bool edge = rightEdge && i == count - 1;
                visit(ptrs[size_t(i)], depth + 1, edge, childLast);
                if (::testing::Test::HasFatalFailure()) return;
                if (edge) {
                    ASSERT_LE(keys[size_t(i)], childLast) << "right-edge separator in " << slot;
                } else {
                    ASSERT_EQ(childLast, keys[size_t(i)]) << "separator " << i << " in " << slot;
                }
            }
            last = keys.back();
        };
    std::vector<uint8_t> last;
    visit(index.Root(), 0, true, last);
    if (::testing::Test::HasFatalFailure()) return entries;
    for (const Level& level : levels) {
        for (size_t i = 0; i < level.nodes.size(); ++i) {
            index.ReadNode(level.nodes[i]);
            EXPECT_EQ(index.Node().PrevNode(), i == 0 ? -1 : level.nodes[i - 1]);
            EXPECT_EQ(index.Node().NextNode(), i + 1 == level.nodes.size() ? -1 : level.nodes[i + 1]);
        }
    }
    EXPECT_EQ(index.FirstLeaf(), levels.back().nodes.front());
    return entries;
}

}  // namespace enginetest

// Long random sequences of Insert, Amend, Erase, Find, Next and Prev on a record class with
// unique and non-unique, number and text indexes, checked against an in-memory model.
#include "EngineTestSupport.h"

#include <map>
#include <random>
#include <set>

using namespace enginetest;

namespace {

// 44-byte record: "id" unique number, "name" 28-byte text + record number (key 32, so the
// tree grows three levels deep early), "grp" number + record number, "code" unique 4-byte text.
class RandRec : public IsamMgr {
public:
    RandRec(const std::string& data, const std::string& index, int mode = 0) : IsamMgr(data, 44) {
        DeclareField(0, id);
        DeclareField(4, name);
        DeclareField(32, grp);
        DeclareField(36, code);
        DeclareField(40, extra);
        DeclareIndex("id", {NumberKey(id)}, true);
        DeclareIndex("name", {TextKey(name, 28)}, false);
        DeclareIndex("grp", {NumberKey(grp)}, false);
        DeclareIndex("code", {TextKey(code, 4)}, true);
        OpenIndexes(index, mode);
    }
    int32_t id = 0;
    char name[28] = {};
    int32_t grp = 0;
    char code[4] = {};
    int32_t extra = 0;
};

struct Rec {
    int32_t id;
    std::string name;   // up to 28 bytes, no zero inside
    int32_t grp;
    std::string code;   // up to 4 bytes
    int32_t extra;
    bool operator==(const Rec&) const = default;
};

void Put(RandRec& t, const Rec& r) {
    t.id = r.id;
    std::memset(t.name, 0, sizeof t.name);
    std::memcpy(t.name, r.name.data(), r.name.size());
    t.grp = r.grp;
    std::memset(t.code, 0, sizeof t.code);
    std::memcpy(t.code, r.code.data(), r.code.size());
    t.extra = r.extra;
}

Rec Get(const RandRec& t) {
    return {t.id, std::string(t.name, strnlen(t.name, sizeof t.name)), t.grp,
            std::string(t.code, strnlen(t.code, sizeof t.code)), t.extra};
}

// The model: live records by record number. An index's order is (value, record number) with
// the value compared as the index does: numbers numerically, texts as unsigned bytes.
class Model {
public:
    static constexpr int kIndexes = 4;
    using Entry = std::pair<std::string, int32_t>;   // comparable value, record number

    static std::string Value(const Rec& r, int index) {
        switch (index) {
        case 0:
        case 2: {
            // Offset binary, big-endian: std::string compares like unsigned bytes.
            uint32_t u = uint32_t(index == 0 ? r.id : r.grp) ^ 0x80000000u;
            return std::string{char(u >> 24), char(u >> 16), char(u >> 8), char(u)};
        }
        case 1:
            return r.name;
        default:
            return r.code;
        }
    }
    static bool Unique(int index) { return index == 0 || index == 3; }

    std::vector<int32_t> Order(int index) const {
        std::vector<int32_t> out;
        out.reserve(order[index].size());
        for (const auto& e : order[index]) out.push_back(e.second);
        return out;
    }
    // Would r clash with a unique key of a record other than `self`?
    bool Clashes(const Rec& r, int32_t self) const {
        for (int index : {0, 3}) {
            auto it = order[index].lower_bound({Value(r, index), INT32_MIN});
            if (it != order[index].end() && it->first == Value(r, index) && it->second != self)
                return true;
        }
        return false;
    }
    void Set(int32_t slot, const Rec& r) {
        Remove(slot);
        live[slot] = r;
        for (int i = 0; i < kIndexes; ++i) order[i].insert({Value(r, i), slot});
    }
    void Remove(int32_t slot) {
        auto it = live.find(slot);
        if (it == live.end()) return;
        for (int i = 0; i < kIndexes; ++i) order[i].erase({Value(it->second, i), slot});
        live.erase(it);
    }

    std::map<int32_t, Rec> live;
    std::set<Entry> order[kIndexes];
};

class IsamRandomTest : public ::testing::Test {
protected:
    Rec RandomRec() {
        static const char* const names[] = {"ALPHA", "BRAVO", "ALPH", "\xB0" "DEG", "Z",
                                            "\xE9t\xE9", "ALPHABETALPHABETALPHABETALPH"};
        Rec r;
        r.id = int32_t(rng() % uint32_t(idRange)) - 100;
        if (rng() % 4 == 0) {
            r.name = names[rng() % 7];
        } else {
            r.name.assign(1 + rng() % 27, 'A');
            for (char& c : r.name) c = char('A' + rng() % 3);
        }
        r.grp = rng() % 50 == 0 ? (rng() % 2 ? INT32_MIN : INT32_MAX) : int32_t(rng() % 60) - 30;
        r.code.assign(size_t(codeMin) + rng() % uint32_t(5 - codeMin), 'a');
        for (char& c : r.code) c = char('a' + rng() % 12);
        r.extra = int32_t(rng());
        return r;
    }

    // Every index against the model: record numbers through the tree, and every fifth check
    // also the records read through IsamMgr in both directions.
    void CheckAll(const char* when) {
        for (int i = 0; i < Model::kIndexes; ++i) {
            std::vector<int32_t> want = model.Order(i);
            std::vector<int32_t> got;
            IndexMgr* idx = t->Index(i);
            idx->Rewind();
            for (int32_t r; (r = idx->Next(1)) >= 0;) got.push_back(r);
            ASSERT_EQ(got, want) << when << ", index " << i;
        }
        if (++checks % 5 != 0) return;
        for (int i = 0; i < Model::kIndexes; ++i) {
            std::vector<int32_t> want = model.Order(i);
            t->SelectIndexNumber(i);
            t->Rewind();
            size_t n = 0;
            while (t->Next(1) == 0) {
                ASSERT_LT(n, want.size()) << when;
                ASSERT_EQ(t->CurrentSlot(), want[n]) << when;
                ASSERT_EQ(Get(*t), model.live.at(want[n])) << when;
                ++n;
            }
            ASSERT_EQ(n, want.size()) << when;
            // Backwards from the end: Find past every key, then Prev.
            if (!want.empty()) {
                t->SelectIndexNumber(i);
                t->Rewind();
                ASSERT_EQ(t->Next(int(want.size())), 0);
                for (size_t k = want.size() - 1; k-- > 0;) {
                    ASSERT_EQ(t->Prev(1), 0) << when;
                    ASSERT_EQ(t->CurrentSlot(), want[k]) << when;
                }
                ASSERT_EQ(t->Prev(1), -1) << when;
            }
        }
        for (int i = 0; i < Model::kIndexes; ++i) {
            ASSERT_EQ(CheckTree(*t->Index(i)), model.live.size()) << when << ", index " << i;
        }
    }

    // Positions on a random live record through a random index; returns its record number.
    int32_t PositionRandom(int* indexOut) {
        int index = int(rng() % Model::kIndexes);
        std::vector<int32_t> order = model.Order(index);
        size_t k = rng() % order.size();
        t->SelectIndexNumber(index);
        if (rng() % 2) {
            t->Rewind();
            EXPECT_EQ(t->Next(int(k) + 1), 0);
        } else {
            // Find gives the lowest record number of the value; step on to the one wanted.
            Put(*t, model.live.at(order[k]));
            EXPECT_EQ(t->Find(), 0);
            while (t->CurrentSlot() != order[k] && t->Next(1) == 0) {
            }
        }
        EXPECT_EQ(t->CurrentSlot(), order[k]);
        *indexOut = index;
        return order[k];
    }

    void Step(int step) {
        const std::string when = "step " + std::to_string(step);
        int op = int(rng() % 100);
        if (op < 45 || model.live.size() < 20) {
            Rec r = RandomRec();
            Put(*t, r);
            bool clash = model.Clashes(r, -1);
            ASSERT_EQ(t->Insert(), clash ? -1 : 0) << when;
            if (!clash) {
                ASSERT_EQ(model.live.count(t->CurrentSlot()), 0u) << when;
                model.Set(t->CurrentSlot(), r);
            }
        } else if (op < 65) {
            int index;
            int32_t slot = PositionRandom(&index);
            Rec r = model.live.at(slot);
            Rec changed = RandomRec();
            // Change a random subset of the fields.
            if (rng() % 3 == 0) r.id = changed.id;
            if (rng() % 2) r.name = changed.name;
            if (rng() % 2) r.grp = changed.grp;
            if (rng() % 4 == 0) r.code = changed.code;
            r.extra = changed.extra;
            Put(*t, r);
            bool clash = model.Clashes(r, slot);
            ASSERT_EQ(t->Amend(), clash ? -1 : 0) << when;
            ASSERT_EQ(Get(*t), r) << when;   // the caller's values either way
            ASSERT_EQ(t->CurrentSlot(), slot) << when;
            if (!clash) model.Set(slot, r);
            // Positioned on the record in the current index: Next gives the following one.
            std::vector<int32_t> order = model.Order(index);
            auto it = std::find(order.begin(), order.end(), slot);
            ASSERT_NE(it, order.end());
            bool last = it + 1 == order.end();
            ASSERT_EQ(t->Next(1), last ? -1 : 0) << when;
            if (!last) {
                ASSERT_EQ(t->CurrentSlot(), *(it + 1)) << when;
            }
        } else if (op < 85) {
            int index;
            int32_t slot = PositionRandom(&index);
            std::vector<int32_t> order = model.Order(index);
            auto it = std::find(order.begin(), order.end(), slot);
            int32_t following = it + 1 == order.end() ? -1 : *(it + 1);
            ASSERT_EQ(t->Erase(), 0) << when;
            model.Remove(slot);
            ASSERT_EQ(t->Next(1), following < 0 ? -1 : 0) << when;
            if (following >= 0) {
                ASSERT_EQ(t->CurrentSlot(), following) << when;
            }
        } else if (op < 95) {
            // Find of an existing or a missing value, then Prev and ReadCurrent around it.
            int index = int(rng() % Model::kIndexes);
            Rec probe = RandomRec();
            Put(*t, probe);
            t->SelectIndexNumber(index);
            std::string v = Model::Value(probe, index);
            std::vector<int32_t> order = model.Order(index);
            size_t pos = 0;
            while (pos < order.size() && Model::Value(model.live.at(order[pos]), index) < v) ++pos;
            bool found = pos < order.size() && Model::Value(model.live.at(order[pos]), index) == v;
            ASSERT_EQ(t->Find(), found ? 0 : -1) << when;
            if (found) {
                ASSERT_EQ(t->CurrentSlot(), order[pos]) << when;
            } else {
                ASSERT_EQ(t->ReadCurrent(), pos < order.size() ? 0 : -1) << when;
                if (pos < order.size()) {
                    ASSERT_EQ(t->CurrentSlot(), order[pos]) << when;
                }
                Put(*t, probe);
                (void)t->Find();
                ASSERT_EQ(t->Prev(1), pos > 0 ? 0 : -1) << when;
                if (pos > 0) {
                    ASSERT_EQ(t->CurrentSlot(), order[pos - 1]) << when;
                }
            }
        } else if (op < 99) {
            // Steps of several entries.
            int index;
            int32_t slot = PositionRandom(&index);
            std::vector<int32_t> order = model.Order(index);
            long at = std::find(order.begin(), order.end(), slot) - order.begin();
            int n = 1 + int(rng() % 70);
            bool forward = rng() % 2;
            long to = forward ? at + n : at - n;
            bool inside = to >= 0 && to < long(order.size());
            ASSERT_EQ(forward ? t->Next(n) : t->Prev(n), inside ? 0 : -1) << when;
            if (inside) {
                ASSERT_EQ(t->CurrentSlot(), order[size_t(to)]) << when;
            }
        } else {
            // Close and open again, or a new object over the same files.
            if (rng() % 2) {
                t->Close();
                ASSERT_EQ(t->Open(), 0);
            } else {
                t.reset();
                t = std::make_unique<RandRec>(dta, dtx, IsamMgr::kModeClose);
                ASSERT_EQ(t->Open(), 0);
            }
        }
    }

    void Run(uint32_t seed, int steps, int checkEvery) {
        rng.seed(seed);
        t = std::make_unique<RandRec>(dta, dtx);
        for (int step = 0; step < steps; ++step) {
            ASSERT_NO_FATAL_FAILURE(Step(step));
            if (step % checkEvery == 0) {
                ASSERT_NO_FATAL_FAILURE(CheckAll(("step " + std::to_string(step)).c_str()));
            }
        }
        checks = 4;
        ASSERT_NO_FATAL_FAILURE(CheckAll("end"));
        // Everything survives a rebuild of the index file from the data file.
        t.reset();
        ASSERT_TRUE(std::filesystem::remove(dtx));
        t = std::make_unique<RandRec>(dta, dtx);
        checks = 4;
        ASSERT_NO_FATAL_FAILURE(CheckAll("rebuilt"));
    }

    TempDir dir;
    std::string dta = dir.File("rand.dta");
    std::string dtx = dir.File("rand.dtx");
    CatchFatal fatal;
    std::mt19937 rng;
    Model model;
    std::unique_ptr<RandRec> t;
    int checks = 0;
    int idRange = 1200;
    int codeMin = 1;
};

TEST_F(IsamRandomTest, EveryStepCheckedAgainstModel) { Run(1, 2500, 1); }

TEST_F(IsamRandomTest, LargerTreeCheckedPeriodically) {
    idRange = 5000;
    codeMin = 3;
    Run(2, 12000, 40);
    EXPECT_GT(model.live.size(), 800u);
}

}  // namespace

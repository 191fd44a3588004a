// Each record type keys its indexes by the declared fields: numbers in signed order, texts in
// unsigned byte order up to their terminator, equal values of a non-unique index by record
// number, and unique indexes refuse a second record with the same value.
#include "dblib/RecordFiles.h"
#include "dblib/tests/RecordTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using rectest::TempFolder;

enum class Key { Number, Text };

struct IndexCase {
    const char* name;
    int offset;   // of the key field in the record
    Key kind;
    int width;    // of a text key field
    bool unique;
};

struct TypeCase {
    const char* file;
    std::vector<IndexCase> indexes;   // after index 0, the serial number
};

const TypeCase kTypes[] = {
    {"apts", {{"aident", 4, Key::Text, 8, false}}},
    {"country", {{"cid", 4, Key::Text, 4, true}, {"cname", 8, Key::Text, 20, false}}},
    {"freq3", {{"faptno", 4, Key::Number, 0, false}}},
    {"ints", {{"iident", 4, Key::Text, 8, false}}},
    {"names", {{"nname", 4, Key::Text, 32, true}}},
    {"ndbs", {{"bident", 4, Key::Text, 8, false}}},
    {"rwy3", {{"raptno", 4, Key::Number, 0, false}}},
    {"vors", {{"vident", 4, Key::Text, 8, false}}},
    {"usr", {{"uident", 4, Key::Text, 8, true}}},
    {"restr", {}},
    {"appr", {{"paptno", 4, Key::Number, 0, false}}},
    {"lwpt", {{"laptno", 4, Key::Number, 0, false}}},
    {"awys", {{"wname", 4, Key::Text, 8, false}}},
    {"awps", {{"wpwno", 4, Key::Number, 0, false}}},
    {"rte", {{"rtno", 4, Key::Number, 0, false}, {"rtident", 12, Key::Text, 8, false}}},
};

const char* kSerialIndex[] = {"asno", "csno", "fsno", "isno", "nsno", "bsno", "rsno", "vsno",
                              "usno", "rcsno", "psno", "lsno", "wsno", "wpsno", "rtsno"};

// Four records, stored in this order (record numbers 0-3).
constexpr int32_t kSerial[4] = {7, 5, 9, -3};
constexpr int32_t kNumberKey[4] = {5, -2, 5, 0x7FFFFFFF};
// Record 1's text has a byte above 0x7F; record 2 repeats record 0's text in a non-unique
// index, and extends it in a unique one.
const char* kTextKey[4] = {"MM", "\xC4X", "MM", "A"};
const char* kUniqueTextKey[4] = {"MM", "\xC4X", "MMA", "A"};

void PutNumber(std::vector<uint8_t>& rec, int offset, int32_t v) {
    std::memcpy(rec.data() + offset, &v, 4);
}

void PutText(std::vector<uint8_t>& rec, int offset, int width, const char* text) {
    std::memset(rec.data() + offset, 0, size_t(width));
    std::memcpy(rec.data() + offset, text, std::min<size_t>(std::strlen(text), size_t(width)));
}

std::vector<uint8_t> Record(int number, const TypeCase& type) {
    std::vector<uint8_t> rec(size_t(kRecordFiles[RecordFileNumber(type.file)].recordLength), 0);
    PutNumber(rec, 0, kSerial[number]);
    for (const IndexCase& ix : type.indexes) {
        if (ix.kind == Key::Number)
            PutNumber(rec, ix.offset, kNumberKey[number]);
        else
            PutText(rec, ix.offset, ix.width, (ix.unique ? kUniqueTextKey : kTextKey)[number]);
    }
    return rec;
}

int32_t Serial(RecordFile& rec) {
    std::vector<uint8_t> out(size_t(rec.RecordLength()));
    rec.CopyOut(out.data());
    int32_t v;
    std::memcpy(&v, out.data(), 4);
    return v;
}

std::vector<int32_t> SerialsInOrder(RecordFile& rec, const char* index) {
    std::vector<int32_t> order;
    rec.SelectIndex(index);
    rec.Rewind();
    while (rec.Next(1) == 0) order.push_back(Serial(rec));
    return order;
}

class RecordIndex : public ::testing::TestWithParam<TypeCase> {};

TEST_P(RecordIndex, OrderAndFind) {
    const TypeCase& type = GetParam();
    const int number = RecordFileNumber(type.file);
    TempFolder dir;
    auto rec = MakeRecordFileObject(number, dir.File("f.dta"), dir.File("f.dtx"),
                                    IsamMgr::kModeClose);
    ASSERT_TRUE(rec);
    ASSERT_EQ(rec->Open(), 0);
    for (int i = 0; i < 4; ++i) {
        rec->CopyIn(Record(i, type).data());
        ASSERT_EQ(rec->Insert(), 0) << "record " << i;
    }
    ASSERT_EQ(rec->IndexCount(), 1 + int(type.indexes.size()));

    // Index 0: the serial number, unique, in signed order.
    EXPECT_EQ(rec->IndexName(0), kSerialIndex[number]);
    EXPECT_EQ(SerialsInOrder(*rec, kSerialIndex[number]), (std::vector<int32_t>{-3, 5, 7, 9}));
    std::vector<uint8_t> probe = Record(0, type);
    PutNumber(probe, 0, 9);
    rec->CopyIn(probe.data());
    ASSERT_EQ(rec->Find(), 0);
    EXPECT_EQ(rec->CurrentSlot(), 2);
    // The highest serial number: a search above every key, then one step back.
    PutNumber(probe, 0, 500000);
    rec->CopyIn(probe.data());
    EXPECT_EQ(rec->Find(), -1);
    ASSERT_EQ(rec->Prev(1), 0);
    EXPECT_EQ(Serial(*rec), 9);
    std::vector<uint8_t> dup = Record(1, type);
    PutNumber(dup, 0, 7);
    rec->CopyIn(dup.data());
    EXPECT_EQ(rec->Insert(), -1);

    for (size_t k = 0; k < type.indexes.size(); ++k) {
        const IndexCase& ix = type.indexes[k];
        SCOPED_TRACE(ix.name);
        EXPECT_EQ(rec->IndexName(int(k) + 1), ix.name);
        // Number keys: -2, 5 (record 0), 5 (record 2), max. Text keys: "A", "MM" (record 0),
        // "MM"/"MMA" (record 2), "\xC4X".
        const std::vector<int32_t> expected =
            ix.kind == Key::Number ? std::vector<int32_t>{5, 7, 9, -3}
                                   : std::vector<int32_t>{-3, 7, 9, 5};
        EXPECT_EQ(SerialsInOrder(*rec, ix.name), expected);

        // Find by the value of record 2: the first record with that value.
        rec->SelectIndex(ix.name);
        rec->CopyIn(Record(2, type).data());
        ASSERT_EQ(rec->Find(), 0);
        EXPECT_EQ(Serial(*rec), ix.unique ? 9 : 7);
        ASSERT_EQ(rec->Next(1), 0);
        EXPECT_EQ(Serial(*rec), ix.unique ? 5 : 9);

        std::vector<uint8_t> miss = Record(0, type);
        if (ix.kind == Key::Number)
            PutNumber(miss, ix.offset, 4);
        else
            PutText(miss, ix.offset, ix.width, "B");
        rec->CopyIn(miss.data());
        EXPECT_EQ(rec->Find(), -1);

        if (ix.unique) {
            // The same text, with other bytes behind its terminator: still the same key.
            std::vector<uint8_t> same = Record(0, type);
            PutNumber(same, 0, 100);
            same[size_t(ix.offset) + 3] = 'Z';
            rec->CopyIn(same.data());
            EXPECT_EQ(rec->Insert(), -1);
        }
    }

    // Nothing refused was stored.
    rec->SelectIndexNumber(IsamMgr::kFileOrder);
    rec->Rewind();
    int live = 0;
    while (rec->Next(1) == 0) ++live;
    EXPECT_EQ(live, 4);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, RecordIndex, ::testing::ValuesIn(kTypes),
                         [](const auto& info) { return std::string(info.param.file); });

// A text key covers the whole field: texts that differ only in their last byte are different
// keys and sort by that byte, not by record number.
TEST(RecordIndexWidth, WholeFieldIsKeyed) {
    for (const TypeCase& type : kTypes) {
        for (const IndexCase& ix : type.indexes) {
            if (ix.kind != Key::Text) continue;
            SCOPED_TRACE(ix.name);
            TempFolder dir;
            auto rec = MakeRecordFileObject(RecordFileNumber(type.file), dir.File("f.dta"),
                                            dir.File("f.dtx"), 0);
            std::vector<uint8_t> low(size_t(rec->RecordLength()), 0), high = low;
            PutNumber(low, 0, 1);
            PutNumber(high, 0, 2);
            for (const IndexCase& other : type.indexes)   // keep other unique keys apart
                if (other.unique && &other != &ix) PutText(high, other.offset, other.width, "H");
            std::memset(low.data() + ix.offset, 'Q', size_t(ix.width));
            std::memset(high.data() + ix.offset, 'Q', size_t(ix.width));
            high[size_t(ix.offset + ix.width - 1)] = 'R';
            rec->CopyIn(high.data());
            ASSERT_EQ(rec->Insert(), 0);
            rec->CopyIn(low.data());
            ASSERT_EQ(rec->Insert(), 0);
            EXPECT_EQ(SerialsInOrder(*rec, ix.name), (std::vector<int32_t>{1, 2}));
            rec->CopyIn(high.data());
            ASSERT_EQ(rec->Find(), 0);
            EXPECT_EQ(Serial(*rec), 2);
        }
    }
}

}  // namespace

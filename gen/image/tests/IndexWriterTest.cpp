// The index writer: buckets, grid-order index, name indexes and grid cells of a section.
#include <gtest/gtest.h>

#include <algorithm>

#include "gen/testsupport/ImageTestUtil.h"
#include "gen/image/KeyOrder.h"
#include "gen/image/PositionField.h"

using namespace imgtest;

namespace {

constexpr int32_t kDegree = 11930465;

struct Rec {
    const char* ident;
    double lat;
    double lon;
    int facility;  // bit position, -1 absent
    int city;
};

// Writes the records into the APT (or INT) section of a fresh 495/496 image.
class IndexFixture : public ::testing::Test {
protected:
    void Build(int section, const std::vector<Rec>& recs, uint32_t countedCities) {
        ASSERT_TRUE(image.Create(dir.File("i.img")).ok());
        ImageLayout& layout = image.Layout();
        layout.SetFixed(false, false);
        layout.namesLength = 100;
        layout.sections[section].recordCount = static_cast<uint32_t>(recs.size());
        layout.sections[section].cityCount = countedCities;
        layout.Compute();
        writer = std::make_unique<SectionRecordWriter>(image, section);
        for (const Rec& r : recs) {
            std::vector<uint8_t> bytes(ImageParams496.sections[section].recordSize);
            ImageResult res;
            if (section == kSectionApt) {
                AptRecordInput in;
                in.ident = ImageIdent(r.ident);
                in.lat = static_cast<int32_t>(r.lat * kDegree);
                in.lon = static_cast<int32_t>(r.lon * kDegree);
                in.facility = r.facility < 0 ? NamePosition::Absent() : NamePosition::At(r.facility);
                in.city = r.city < 0 ? NamePosition::Absent() : NamePosition::At(r.city);
                res = EncodeAptRecord(ImageParams496, in, bytes.data());
            } else {
                IntRecordInput in;
                in.ident = ImageIdent(r.ident);
                in.lat = static_cast<int32_t>(r.lat * kDegree);
                in.lon = static_cast<int32_t>(r.lon * kDegree);
                res = EncodeIntRecord(ImageParams496, in, bytes.data());
            }
            ASSERT_TRUE(res.ok()) << res.text;
            ASSERT_TRUE(writer->Add(bytes.data(), ImageIdent(r.ident)).ok());
        }
    }
    std::vector<uint16_t> Entries(uint32_t start, uint32_t count) {
        std::vector<uint16_t> v;
        for (uint32_t i = 0; i < count; ++i) v.push_back(static_cast<uint16_t>(image.ReadU16(start + 2 * i)));
        return v;
    }

    TempDir dir;
    Image image{ImageParams496};
    std::unique_ptr<SectionRecordWriter> writer;
};

TEST_F(IndexFixture, AirportIndexesAndCells) {
    // Records 0, 2 and 3 share the box at the origin (-1 degree truncates to row 0); two
    // facility names begin in the same byte (bits 8 and 9) and keep their alphabetical order.
    Build(kSectionApt,
          {{"AAAA", 0.5, 0.5, 9, -1}, {"BBBB", 30, 10, 8, 100}, {"CCCC", 0.6, 0.7, -1, 50}, {"DDDD", -1, 0.1, 200, -1}},
          2);
    IndexWriter index(image, *writer);
    int calls = 0;
    bool done = false;
    while (!done) {
        ASSERT_TRUE(index.Step(&done).ok());
        ++calls;
    }
    EXPECT_GT(calls, 164 + 4 + 2 + 4);  // one entry per call
    const SectionDescriptor& d = image.Layout().sections[kSectionApt];
    EXPECT_EQ(image.ReadU16(d.infoStart), 4u);
    EXPECT_EQ(image.ReadU16(d.infoStart + 2 + 2 * 0), 0u);   // 'A' group
    EXPECT_EQ(image.ReadU16(d.infoStart + 2 + 2 * 4), 1u);   // 'B'
    EXPECT_EQ(image.ReadU16(d.infoStart + 2 + 2 * 12), 3u);  // 'D'
    EXPECT_EQ(image.ReadU16(d.infoStart + 2 + 2 * 1), 0xFFFFu);
    EXPECT_EQ(Entries(d.gridIndexStart, 4), (std::vector<uint16_t>{0, 2, 3, 1}));
    EXPECT_EQ(Entries(d.cityIndexStart, 2), (std::vector<uint16_t>{2, 1}));
    EXPECT_EQ(Entries(d.facilityIndexStart, 4), (std::vector<uint16_t>{1, 0, 3, 2}));

    // Two cells: the origin's (cell 1638, box 8190 first) and the one of record 1.
    ASSERT_EQ(d.cellCount, 2u);
    std::vector<uint8_t> cells(50);
    ASSERT_EQ(image.Read(d.cellsStart, cells.data(), cells.size()), 50);
    uint8_t corner[5];
    EncodeCellCorner(1638, corner);
    EXPECT_TRUE(std::equal(corner, corner + 5, cells.begin()));
    EXPECT_EQ(GetU16(&cells[5]), 3u);
    EXPECT_EQ(GetU16(&cells[7]), 0u);
    for (int b = 1; b < 5; ++b) {
        EXPECT_EQ(GetU16(&cells[5 + 4 * b]), 0u);
        EXPECT_EQ(GetU16(&cells[7 + 4 * b]), 0xFFFFu);
    }
    const int32_t box = GridBox(30 * kDegree & ~0x7FF, 10 * kDegree & ~0x7FF);
    EncodeCellCorner(static_cast<uint32_t>(box / 5), corner);
    EXPECT_TRUE(std::equal(corner, corner + 5, cells.begin() + 25));
    EXPECT_EQ(GetU16(&cells[25 + 5 + 4 * (box % 5)]), 1u);
    EXPECT_EQ(GetU16(&cells[25 + 7 + 4 * (box % 5)]), 3u);
    // The layout now places the INT area behind the cells.
    EXPECT_EQ(image.Layout().sections[kSectionInt].recordsStart, d.cellsStart + 50);
}

TEST_F(IndexFixture, NoCityNamesGiveAnEmptyCityIndex) {
    Build(kSectionApt, {{"AAAA", 1, 1, 0, -1}, {"ABCD", 2, 2, 30, -1}}, 0);
    ASSERT_TRUE(IndexWriter(image, *writer).Run().ok());
    const SectionDescriptor& d = image.Layout().sections[kSectionApt];
    EXPECT_EQ(d.cityIndexStart, d.facilityIndexStart + 4);
    EXPECT_EQ(d.recordsStart, d.cityIndexStart);
    EXPECT_EQ(Entries(d.facilityIndexStart, 2), (std::vector<uint16_t>{0, 1}));
}

TEST_F(IndexFixture, IntersectionsHaveNoNameIndexes) {
    Build(kSectionInt, {{"ALPHA", 9.9, 9.9, -1, -1}, {"BRAVO", 9.95, 9.95, -1, -1}, {"ZULU", -40, -100, -1, -1}}, 0);
    ASSERT_TRUE(IndexWriter(image, *writer).Run().ok());
    const SectionDescriptor& d = image.Layout().sections[kSectionInt];
    EXPECT_EQ(d.gridIndexStart, d.recordsStart + 27);
    EXPECT_EQ(Entries(d.gridIndexStart, 3), (std::vector<uint16_t>{2, 0, 1}));
    EXPECT_EQ(d.cellCount, 2u);
}

TEST_F(IndexFixture, CountsThatDisagreeWithTheLayoutAreProgramErrors) {
    Build(kSectionApt, {{"AAAA", 1, 1, 0, 5}}, 0);  // one city name, none counted
    const ImageResult r = IndexWriter(image, *writer).Run();
    EXPECT_EQ(r.code, ImageCode::InternalError);
    EXPECT_NE(r.text.find("city"), std::string::npos);

    // A record beyond the count is refused before it could overwrite the indexes.
    std::vector<uint8_t> rec(19, 0);
    const ImageResult more = writer->Add(rec.data(), ImageIdent("ZZZZ"));
    EXPECT_EQ(more.code, ImageCode::InternalError);
}

// Record numbers by key, ties by number, as a stable sort orders them: keys that fit the packed
// word (negative ones, ties, 32-bit names) and keys too wide for it.
TEST(OrderByKey, AgreesWithAStableSortByKey) {
    const std::vector<int64_t> small = {5, -3, 0xFFFFFFFF, 5, -3, 0, 90180, -90180, 5, 0xFFFFFFFF};
    const std::vector<int64_t> wide = {5, -3, 0xFFFFFFFF, int64_t{1} << 50, -3, 0, -(int64_t{1} << 48), -90180, 5, 0};
    // A section's worth: keys over several bytes, negative ones, many ties.
    const std::vector<int64_t> many = [] {
        std::vector<int64_t> k(5000);
        for (size_t i = 0; i < k.size(); ++i) k[i] = static_cast<int64_t>((i * 7919) % 3001) * 40503 - 60000000;
        return k;
    }();
    for (const std::vector<int64_t>* keys : {&small, &wide, &many}) {
        std::vector<uint32_t> expected(keys->size());
        for (uint32_t i = 0; i < expected.size(); ++i) expected[i] = i;
        std::stable_sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) { return (*keys)[a] < (*keys)[b]; });
        std::vector<uint32_t> order;
        OrderByKey(static_cast<uint32_t>(keys->size()), [&](uint32_t i) { return (*keys)[i]; }, &order);
        EXPECT_EQ(order, expected);
    }
}

TEST(SectionRecordWriter, SixteenBitRecordLimit) {
    TempDir dir;
    Image image(ImageParams496);
    ASSERT_TRUE(image.Create(dir.File("l.img")).ok());
    image.Layout().sections[kSectionInt].recordCount = 70000;
    image.Layout().Compute();
    SectionRecordWriter writer(image, kSectionInt);
    std::vector<uint8_t> rec(9, 0);
    ImageResult r;
    uint32_t written = 0;
    while ((r = writer.Add(rec.data(), ImageIdent("AAAAA"))).ok()) ++written;
    EXPECT_EQ(written, 65535u);
    EXPECT_EQ(r.code, ImageCode::DataError);
    EXPECT_NE(r.text.find("limit 65535"), std::string::npos) << r.text;
}

}  // namespace

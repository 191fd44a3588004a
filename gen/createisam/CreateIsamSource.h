// The image that Create ISAM rebuilds the database from, read whole into memory and checked
// before anything is erased: the header and directory, the country, names and approach ID
// tables, the sections' ident buckets, the airports' rwy/com/appr entries and the FSS/TCC and
// SUA section blocks. Every offset and count is checked against the file, so the readers below
// never look outside it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/ImageLayout.h"
#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"
#include "gen/image/NamePointer.h"

class Image;

// The FSS/TCC section of an image: its position P and the eight values of its TCC.DAT header
// (V0 the section length, V1-V7 the starts of tables a, z, y, m, b, r, g), relative to P.
struct IsamTccSection {
    uint32_t position = 0;
    uint32_t v[8] = {};
};

// The SUA section of an image: start S (table m), the four tables as counts and absolute
// offsets in header-line order (grid cells, grid record numbers, table a, table b).
struct IsamSuaSection {
    uint32_t start = 0;
    uint32_t count[4] = {};
    uint32_t offset[4] = {};
    enum { kCells = 0, kNumbers = 1, kTableA = 2, kTableB = 3 };
};

class IsamImageSource {
public:
    // Files larger than this are not images of any family.
    static constexpr uint64_t kMaxImageFile = 16u << 20;

    explicit IsamImageSource(const ImageParams& params);

    // Reads the open image and checks its directory and tables; a damaged image gives a
    // message that names what is wrong.
    ImageResult Load(const Image& image);

    const ImageParams& Params() const { return *params_; }
    const ImageLayout& Layout() const { return layout_; }
    const SectionDescriptor& Section(int section) const { return layout_.sections[section]; }

    // The bytes at an offset, or null when [offset, offset + length) is not inside the file.
    const uint8_t* At(uint64_t offset, uint64_t length) const;
    // The image's packet count and sumcheck bytes against its bytes: a "Damaged image" error
    // when either is not as Create Image stores it.
    ImageResult CheckSeal() const;
    // The image end: behind the VOR area, or behind the FSS/TCC or SUA section appended there.
    uint32_t ImageEnd() const;

    // Countries: id (two characters) and name of table entry i.
    uint32_t CountryCount() const { return layout_.countryCount; }
    void Country(uint32_t i, std::string* id, std::string* name) const;

    // Names in table order with the bit position each starts at (ascending).
    const std::vector<std::string>& Names() const { return names_; }
    const std::vector<uint32_t>& NameStarts() const { return nameStarts_; }
    // The number of the name that starts at a names-table bit position, or -1 when none does.
    int32_t NameAt(uint32_t bit) const;

    // Approach IDs in table order (five characters each, trailing blanks kept).
    const std::vector<std::string>& ApproachIds() const { return approachIds_; }

    // Record n of a section (n < record count).
    const uint8_t* Record(int section, uint32_t n) const;
    // The record's ident text: first character from the bucket table, the rest from the record,
    // trailing blanks cut.
    std::string Ident(int section, uint32_t n) const;

    // An airport's rwy/com/appr entry: false when the record holds the main-runway summary;
    // otherwise its bytes up to the next entry (or the table's end).
    bool DetailEntry(uint32_t airport, const uint8_t** entry, uint32_t* length) const;
    // Whether an APT record has a rwy/com/appr entry, and its offset in the table.
    bool EntryOffset(const uint8_t* record, uint32_t* offset) const;
    // The 19-bit rwy/com/appr value of an APT record.
    uint32_t DetailValue(const uint8_t* record) const;

    bool HasTcc() const { return hasTcc_; }
    bool HasSua() const { return hasSua_; }
    const IsamTccSection& Tcc() const { return tcc_; }
    const IsamSuaSection& Sua() const { return sua_; }

private:
    ImageResult LoadNames();
    ImageResult LoadApproachIds();
    ImageResult LoadBuckets();
    ImageResult LoadDetailEntries();
    ImageResult LoadTcc(uint32_t blockA, uint32_t blockB);
    ImageResult LoadSua(uint32_t block);

    const ImageParams* params_;
    ImageLayout layout_;
    std::vector<uint8_t> bytes_;
    std::vector<std::string> names_;
    std::vector<uint32_t> nameStarts_;
    std::vector<std::string> approachIds_;
    // Per section: the bucket of each record.
    std::vector<uint8_t> recordBucket_[kSectionCount];
    // Offsets of the airports' entries, ascending and unique, for the end of each entry.
    std::vector<uint32_t> entryOffsets_;
    bool hasTcc_ = false;
    bool hasSua_ = false;
    IsamTccSection tcc_;
    IsamSuaSection sua_;
};

// "Damaged image: %s" for the messages of the image checks.
ImageResult DamagedImage(const std::string& what);

// Reads n six-bit characters of a packed text kept in reversed byte order: from the most
// significant bit of the area's last byte towards lower addresses; code 0 reads as a blank,
// 1-31 as code + 0x40, 32-63 as code + 16.
std::string ReadReversedSixBitText(const uint8_t* area, uint32_t size, uint32_t n);

// The five characters of a 4-byte packed approach ID.
std::string UnpackApproachId(const uint8_t packed[4]);

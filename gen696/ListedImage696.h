// A 696 image loaded whole for listing: its directory checked (SourceImage696), its bytes in
// memory, the section bounds, the names table's start list and the readers of names, idents,
// countries and positions that the listing lines use. Every offset taken from the image is
// bounded by its section before it is followed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gen696/PointRecords696.h"
#include "gen696/PointSections696.h"
#include "gen696/SourceImage696.h"

// A name pointer: bits 0-20 the byte offset in the names table, bits 21-23 the start bit
// (7 = the most significant).
inline uint32_t NamePointerBit696(uint32_t pointer) { return (pointer & 0x1FFFFF) * 8 + (7 - (pointer >> 21 & 7)); }

inline constexpr const char* kNamePtrTooBig696 = "<**name ptr too big**>";
inline constexpr const char* kNamePtrCorrupt696 = "<**name ptr corrupt**>";
inline constexpr const char* kCountryTooBig696 = "country# too big";

inline uint32_t U16At(const uint8_t* p) { return p[0] | static_cast<uint32_t>(p[1]) << 8; }
inline uint32_t U24At(const uint8_t* p) { return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16; }

class ListedImage696 {
public:
    // Checks the image of the open descriptor and reads it whole. False with the message that
    // refuses it.
    bool Load(int fd, const std::string& name, std::string* error);

    const SourceImage696& Source() const { return source_; }
    const uint8_t* Header() const { return data_.get(); }
    // The file's bytes before the seal.
    const uint8_t* Data() const { return data_.get(); }
    uint32_t Size() const { return size_; }

    // A section's directory values (0 for a section the directory lacks).
    uint32_t Start(int section) const;
    uint32_t Count(int section) const;
    uint32_t RecordSize(int section) const;
    // The section's bytes from its start to its end by the section-bound rule, within the file.
    struct Span {
        const uint8_t* data = nullptr;
        uint32_t size = 0;
        uint32_t start = 0;
    };
    Span Bytes(int section) const;
    // Record n of a section of fixed-size records (null when it lies outside the section or
    // the file).
    const uint8_t* Record(int section, uint32_t n) const;
    // The records the file holds of a section: its count, cut where the file ends.
    uint32_t RecordCount(int section) const;

    // Point records of a type.
    uint32_t PointCount(int type) const { return RecordCount(kPointSections696[type].recs); }
    const uint8_t* Point(int type, uint32_t n) const { return Record(kPointSections696[type].recs, n); }

    // The names table: its decoded name starts (bit positions, ascending) and one name's text.
    const std::vector<uint32_t>& NameStarts() const { return nameStarts_; }
    std::string NameAtBit(uint32_t bit) const;
    // "<**name ptr too big**>", "<**name ptr corrupt**>" or the name of a pointer.
    std::string NamePointerText(uint32_t pointer) const;
    // The pointer's name is the blank name (no name, or a name of blanks only).
    bool IsBlankName(uint32_t pointer) const;

    // The countries: their number and "NAME-ID" of one ("country# too big" past the table).
    uint32_t CountryCount() const { return countryCount_; }
    std::string CountryText(uint32_t number) const;
    // The two-character id of a country (a missing second character a blank).
    std::string CountryId(uint32_t number) const;

    // The ident of a point record: first character from the type's X1 table, the rest from the
    // record's ident field; trailing blanks cut.
    std::string Ident(int type, uint32_t n, const uint8_t* record) const;

private:
    Span FindBytes(int section) const;

    SourceImage696 source_;
    std::unique_ptr<uint8_t[]> data_;   // read whole, not cleared first
    uint32_t size_ = 0;
    std::vector<Span> spans_;   // by section, found once
    std::vector<uint32_t> nameStarts_;
    uint32_t countryCount_ = 0;
};

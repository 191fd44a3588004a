// Name pointers of APT, NDB and VOR records: the byte offset of the name in the names table
// (20 or 18 bits: low 16 in two bytes, the high bits packed elsewhere) and a 3-bit start value
// 7 - (bit of the name's first bit within that byte). The map from names-file serial numbers
// to names-table positions.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"
#include "gen/image/SerialIndex.h"

enum class NameField { Facility, City };

// A names-table position; absent when the record has no such name.
struct NamePosition {
    bool absent = true;
    uint32_t bit = 0;  // bit position from the names table start

    static NamePosition Absent() { return {}; }
    static NamePosition At(uint32_t bit) { return {false, bit}; }
    uint32_t Offset() const { return bit / 8; }
    uint32_t StartValue() const { return 7 - bit % 8; }
};

// Writes the pointer of one name field. An offset that does not fit the family's pointer
// width (all ones mean "absent") is an error that names the record (by its ident, quoted and
// trimmed) and the limit.
ImageResult PutNamePointer(const ImageParams& params, const SectionParams& section, NameField field,
                           const NamePosition& name, uint8_t* record, const std::string& ident);

// Reads a name field back.
NamePosition GetNamePointer(const ImageParams& params, const SectionParams& section, NameField field,
                            const uint8_t* record);

// Names-file serial numbers to names-table positions, in table order.
class NameMap {
public:
    void Add(int32_t serial, uint32_t bit);
    // The first name of the table counts as absent (the names file's lowest-numbered name is
    // shorter than two characters).
    void SetFirstNameAbsent(bool absent) { firstAbsent_ = absent; }
    // A negative serial or 65535 is absent; a serial not in the table is the internal error
    // "Program error: cannot find name sno %d".
    ImageResult Find(int32_t serial, NamePosition* out) const;
    uint32_t Count() const { return count_; }

private:
    SerialIndex<std::pair<uint32_t, uint32_t>> bySerial_;  // position, bit
    uint32_t count_ = 0;
    bool firstAbsent_ = false;
};

// Approach IDs: the 4-byte packed form and the ascending table that airports refer to by index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/ImageResult.h"

constexpr size_t kApproachIdLength = 5;

// Five characters, each masked to 7 bits and coded 0 when at most 0x20, code - 16 below 'A'
// (digits 32-41), code - 0x40 otherwise; 30 bits from bit 0, then the 4 bytes reversed.
// The text ends at its NUL.
void PackApproachId(uint8_t out[4], const std::string& id);

// Byte-wise comparison with 0x40 added to every digit, so digits sort after letters.
int CompareApids(const std::string& a, const std::string& b);

// The distinct approach IDs in ascending order.
class ApproachIdTable {
public:
    // Inserts before the first entry that is not smaller; an equal ID is kept once.
    void Insert(const std::string& id);
    // Index of an ID; one not in the table is the internal error "apid string \"%s\" not found".
    ImageResult Index(const std::string& id, uint32_t* index) const;
    // An error when the table has more IDs than the 16-bit count field holds (0xFFFF is "none").
    ImageResult CheckCount() const;

    uint32_t Count() const { return static_cast<uint32_t>(ids_.size()); }
    const std::string& At(uint32_t i) const { return ids_[i]; }
    void Pack(uint32_t i, uint8_t out[4]) const { PackApproachId(out, ids_[i]); }

private:
    std::vector<std::string> ids_;
};

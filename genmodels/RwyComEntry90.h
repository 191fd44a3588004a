// The runway and frequency entries of the 90/95 XL image (the rwy/com/appr info table): the
// runway items of the 92/190 family, then two-byte frequency items of a 3-bit type code and a
// 12-bit offset above 108.00 MHz.
#pragma once

#include <cstdint>
#include <vector>

#include "gen/image/AirportDetail.h"
#include "gen/image/ImageResult.h"

// One frequency item: type code (bit 2 the ftype's bit 7) and hundredths of MHz above 108.00.
struct FrequencyItem90 {
    uint32_t code = 0;
    uint32_t offset = 0;
    bool operator==(const FrequencyItem90&) const = default;
};

// The item of a database frequency: types 0 and 1 stay, 2 and 3 give 1, 4 gives 2, 5-7 give 3;
// false for types 8-15, which the image leaves out.
bool FrequencyItemOf90(const DetailFrequency& frequency, FrequencyItem90* item);
// The database type of a code: bit 2 as bit 7, and 0 for code 0, else (code and 3) + 2.
int32_t FrequencyTypeOf90(uint32_t code);

// The airport's items: its frequencies mapped, equal items once, at most 80; a frequency whose
// offset does not fit 12 bits is an error naming the airport.
ImageResult FrequencyItems90(int32_t asno, const std::vector<DetailFrequency>& frequencies,
                             std::vector<FrequencyItem90>* items);

// The entry: the runway items (the default runway when there is none), then the frequency items.
ImageResult EncodeRwyComEntry90(int32_t asno, const std::vector<DetailRunway>& runways,
                                const std::vector<FrequencyItem90>& items, std::vector<uint8_t>* entry);

struct RwyComEntry90 {
    std::vector<DetailRunway> runways;  // rflags -1, rpic the picture word
    std::vector<FrequencyItem90> frequencies;
    uint32_t length = 0;  // bytes of the entry
};

// Decodes the entry at `offset` of a table of `length` bytes (frequency items when
// `frequencies`); items past the table or more than 80 of a kind are errors.
ImageResult DecodeRwyComEntry90(const uint8_t* table, uint32_t length, uint32_t offset, bool frequencies,
                                RwyComEntry90* out);

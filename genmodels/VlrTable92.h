// The runway and communication table (VLR) of the 92/190 image: one entry per full airport, its
// runway items then its communication items, each list ending at the first item whose
// more-follows bit is clear.
#pragma once

#include <cstdint>
#include <vector>

#include "gen/image/AirportDetail.h"
#include "gen/image/ImageResult.h"

constexpr uint32_t kMaxVlrEntry92 = 1024;

// A runway item as the table holds it.
struct VlrRunway92 {
    uint32_t length = 0;    // hundreds of feet
    uint32_t rsl = 0;       // surface and lighting byte as stored (bits 6-7 the item's flags)
    uint32_t rw = 0;        // designator word
    uint32_t diagram = 0;   // 0: none
};

// The 32-bit diagram word of a runway: built from rflags, rpicst and rpic when it has flags and
// a picture; otherwise rpic itself.
uint32_t RunwayDiagramWord92(const DetailRunway& runway);

// Whether an airport inside the limit rectangle needs an entry: it has frequencies, or its first
// runway has a designator.
bool NeedsVlrEntry92(const std::vector<DetailRunway>& runways, const std::vector<DetailFrequency>& frequencies);

// The entry of an airport (the default runway item when it has none). An entry over 1024 bytes
// or a frequency outside the code's range is an error naming the airport.
ImageResult EncodeVlrEntry92(int32_t asno, const std::vector<DetailRunway>& runways,
                             const std::vector<DetailFrequency>& frequencies, std::vector<uint8_t>* entry);

// The runway record fields of a runway item read back: length x 100, rsl and 0x7F, rflags -1,
// the designator as stored and the picture word in rpic.
DetailRunway RunwayOfItem92(const VlrRunway92& item);

struct VlrEntry92 {
    std::vector<VlrRunway92> runways;
    std::vector<DetailFrequency> frequencies;  // restriction: its length byte, then its bytes
    uint32_t length = 0;                       // bytes of the items decoded
};

// Decodes an entry at `offset` of a table of `length` bytes: runway items when `runways`,
// communication items when `frequencies`. Items that run past the table, or more than 80 of a
// kind, are errors.
ImageResult DecodeVlrEntry92(const uint8_t* table, uint32_t length, uint32_t offset, bool runways, bool frequencies,
                             VlrEntry92* out);

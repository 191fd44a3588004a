// The five indexes of a point type of a 696 image, built from what its records step noted:
// X1 first-letter table, X2 grid order, X3 city (INT: name) order, X4 facility (INT: parent)
// order, X5 grid boxes in runs of five (26-byte records).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/BulkMemory.h"

inline constexpr uint32_t kX1Entries696 = 164;
inline constexpr uint32_t kGridBoxes696 = 16200;
inline constexpr uint32_t kBoxRunBytes696 = 26;
inline constexpr uint32_t kNoRecord696 = 0xFFFFFFFF;

struct IndexedPoint696 {
    int32_t lat = 0;            // as rebuilt from the record
    int32_t lon = 0;
    uint32_t firstOffset = 0;   // byte offset of the first name pointer
    uint32_t secondOffset = 0;
    bool hasSecond = false;     // a city (INT: a name) that is present and not blank
};

// An index's bytes (a large table: its memory in huge pages).
using IndexBytes696 = std::vector<uint8_t, platform::BulkAllocator<uint8_t>>;

struct PointIndexes696 {
    IndexBytes696 x1, x2, x3, x4, x5;
    uint32_t x3Count = 0;
    uint32_t x5Count = 0;
};

// Words sorted by their high 32 bits (the key), the order of words of the same key kept.
using SortWords696 = std::vector<uint64_t, platform::BulkAllocator<uint64_t>>;
void SortWordsByKey696(SortWords696* words);

// The grid box of a position for X5 (index cells); false when outside 0-16199.
bool GridBox696(int32_t lat, int32_t lon, int32_t* box);

// Builds the indexes of `points` (record number = position) with the X1 table the records
// step filled; false with "grid box out of range %d" or "x2 record out of sequence %d".
bool BuildPointIndexes696(std::span<const IndexedPoint696> points, const uint32_t (&x1)[kX1Entries696],
                          PointIndexes696* out, std::string* error);

// The 26-byte record of run k (boxes 5k to 5k + 4) with the counts and first positions of its
// boxes; `highBits` places bits 16-17 of the five first positions (X5 or airway grid form).
enum class RunForm696 { Points, Airways };
void PackBoxRun696(uint32_t k, const uint16_t* counts, const uint32_t* firsts, RunForm696 form, uint8_t* out);

// The points of an airway in section 46 of a 696 image: the airway record (section 45) names
// its first point, and the points follow one another while bit 3 of a point's first byte is set.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr size_t kAirwayRecordBytes696 = 8;
inline constexpr size_t kAirwayPointBytes696 = 6;
inline constexpr size_t kMaxAirwayPoints696 = 383;

using AirwayPoint696 = std::array<uint8_t, kAirwayPointBytes696>;

// The first point's record number of an 8-byte airway record: byte 5 bits 6-7, u16 at 6.
uint32_t AirwayFirstPoint696(const uint8_t record[kAirwayRecordBytes696]);

// The points of one airway from the `count` 6-byte records of section 46 (`points`), starting
// at point `first`. False with a message when the chain leaves the section or reaches 384
// points; `start` (the section's file position) names the place in the message.
bool ReadAirwayPoints696(const uint8_t* points, size_t count, uint32_t first, uint32_t start,
                         std::vector<AirwayPoint696>* out, std::string* error);

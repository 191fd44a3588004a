// The position field of APT, INT, NDB and VOR records (positions kept to 2048 units), grid
// boxes and the corners of grid cells.
#pragma once

#include <cstdint>

// The largest latitude the field holds: +90 degrees itself would read back as -90.
constexpr int32_t kMaxFieldLatitude = 0x3FFFF800;
constexpr int32_t kMinFieldLatitude = -0x40000000;

// Grid box edge in position units (a little over 2 degrees); 90 rows of 180 boxes.
constexpr int32_t kGridBoxSize = 23871488;
constexpr int32_t kGridBoxCount = 16200;
constexpr uint32_t kBoxesPerCell = 5;
constexpr uint32_t kCellsPerRow = 36;

// A latitude limited to what the field holds (+90 degrees becomes the largest value).
int32_t ClampFieldLatitude(int32_t lat);

// Writes bytes 0-4 and bit 0 of byte 5; the other bits of byte 5 keep their values.
void EncodePosition(uint8_t* record, int32_t lat, int32_t lon);
// Rebuilds the latitude and longitude of a record's position field.
void DecodePosition(const uint8_t* record, int32_t* lat, int32_t* lon);

// Box number (lat / D) * 180 + (lon / D) + 8190, both divisions truncating toward zero;
// valid boxes are 0 to 16199.
int32_t GridBox(int32_t lat, int32_t lon);

// The 5-byte south-west corner of grid cell `cell` (boxes 5c to 5c + 4 of one row).
void EncodeCellCorner(uint32_t cell, uint8_t corner[5]);

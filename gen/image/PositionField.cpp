#include "gen/image/PositionField.h"

int32_t ClampFieldLatitude(int32_t lat) {
    if (lat > kMaxFieldLatitude) return kMaxFieldLatitude;
    if (lat < kMinFieldLatitude) return kMinFieldLatitude;
    return lat;
}

void EncodePosition(uint8_t* record, int32_t lat, int32_t lon) {
    const auto la = static_cast<uint32_t>(ClampFieldLatitude(lat));
    const auto lo = static_cast<uint32_t>(lon);
    record[0] = static_cast<uint8_t>(lo >> 16);
    record[1] = static_cast<uint8_t>(lo >> 24);
    record[2] = static_cast<uint8_t>(la >> 15);
    record[3] = static_cast<uint8_t>(la >> 23);
    record[4] = static_cast<uint8_t>(((lo >> 11) & 0x1F) | (((la >> 11) & 0x07) << 5));
    record[5] = static_cast<uint8_t>((record[5] & 0xFE) | ((la >> 14) & 1));
}

void DecodePosition(const uint8_t* record, int32_t* lat, int32_t* lon) {
    const uint32_t latHigh = static_cast<uint32_t>(record[2] | record[3] << 8) << 16;
    const uint32_t low = static_cast<uint32_t>(record[4] | record[5] << 8) & 0x1E0;
    *lat = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int32_t>(latHigh) >> 1) | (low << 6));
    const uint32_t lonBits = (static_cast<uint32_t>(record[0] | record[1] << 8) << 5) | (record[4] & 0x1Fu);
    *lon = static_cast<int32_t>(lonBits << 11);
}

int32_t GridBox(int32_t lat, int32_t lon) {
    return (lat / kGridBoxSize) * 180 + (lon / kGridBoxSize) + 8190;
}

void EncodeCellCorner(uint32_t cell, uint8_t corner[5]) {
    const int32_t row = static_cast<int32_t>(cell / kCellsPerRow);
    const int32_t group = static_cast<int32_t>(cell % kCellsPerRow);
    const uint32_t lat = static_cast<uint32_t>(row - 45) * 0x2D88000u;
    const uint32_t lon = static_cast<uint32_t>(group - 18) * 0x71D4000u;
    corner[0] = static_cast<uint8_t>(lon >> 16);
    corner[1] = static_cast<uint8_t>(lon >> 24);
    corner[2] = static_cast<uint8_t>(lat >> 16);
    corner[3] = static_cast<uint8_t>(lat >> 24);
    corner[4] = static_cast<uint8_t>(((lon >> 14) & 3) | (((lat >> 15) & 1) << 2));
}

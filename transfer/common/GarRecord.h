// One record of a GAR file: id byte, size byte and that many data bytes. Values are read
// little-endian from data positions, only where the record reaches.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

class TransferFile;

struct GarRecord {
    int id = -1;
    int size = 0;
    uint8_t data[255] = {};

    // True when the record has the data byte at `position`.
    bool Reaches(int position) const { return position >= 0 && position < size; }
    int Byte(int position) const { return Reaches(position) ? data[position] : 0; }
    uint16_t U16(int position) const {
        return Reaches(position) && Reaches(position + 1) ? static_cast<uint16_t>(data[position] | data[position + 1] << 8) : 0;
    }
    int16_t S16(int position) const { return static_cast<int16_t>(U16(position)); }
    uint32_t U32(int position) const {
        if (!Reaches(position) || !Reaches(position + 3)) return 0;
        if constexpr (std::endian::native == std::endian::little) {
            uint32_t value;
            std::memcpy(&value, data + position, sizeof value);
            return value;
        }
        return data[position] | data[position + 1] << 8 | data[position + 2] << 16 |
               static_cast<uint32_t>(data[position + 3]) << 24;
    }
    int32_t S32(int position) const { return static_cast<int32_t>(U32(position)); }
    float F32(int position) const {
        const uint32_t bits = U32(position);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
};

enum class GarRead { Ok, End, Short };

// Reads one record at the file's position: End when nothing is left, Short when the id, the
// size or the data bytes stop early.
GarRead ReadGarRecordFrom(TransferFile& file, GarRecord& record);
// Reads one record's id and size and passes over its data, for a walk that needs no data:
// as ReadGarRecordFrom, with `fileSize` telling where the data stops early.
GarRead SkipGarRecordFrom(TransferFile& file, int64_t fileSize, int& id, int& size);

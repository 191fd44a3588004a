#include "transfer/common/ScreenBitmap.h"

#include "transfer/common/GarListing.h"
#include "transfer/common/GarTables.h"

namespace {

void PutU16(std::vector<uint8_t>& out, unsigned value) {
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

// The unit's pixel byte with its pixel order reversed; 2-bit levels become 4-bit levels × 5.
void Repack(uint8_t byte, int bitsPerPixel, std::vector<uint8_t>& row) {
    if (bitsPerPixel == 2) {
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) value |= ((byte >> (2 * i)) & 3) * 5u << (12 - 4 * i);
        row.push_back(static_cast<uint8_t>(value >> 8));
        row.push_back(static_cast<uint8_t>(value));
        return;
    }
    const int perByte = 8 / bitsPerPixel;
    const unsigned mask = (1u << bitsPerPixel) - 1;
    unsigned value = 0;
    for (int i = 0; i < perByte; ++i) {
        value |= ((byte >> (bitsPerPixel * i)) & mask) << (8 - bitsPerPixel * (i + 1));
    }
    row.push_back(static_cast<uint8_t>(value));
}

}  // namespace

bool BuildScreenBitmap(GarListing& listing, std::vector<uint8_t>& out) {
    out.clear();
    listing.RewindFile();
    if (!listing.ReadNextRecord() || listing.Current().id != kGarRecordCount) return false;
    const int declaredRows = listing.Current().S16(0) - 1;
    if (!listing.ReadNextRecord()) return false;
    const GarRecord header = listing.Current();
    const bool pairs = listing.ProductId() == 128;
    const int bitsPerPixel = header.Byte(12);
    const int rowLength = pairs ? header.U16(8) : header.U16(10);
    // Without the pairs the height follows the width at 16, so the width is the 16 bits at 14.
    const uint32_t width = pairs ? header.U32(14) : header.U16(14);
    const int height = pairs ? header.U16(18) : header.U16(16);
    const int rowHeader = pairs ? 8 : 6;
    if (!header.Reaches(pairs ? 19 : 17)) return false;
    if (bitsPerPixel != 1 && bitsPerPixel != 2 && bitsPerPixel != 4 && bitsPerPixel != 8) return false;
    if (rowLength <= 0 || width == 0 || height <= 0 || height > declaredRows) return false;
    if (static_cast<uint64_t>(width) * bitsPerPixel > static_cast<uint64_t>(rowLength) * 8) return false;

    const int bitCount = bitsPerPixel == 1 ? 1 : bitsPerPixel == 2 ? 4 : bitsPerPixel;
    const size_t rowOut = static_cast<size_t>(rowLength) * bitCount / bitsPerPixel;
    const size_t rowPadded = (rowOut + 3) & ~size_t{3};
    std::vector<uint8_t> pixels(rowPadded * height, 0);
    for (int row = 0; row < height; ++row) {
        std::vector<uint8_t> unitRow;
        for (int part = 0; part < (pairs ? 2 : 1); ++part) {
            if (!listing.ReadNextRecord()) return false;
            const GarRecord& r = listing.Current();
            for (int i = rowHeader; i < r.size; ++i) unitRow.push_back(r.data[i]);
        }
        if (unitRow.size() < static_cast<size_t>(rowLength)) return false;
        std::vector<uint8_t> packed;
        for (int i = 0; i < rowLength; ++i) Repack(unitRow[i], bitsPerPixel, packed);
        // The first row received is the top one, stored last.
        std::copy(packed.begin(), packed.end(), pixels.begin() + rowPadded * (height - 1 - row));
    }

    const uint32_t entries = 1u << bitCount;
    const uint32_t step = bitCount == 1 ? 0xFFFFFF : bitCount == 4 ? 0x111111 : 0x010101;
    const uint32_t offset = 54 + entries * 4;
    out.reserve(offset + pixels.size());
    out.push_back('B');
    out.push_back('M');
    PutU32(out, offset + static_cast<uint32_t>(pixels.size()));
    PutU32(out, 0);
    PutU32(out, offset);
    PutU32(out, 40);
    PutU32(out, width);
    PutU32(out, static_cast<uint32_t>(height));
    PutU16(out, 1);
    PutU16(out, static_cast<unsigned>(bitCount));
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 1024);
    PutU32(out, 1024);
    PutU32(out, 0);
    PutU32(out, 0);
    for (uint32_t e = 0; e < entries; ++e) PutU32(out, (entries - 1 - e) * step);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return true;
}

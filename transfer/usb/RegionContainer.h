// The unit maker's container files (*.taw, *.awp, *.rgn): an optional "pWa.d"/"wAt.d" header
// naming the unit model, a "KpGrd" header, and 15-byte region records ('R' at byte 4, u16
// region at 5, u32 data length at 11), each followed by its data.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class TransferFile;

struct ContainerRegion {
    uint32_t region = 0;
    uint32_t recordOffset = 0;
    uint32_t dataOffset = 0;
    uint32_t length = 0;
};

struct RegionContainer {
    static constexpr size_t kMaxRows = 8;
    int model = 0;  // from the "pWa.d"/"wAt.d" header, 0 when none
    std::vector<ContainerRegion> rows;

    // Reads the region table: rows of the dropped regions are not kept, a record whose data
    // runs past the file's end ends the table, and the first 8 rows are kept.
    void Read(TransferFile& file, std::initializer_list<uint32_t> dropped = {0, 1, 50});
};

// Where the region records begin in the file's first bytes: after the "KpGrd" header and its
// texts; -1 when there is none.
int FirstRegionRecord(const uint8_t* header, size_t size);
// The model id of a "pWa.d"/"wAt.d" header, or -1 when the bytes do not begin with one.
int ContainerModel(const uint8_t* header, size_t size);

// The loader (region 12) of a container, for the unit's product id, copied into the file at
// loaderPath. The trace line ("looking for rgn=12 mdl=..." with its verdict) goes into trace.
// True when a loader was copied and the container's image carries a part number.
bool ExtractUsbLoader(const std::string& container, const std::string& loaderPath, int unitProductId, std::string& trace);

// Database serial numbers in image order: a serial's position is its country index or its
// record number in a section.
#pragma once

#include <cstdint>
#include <vector>

#include "gen/image/ImageResult.h"
#include "gen/image/SerialIndex.h"

class SerialMap {
public:
    // Appends a serial; a serial already present keeps its first position.
    void Add(int32_t serial);
    // Room for `count` serials, so that adding them moves nothing.
    void Reserve(size_t count);
    bool Find(int32_t serial, uint32_t* position) const;
    uint32_t Count() const { return static_cast<uint32_t>(serials_.size()); }
    int32_t At(uint32_t position) const { return serials_[position]; }

private:
    std::vector<int32_t, platform::BulkAllocator<int32_t>> serials_;
    SerialIndex<uint32_t> positions_;
};

// The country index of a country serial: "Program error: cannot find country sno %d" when absent.
ImageResult FindCountryIndex(const SerialMap& countries, int32_t csno, uint32_t* index);

// The record number of a serial in a section: "Program error: cannot find %s sno %d" when absent.
ImageResult FindRecordNumber(const SerialMap& section, const char* sectionName, int32_t serial, uint32_t* recordNumber);

constexpr int32_t kUnknownSuaAirport = 65535;

// The record number of an airport serial for an SUA record, 65535 when the airport is not in
// the image. The markers stay as they are: 65535 (an airport the database lacks) and the
// family's value for no airport.
uint32_t SuaAirportRecordNumber(const SerialMap& airports, int32_t asno, uint32_t noAirport);

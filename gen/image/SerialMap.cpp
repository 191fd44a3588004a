#include "gen/image/SerialMap.h"

#include "common/CLocale.h"

void SerialMap::Add(int32_t serial) {
    positions_.Insert(serial, Count());
    serials_.push_back(serial);
}

void SerialMap::Reserve(size_t count) {
    serials_.reserve(count);
    positions_.Reserve(count);
}

bool SerialMap::Find(int32_t serial, uint32_t* position) const {
    const uint32_t* found = positions_.Find(serial);
    if (!found) return false;
    *position = *found;
    return true;
}

ImageResult FindCountryIndex(const SerialMap& countries, int32_t csno, uint32_t* index) {
    if (!countries.Find(csno, index)) {
        return ImageResult::Internal(StringFormatC("Program error: cannot find country sno %d", csno));
    }
    return ImageResult::Ok();
}

ImageResult FindRecordNumber(const SerialMap& section, const char* sectionName, int32_t serial, uint32_t* recordNumber) {
    if (!section.Find(serial, recordNumber)) {
        return ImageResult::Internal(StringFormatC("Program error: cannot find %s sno %d", sectionName, serial));
    }
    return ImageResult::Ok();
}

uint32_t SuaAirportRecordNumber(const SerialMap& airports, int32_t asno, uint32_t noAirport) {
    if (asno == kUnknownSuaAirport || static_cast<uint32_t>(asno) == noAirport) return static_cast<uint32_t>(asno);
    uint32_t n = 0;
    return airports.Find(asno, &n) ? n : kUnknownSuaAirport;
}

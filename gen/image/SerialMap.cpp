#include "gen/image/SerialMap.h"

#include <algorithm>

#include "common/CLocale.h"

namespace {

// Serials below this are kept by position in a vector (4 bytes each); a database's serials
// run from 0 without many gaps.
constexpr int32_t kDenseSerials = 1 << 21;

}  // namespace

void SerialMap::Add(int32_t serial) {
    if (serial >= 0 && serial < kDenseSerials) {
        const auto at = static_cast<size_t>(serial);
        if (at >= dense_.size()) dense_.resize(std::max(at + 1, dense_.size() * 2), kNone);
        if (dense_[at] == kNone) dense_[at] = Count();
    } else {
        positions_.emplace(serial, Count());
    }
    serials_.push_back(serial);
}

void SerialMap::Reserve(size_t count) {
    serials_.reserve(count);
    if (dense_.size() < count) dense_.resize(std::min<size_t>(count, kDenseSerials), kNone);
}

bool SerialMap::Find(int32_t serial, uint32_t* position) const {
    if (serial >= 0 && serial < kDenseSerials) {
        const auto at = static_cast<size_t>(serial);
        if (at >= dense_.size() || dense_[at] == kNone) return false;
        *position = dense_[at];
        return true;
    }
    const auto it = positions_.find(serial);
    if (it == positions_.end()) return false;
    *position = it->second;
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

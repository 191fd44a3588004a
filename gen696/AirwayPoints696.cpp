#include "gen696/AirwayPoints696.h"

#include <cstring>

#include "common/CLocale.h"

uint32_t AirwayFirstPoint696(const uint8_t r[kAirwayRecordBytes696]) {
    return static_cast<uint32_t>((r[5] >> 6) & 3) << 16 | r[6] | r[7] << 8;
}

bool ReadAirwayPoints696(const uint8_t* points, size_t count, uint32_t first, uint32_t start,
                         std::vector<AirwayPoint696>* out, std::string* error) {
    out->clear();
    for (size_t n = first;; ++n) {
        if (n >= count) {
            *error = StringFormatC("airway point %zx past section 46", n);
            return false;
        }
        if (out->size() >= kMaxAirwayPoints696) {
            *error = StringFormatC("Too many airway points at %zx", start + n * kAirwayPointBytes696);
            return false;
        }
        AirwayPoint696 p;
        std::memcpy(p.data(), points + n * kAirwayPointBytes696, kAirwayPointBytes696);
        out->push_back(p);
        if ((p[0] & 8) == 0) return true;
    }
}

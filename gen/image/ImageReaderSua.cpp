#include "gen/image/ImageReaderSua.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kStepUnit = 14;  // steps move positions in units of 2^14
constexpr uint32_t kHeightsLength = 3;
constexpr uint32_t kCentreBlock = 5;

int32_t SignExtend(uint32_t value, uint32_t bits) {
    const uint32_t sign = 1u << (bits - 1);
    value &= (1u << bits) - 1;
    return static_cast<int32_t>(value ^ sign) - static_cast<int32_t>(sign);
}

int32_t Move(int32_t base, int32_t step) {
    return static_cast<int32_t>(static_cast<uint32_t>(base) + (static_cast<uint32_t>(step) << kStepUnit));
}

int32_t Cut(int32_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value) & ~0x3FFFu); }

// Extra bytes behind the two bytes of a marker, arc or circle.
uint32_t ExtraBytes(uint8_t subKind) {
    switch (subKind) {
        case kSuaArc:
        case kSuaArcOver180:
            return kCentreBlock + 1;
        case kSuaCircle:
            return kCentreBlock;
        default:
            return 0;
    }
}

}  // namespace

void SuaDataRange(const ImageReader& reader, uint32_t area, const uint8_t* record, uint32_t* start, uint32_t* end) {
    const SuaMap& u = reader.Info().map.sua;
    const uint32_t from = SuaDataPointer(reader.Airspace(), record);
    uint32_t to = u.dataEnd;
    if (area + 1 < reader.SuaCount()) {
        uint8_t next[kMaxImageRecord];
        if (reader.ReadSua(area + 1, next)) {
            const uint32_t nextStart = SuaDataPointer(reader.Airspace(), next);
            if (nextStart > from && nextStart < to) to = nextStart;
        }
    }
    to = static_cast<uint32_t>(std::min<uint64_t>(to, reader.Info().fileLength));
    if (from < u.dataStart || from >= to) {
        *start = *end = from;
        return;
    }
    *start = from;
    *end = std::min(to, from + kMaxSuaData);
}

uint32_t ReadSuaVertices(const ImageReader& reader, uint32_t area, const uint8_t* record, SuaVertexList* list) {
    if (list->area == area) return static_cast<uint32_t>(list->entries.size());
    list->area = area;
    const size_t recordSize = std::min<size_t>(reader.SuaRecordSize(area), kMaxImageRecord);
    std::memcpy(list->record, record, recordSize);
    std::memset(list->record + recordSize, 0, kMaxImageRecord - recordSize);
    list->heights = SuaHasHeights(record);
    list->truncated = false;
    list->entries.clear();

    SuaVertex first;
    const GeoPoint start = SuaStart(record);
    first.positioned = true;
    first.lat = start.lat;
    first.lon = start.lon;
    list->entries.push_back(first);

    SuaDataRange(reader, area, record, &list->dataStart, &list->dataEnd);
    const uint32_t length = list->DataLength();
    std::vector<uint8_t>& data = list->data;
    data.assign(length + kSuaVertexBytes, 0);
    reader.Read(list->dataStart, data.data(), length);

    int32_t lat = start.lat;
    int32_t lon = start.lon;
    uint32_t at = 0;
    while (at < length) {
        if (list->entries.size() >= kMaxSuaVertices) {
            list->truncated = true;
            break;
        }
        SuaVertex v;
        const uint8_t* p = &data[at];
        std::memcpy(v.bytes, p, kSuaVertexBytes);
        if (list->heights && list->entries.size() == 1) {
            v.subKind = kSuaHeights;
            v.length = kHeightsLength;
        } else if (p[0] & 2) {
            v.length = 2;
            if ((p[0] & ~1u) == 2 && (p[1] & 1)) {
                v.subKind = p[1];
                v.extra = ExtraBytes(v.subKind);
                v.length += v.extra;
                if (v.extra) {
                    const uint8_t* c = p + 2;
                    v.lonStep = SignExtend(c[0] | (c[1] & 0x3Fu) << 8, 14);
                    v.latStep = SignExtend((c[1] >> 6) | c[2] << 2 | (c[3] & 0x0Fu) << 10, 14);
                    v.radius = (c[3] >> 4) << 8 | c[4];
                    v.centreLat = Move(Cut(lat), v.latStep);
                    v.centreLon = Move(Cut(lon), v.lonStep);
                    if (v.subKind != kSuaCircle) v.pointByte = c[kCentreBlock];
                }
            } else {
                v.lonStep = SignExtend((p[0] >> 2) | (p[1] & 1u) << 6, 7);
                v.latStep = SignExtend(p[1] >> 1, 7);
                v.positioned = true;
            }
        } else {
            v.length = 3;
            v.lonStep = SignExtend((p[0] >> 2) | (p[1] & 0x1Fu) << 6, 11);
            v.latStep = SignExtend((p[1] >> 5) | p[2] << 3, 11);
            v.positioned = true;
        }
        if (at + v.length > length) {
            list->truncated = true;
            break;
        }
        if (v.positioned) {
            lat = Move(Cut(lat), v.latStep);
            lon = Move(Cut(lon), v.lonStep);
            v.lat = lat;
            v.lon = lon;
        }
        list->entries.push_back(v);
        at += v.length;
    }

    // A last vertex off the start by a rounding step closes the outline.
    if (list->entries.size() > 1) {
        SuaVertex& last = list->entries.back();
        if (last.positioned) {
            const auto near = [](int32_t a, int32_t b) {
                const uint32_t d = static_cast<uint32_t>(std::abs(static_cast<int64_t>(a) - b));
                return d == 1024 || d == 2048;
            };
            if (near(last.lat, start.lat)) last.lat = start.lat;
            if (near(last.lon, start.lon)) last.lon = start.lon;
        }
    }
    return static_cast<uint32_t>(list->entries.size());
}

bool ReadSuaArea(const ImageReader& reader, uint32_t area, SuaVertexList* list) {
    if (list->area == area) return true;
    uint8_t record[kMaxImageRecord];
    if (!reader.ReadSua(area, record)) {
        *list = SuaVertexList();
        return false;
    }
    ReadSuaVertices(reader, area, record, list);
    return true;
}

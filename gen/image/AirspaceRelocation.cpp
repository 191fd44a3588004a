#include "gen/image/AirspaceRelocation.h"

#include "common/Bits.h"
#include "common/CLocale.h"
#include "gen/image/Image.h"
#include "gen/image/NamePointer.h"
#include "gen/image/SerialMap.h"

namespace {

constexpr uint32_t kAbsentAirspaceStart = 7;

}  // namespace

int32_t AirspaceNameNumber(const ImageParams& params, const AirspaceNameSlot& slot, const uint8_t* record) {
    const uint32_t high = GetBits(slot.highBit, params.nameOffsetBits - 16, record);
    const uint32_t number = GetU16(record + slot.lowByte) | high << 16;
    if (number == params.NameOffsetAbsent() || number == 0xFFFF) return -1;
    return static_cast<int32_t>(number);
}

const AirspaceRecordLayout kFssRecord496 = {"FSS", 10, 1, {{6, 76, 67}, {0, 0, 0}}, -1, 0, -1};
const AirspaceRecordLayout kTccRecord496 = {"TCC", 19, 1, {{10, 148, 104}, {0, 0, 0}}, 14, 24, -1};
const AirspaceRecordLayout kSuaRecordA496 = {"SUA", 25, 2, {{18, 176, 40}, {20, 180, 88}}, 14, 23, 23};
const AirspaceRecordLayout kSuaRecordB496 = {"SUA", 23, 2, {{18, 176, 40}, {20, 180, 88}}, 14, 23, -1};

ImageResult RelocateAirspaceRecord(const ImageParams& params, const AirspaceRecordLayout& layout, uint8_t* record,
                                   const NameMap& names, uint32_t offsetBase, const SerialMap& airports) {
    const uint32_t absent = params.NameOffsetAbsent();
    for (uint32_t i = 0; i < layout.nameCount; ++i) {
        const AirspaceNameSlot& slot = layout.names[i];
        NamePosition name;
        if (ImageResult r = names.Find(AirspaceNameNumber(params, slot, record), &name); !r) return r;
        uint32_t offset = absent;
        uint32_t start = kAbsentAirspaceStart;
        if (!name.absent) {
            offset = name.Offset();
            start = name.StartValue();
            if (offset >= absent) {
                return ImageResult::Data(StringFormatC("%s record: name at names-table offset %lx does not fit the "
                                                       "%u-bit name pointer (limit %lx)",
                                                       layout.name, static_cast<unsigned long>(offset),
                                                       params.nameOffsetBits, static_cast<unsigned long>(absent - 1)));
            }
        }
        PutU16(record + slot.lowByte, offset);
        PutBits(slot.highBit, params.nameOffsetBits - 16, record, offset >> 16);
        PutBits(slot.startBit, 3, record, start);
    }
    if (layout.offsetByte >= 0) {
        uint8_t* field = record + layout.offsetByte;
        const uint32_t mask = (1u << layout.offsetBits) - 1;
        const uint32_t word = GetU24(field);
        const uint32_t moved = (word & mask) + offsetBase;
        if (moved > mask) {
            return ImageResult::Data(StringFormatC("%s record: offset %lx does not fit its %u-bit field",
                                                   layout.name, static_cast<unsigned long>(moved), layout.offsetBits));
        }
        PutU24(field, (word & ~mask) | moved);
    }
    if (layout.airportByte >= 0) {
        const auto asno = static_cast<int32_t>(GetU16(record + layout.airportByte));
        PutU16(record + layout.airportByte, SuaAirportRecordNumber(airports, asno, params.suaNoAirport));
    }
    return ImageResult::Ok();
}

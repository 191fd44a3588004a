#include "gen/image/NamePointer.h"

#include "common/Bits.h"
#include "common/CLocale.h"
#include "gen/image/IdentCoder.h"

namespace {

struct FieldPlace {
    uint32_t lowByte;
    uint32_t highBit;
    uint32_t startBit;
};

FieldPlace PlaceOf(const SectionParams& s, NameField field) {
    if (field == NameField::Facility) return {s.facilityLowByte, s.facilityHighBit, s.facilityStartBit};
    return {s.facilityLowByte + 2, s.cityHighBit, s.cityStartBit};
}

}  // namespace

ImageResult PutNamePointer(const ImageParams& params, const SectionParams& section, NameField field,
                           const NamePosition& name, uint8_t* record, const std::string& ident) {
    const uint32_t absent = params.NameOffsetAbsent();
    uint32_t offset = absent;
    uint32_t start = section.absentStartValue;
    if (!name.absent) {
        offset = name.Offset();
        start = name.StartValue();
        if (offset >= absent) {
            return ImageResult::Data(StringFormatC("%s \"%s\": %s name at names-table offset %lx does not fit the "
                                                   "%u-bit name pointer (limit %lx)",
                                                   section.name, TrimmedIdent(ident).c_str(),
                                                   field == NameField::Facility ? "facility" : "city",
                                                   static_cast<unsigned long>(offset), params.nameOffsetBits,
                                                   static_cast<unsigned long>(absent - 1)));
        }
    }
    const FieldPlace place = PlaceOf(section, field);
    record[place.lowByte] = static_cast<uint8_t>(offset);
    record[place.lowByte + 1] = static_cast<uint8_t>(offset >> 8);
    PutBits(place.highBit, params.nameOffsetBits - 16, record, offset >> 16);
    PutBits(place.startBit, 3, record, start);
    return ImageResult::Ok();
}

NamePosition GetNamePointer(const ImageParams& params, const SectionParams& section, NameField field,
                            const uint8_t* record) {
    const FieldPlace place = PlaceOf(section, field);
    const uint32_t offset = record[place.lowByte] | static_cast<uint32_t>(record[place.lowByte + 1]) << 8 |
                            GetBits(place.highBit, params.nameOffsetBits - 16, record) << 16;
    if (offset == params.NameOffsetAbsent()) return NamePosition::Absent();
    return NamePosition::At(offset * 8 + 7 - GetBits(place.startBit, 3, record));
}

void NameMap::Add(int32_t serial, uint32_t bit) { bySerial_.Insert(serial, std::make_pair(count_++, bit)); }

ImageResult NameMap::Find(int32_t serial, NamePosition* out) const {
    if (serial < 0 || serial == 65535) {
        *out = NamePosition::Absent();
        return ImageResult::Ok();
    }
    const std::pair<uint32_t, uint32_t>* found = bySerial_.Find(serial);
    if (!found) return ImageResult::Internal(StringFormatC("Program error: cannot find name sno %d", serial));
    *out = (firstAbsent_ && found->first == 0) ? NamePosition::Absent() : NamePosition::At(found->second);
    return ImageResult::Ok();
}

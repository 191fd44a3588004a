#include "gen/image/SectionRecordWriter.h"

#include <algorithm>

#include "common/CLocale.h"
#include "gen/image/Image.h"
#include "gen/image/NamePointer.h"
#include "gen/image/PositionField.h"

SectionRecordWriter::SectionRecordWriter(Image& image, int section) : image_(&image), section_(section) {
    keys_.reserve(std::min(image.Layout().sections[section].recordCount, kMaxRecords));
}

ImageResult SectionRecordWriter::Add(const uint8_t* record, const std::string& ident) {
    const ImageParams& params = image_->Params();
    const SectionDescriptor& d = image_->Layout().sections[section_];
    const SectionParams& s = *d.params;
    const uint32_t n = Count();
    if (n >= kMaxRecords) {
        return ImageResult::Data(StringFormatC("Too many %s records for the image (limit %u)", s.name, kMaxRecords));
    }
    if (n >= d.recordCount) {
        return ImageResult::Internal(StringFormatC("Program error: more %s records than counted (%u)", s.name,
                                                   d.recordCount));
    }
    if (ImageResult r = buckets_.Set(s, ident, n); !r) return r;
    RecordSortKeys keys;
    DecodePosition(record, &keys.lat, &keys.lon);
    if (s.hasNames) {
        const NamePosition facility = GetNamePointer(params, s, NameField::Facility, record);
        const NamePosition city = GetNamePointer(params, s, NameField::City, record);
        if (!facility.absent) keys.facility = facility.bit;
        if (!city.absent) {
            keys.city = city.bit;
            ++cityCount_;
        }
    }
    if (ImageResult r = image_->Write(d.RecordOffset(n), record, s.recordSize); !r) return r;
    keys_.push_back(keys);
    return ImageResult::Ok();
}

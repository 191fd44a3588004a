#include "gen/image/ImageLayout.h"

#include "common/CLocale.h"

ImageLayout::ImageLayout(const ImageParams& params) : params_(&params) {
    SetFixed(false, false);
}

void ImageLayout::SetFixed(bool hasTcc, bool hasSua) {
    const ImageParams& p = *params_;
    for (int s = 0; s < kSectionCount; ++s) {
        sections[s] = SectionDescriptor{};
        sections[s].params = &p.sections[s];
        sections[s].infoStart = p.sections[s].infoStart;
    }
    fssBlockA = hasTcc ? p.fssBlockA : kAbsent24;
    fssBlockB = hasTcc ? p.fssBlockB : kAbsent24;
    suaBlock = hasSua ? p.suaBlock : kAbsent24;
    countryCount = namesLength = approachIdCount = detailLength = appendedLength = 0;
    Compute();
}

void ImageLayout::Compute() {
    const ImageParams& p = *params_;
    countryStart = p.countryTableStart;
    namesStart = countryStart + kCountryRecordSize * countryCount;
    if (p.approaches && approachIdCount > 0) {
        approachIdStart = NamesEnd();
        detailStart = approachIdStart + kApproachIdSize * approachIdCount;
    } else {
        approachIdStart = kAbsent24;
        detailStart = NamesEnd();
    }
    uint32_t previousEnd = DetailEnd();
    for (SectionDescriptor& s : sections) {
        const uint32_t n = s.recordCount;
        if (s.params->hasNames) {
            s.facilityIndexStart = previousEnd;
            s.cityIndexStart = s.facilityIndexStart + 2 * n;
            s.recordsStart = s.cityIndexStart + 2 * s.cityCount;
        } else {
            s.recordsStart = previousEnd;
            s.facilityIndexStart = s.cityIndexStart = s.recordsStart;
        }
        s.gridIndexStart = s.recordsStart + s.params->recordSize * n;
        s.cellsStart = s.gridIndexStart + 2 * n;
        previousEnd = s.AreaEnd();
    }
}

std::string ImageLayout::DescribeSection(int section) const {
    const SectionDescriptor& s = sections[section];
    const bool names = s.params->hasNames;
    return StringFormatC("%s:X1=%lx, X4=%lx/%u, X3=%lx/%u, RECS=%lx/%u, X2=%lx/%u, X5=%lx/%u",
                         s.params->name, static_cast<unsigned long>(s.infoStart),
                         static_cast<unsigned long>(names ? s.facilityIndexStart : 0), names ? s.recordCount : 0,
                         static_cast<unsigned long>(names ? s.cityIndexStart : 0), names ? s.cityCount : 0,
                         static_cast<unsigned long>(s.recordsStart), s.recordCount,
                         static_cast<unsigned long>(s.gridIndexStart), s.recordCount,
                         static_cast<unsigned long>(s.cellsStart), s.cellCount);
}

// Where every table of an image lies: the fixed layout and the layout computation that sets
// each later start from the counts and lengths known so far.
#pragma once

#include <cstdint>
#include <string>

#include "gen/image/ImageParams.h"

// Variable part of a section descriptor (the constant part is the family's SectionParams).
struct SectionDescriptor {
    const SectionParams* params = nullptr;
    uint32_t infoStart = 0;
    uint32_t recordCount = 0;
    uint32_t cityCount = 0;        // records that have a city name
    uint32_t cellCount = 0;        // grid cells written
    uint32_t facilityIndexStart = 0;
    uint32_t cityIndexStart = 0;
    uint32_t recordsStart = 0;
    uint32_t gridIndexStart = 0;
    uint32_t cellsStart = 0;

    uint32_t AreaEnd() const { return cellsStart + kGridCellSize * cellCount; }
    uint32_t RecordOffset(uint32_t recordNumber) const {
        return recordsStart + params->recordSize * recordNumber;
    }
};

class ImageLayout {
public:
    explicit ImageLayout(const ImageParams& params);

    const ImageParams& Params() const { return *params_; }

    // Fixed layout: the info areas, the FSS/TCC and SUA blocks (absent unless their sources
    // are open), the country table; every count and length back to 0.
    void SetFixed(bool hasTcc, bool hasSua);

    // Sets every start from the counts and lengths below and the section counts.
    void Compute();

    // Counts and lengths that the writers fill in.
    uint32_t countryCount = 0;
    uint32_t namesLength = 0;       // bytes of the names table
    uint32_t approachIdCount = 0;
    uint32_t detailLength = 0;      // bytes of the rwy/com/appr table
    uint32_t appendedLength = 0;    // FSS/TCC and SUA sections behind the VOR area

    // Starts that the layout computation sets.
    uint32_t countryStart = 0;
    uint32_t namesStart = 0;
    uint32_t approachIdStart = kAbsent24;
    uint32_t detailStart = 0;
    uint32_t fssBlockA = kAbsent24;
    uint32_t fssBlockB = kAbsent24;
    uint32_t suaBlock = kAbsent24;

    SectionDescriptor sections[kSectionCount];

    uint32_t NamesEnd() const { return namesStart + namesLength; }
    uint32_t DetailEnd() const { return detailStart + detailLength; }
    // End of the VOR area: where FSS/TCC and SUA sections are appended.
    uint32_t PointSectionsEnd() const { return sections[kSectionVor].AreaEnd(); }
    // The image end: the point sections and whatever was appended behind them.
    uint32_t ImageEnd() const { return PointSectionsEnd() + appendedLength; }

    // "%s:X1=%lx, X4=%lx/%u, X3=%lx/%u, RECS=%lx/%u, X2=%lx/%u, X5=%lx/%u" of one section.
    std::string DescribeSection(int section) const;

private:
    const ImageParams* params_;
};

#include "gen/image/SectionMap.h"

#include <algorithm>

#include "common/CLocale.h"
#include "gen/createimage/CreateImageAirspace.h"
#include "gen/image/Image.h"
#include "gen/image/ImageHeader.h"
#include "gen/image/ImageLayout.h"

namespace {

constexpr uint32_t kNoNextStart = 0x400000;

}  // namespace

uint32_t SectionMap::NextSectionStart(uint32_t offset) const {
    auto it = std::upper_bound(starts.begin(), starts.end(), offset);
    return it == starts.end() ? offset : *it;
}

void DumpSectionMap(const Image& image, const ImageHeader& header, const ImageLayout& layout, SectionMap* map,
                    std::vector<std::string>* debug) {
    const ImageParams& params = image.Params();
    const AirspaceLayouts& air = AirspaceLayoutsOf(params);
    SectionMap m;

    m.countryStart = layout.countryStart;
    m.countryCount = layout.countryCount;
    m.countryEnd = m.countryStart + kCountryRecordSize * m.countryCount;
    m.namesStart = layout.namesStart;
    m.approachIdCount = layout.approachIdCount;
    m.approachIdStart = layout.approachIdCount ? layout.approachIdStart : kAbsent24;
    m.detailStart = layout.detailStart;

    std::vector<uint32_t>& s = m.starts;
    s = {m.countryStart, m.namesStart, m.detailStart};
    if (m.approachIdCount) s.push_back(m.approachIdStart);
    for (int i = 0; i < kSectionCount; ++i) {
        const SectionDescriptor& d = layout.sections[i];
        s.insert(s.end(), {d.recordsStart, d.gridIndexStart, d.cellsStart});
        if (d.params->hasNames) s.insert(s.end(), {d.facilityIndexStart, d.cityIndexStart});
    }

    const uint32_t fssA = header.Pointer(kPtrFssBlockA);
    const uint32_t fssB = header.Pointer(kPtrFssBlockB);
    FssTccMap& f = m.fss;
    if (fssA < kAbsent24 && fssB < kAbsent24) {
        f.present = true;
        f.blockA = fssA;
        f.blockB = fssB;
        uint8_t a[kFssBlockASize] = {};
        uint8_t b[kFssBlockBSize] = {};
        image.Read(fssA, a, sizeof a);
        image.Read(fssB, b, sizeof b);
        f.fssCount = GetU16(a);
        f.fssStart = GetU24(a + 2);
        f.fssFreqStart = GetU24(a + 5);
        f.cellCount = GetU16(b);
        f.cellStart = GetU24(b + 2);
        f.gridCount = GetU16(b + 5);
        f.gridStart = GetU24(b + 7);
        f.tccCount = GetU16(b + 10);
        f.tccStart = GetU24(b + 12);
        f.byteListStart = GetU24(b + 15);
        f.groupCount = GetU16(b + 18);
        f.groupStart = GetU24(b + 20);
        f.tccFreqStart = GetU24(b + 23);
        f.end = std::max({f.fssStart + air.fss->size * f.fssCount, f.tccStart + air.tcc->size * f.tccCount,
                          f.groupStart + kTccGroupSize * f.groupCount, f.gridStart + 2 * f.gridCount,
                          f.cellStart + kTccCellSize * f.cellCount});
        s.insert(s.end(), {f.fssFreqStart, f.fssStart, f.tccFreqStart, f.groupStart, f.byteListStart, f.tccStart,
                           f.gridStart, f.cellStart});
    }

    const uint32_t suaBlock = header.Pointer(kPtrSuaBlock);
    SuaMap& u = m.sua;
    if (suaBlock < kAbsent24) {
        u.present = true;
        u.block = suaBlock;
        uint8_t b[kSuaBlockSize] = {};
        image.Read(suaBlock, b, sizeof b);
        u.cellCount = GetU16(b);
        u.cellStart = GetU24(b + 2);
        u.gridCount = GetU16(b + 5);
        u.gridStart = GetU24(b + 7);
        u.aCount = GetU16(b + 10);
        u.aStart = GetU24(b + 12);
        u.bCount = GetU16(b + 15);
        u.bStart = GetU24(b + 17);
        u.dataStart = GetU24(b + 20);
        u.areaStart = std::min({u.cellStart, u.gridStart, u.aStart, u.bStart, u.dataStart});
        u.end = std::max({u.cellStart + kSuaCellSize * u.cellCount, u.gridStart + 2 * u.gridCount,
                          u.aStart + air.suaA->size * u.aCount, u.bStart + air.suaB->size * u.bCount});
        u.dataEnd = kNoNextStart;
        for (uint32_t start : {u.cellStart, u.gridStart, u.aStart, u.bStart}) {
            if (start > u.dataStart && start < u.dataEnd) u.dataEnd = start;
        }
        s.insert(s.end(), {u.dataStart, u.aStart, u.bStart, u.gridStart, u.cellStart});
    }

    std::sort(s.begin(), s.end());
    s.erase(std::unique(s.begin(), s.end()), s.end());
    m.namesEnd = std::max(layout.NamesEnd(), m.namesStart);
    m.detailEnd = m.NextSectionStart(m.detailStart);

    if (u.present) {
        m.imageEnd = u.end;
    } else if (f.present) {
        m.imageEnd = f.end;
    } else {
        m.imageEnd = layout.PointSectionsEnd();
    }

    if (debug) {
        std::vector<std::string>& out = *debug;
        out.push_back("Figures following '=' are hex addresses, and following '/' are decimal counts");
        out.push_back(StringFormatC("CNT:RECS=%lx/%ld", static_cast<unsigned long>(m.countryStart),
                                    static_cast<long>(m.countryCount)));
        out.push_back(StringFormatC("APID:RECS=%lx/%d, VLR:ST=%lx, ND=%lx",
                                    static_cast<unsigned long>(m.approachIdStart), static_cast<int>(m.approachIdCount),
                                    static_cast<unsigned long>(m.detailStart),
                                    static_cast<unsigned long>(m.detailEnd)));
        for (int i = 0; i < kSectionCount; ++i) out.push_back(layout.DescribeSection(i));
        if (f.present) {
            const uint32_t fssFreqs = f.fssStart > f.fssFreqStart ? (f.fssStart - f.fssFreqStart) / 2 : 0;
            const uint32_t tccFreqs = f.groupStart > f.tccFreqStart ? (f.groupStart - f.tccFreqStart) / 2 : 0;
            out.push_back(StringFormatC("FSS:ST=%lx, RECS=%lx/%ld, FREQ_ST=%lx/%ld", static_cast<unsigned long>(fssA),
                                        static_cast<unsigned long>(f.fssStart), static_cast<long>(f.fssCount),
                                        static_cast<unsigned long>(f.fssFreqStart), static_cast<long>(fssFreqs)));
            out.push_back(StringFormatC("TCC:ST=%lx, RECS=%lx/%ld, FREQS=%lx/%ld, STNS=%lx/%ld",
                                        static_cast<unsigned long>(fssB), static_cast<unsigned long>(f.tccStart),
                                        static_cast<long>(f.tccCount), static_cast<unsigned long>(f.tccFreqStart),
                                        static_cast<long>(tccFreqs), static_cast<unsigned long>(f.groupStart),
                                        static_cast<long>(f.groupCount)));
        }
        if (u.present) {
            out.push_back(StringFormatC(
                "SUA:ST=%lx, ND=%lx, X1=%lx, A=%lx/%d, B=%lx/%d, INF:ST=%lx, ND=%lx, X2=%x/%d, X5=%x/%d",
                static_cast<unsigned long>(u.areaStart), static_cast<unsigned long>(u.end),
                static_cast<unsigned long>(suaBlock), static_cast<unsigned long>(u.aStart), static_cast<int>(u.aCount),
                static_cast<unsigned long>(u.bStart), static_cast<int>(u.bCount),
                static_cast<unsigned long>(u.dataStart), static_cast<unsigned long>(u.dataEnd),
                static_cast<unsigned>(u.gridStart), static_cast<int>(u.gridCount), static_cast<unsigned>(u.cellStart),
                static_cast<int>(u.cellCount)));
        }
    }
    *map = std::move(m);
}

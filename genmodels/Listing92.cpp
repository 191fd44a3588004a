#include "genmodels/Listing92.h"

#include <algorithm>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "gen/createisam/CreateIsamSource.h"
#include "gen/image/Image.h"
#include "gen/listing/AirportLoader.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "genmodels/CreateIsam92.h"
#include "genmodels/ImageFile92.h"
#include "genmodels/OlderImageListing.h"
#include "genmodels/OlderModelCoding.h"
#include "genmodels/PointRecords92.h"
#include "genmodels/VlrTable92.h"

namespace {

// The airport's VLR entry as the framework's runway and frequency tables.
void LoadTables(const IsamImageSource& source, uint32_t n, AirportTables* tables) {
    const uint8_t* record = StartAirportTables(source, n, tables);
    uint32_t offset = 0;
    if (!AptEntryOffset92(record, &offset)) return SummaryRunwayLine(record, tables);
    const ImageLayout& layout = source.Layout();
    VlrEntry92 entry;
    const uint8_t* table = source.At(layout.detailStart, layout.detailLength);
    const ImageResult decoded = table ? DecodeVlrEntry92(table, layout.detailLength, offset, true,
                                                         (record[5] & kAptHasComms92) != 0, &entry)
                                      : ImageResult::Data("the VLR table lies outside the file");
    if (!decoded) tables->error = decoded.text;
    for (const VlrRunway92& w : entry.runways) {
        RunwayEntry& r = tables->runways[tables->runwayCount++];
        r.present = true;
        r.length = w.length;
        r.surfaceLights = w.rsl & 0x3F;
        r.designator = w.rw;
        r.picture = w.diagram;
    }
    for (const DetailFrequency& f : entry.frequencies) {
        FrequencyEntry& e = tables->frequencies[tables->frequencyLines++];
        e.present = true;
        e.type = static_cast<uint8_t>(f.ftype);
        e.code = static_cast<uint32_t>(f.freq - 10800);
        e.flags = static_cast<uint32_t>(f.flags) >> 12;
        e.extension = f.restriction;
    }
}

// The bytes of the airport's VLR entry as its decoder reads it.
bool VlrEntrySpan(const IsamImageSource& source, const uint8_t* record, uint32_t* from, uint32_t* to) {
    const ImageLayout& layout = source.Layout();
    const uint8_t* table = source.At(layout.detailStart, layout.detailLength);
    uint32_t offset = 0;
    if ((record[5] & (kAptHasVlr92 | kAptHasComms92)) == 0) return false;
    // A flagged entry that cannot be found lists its raw lines empty.
    *from = *to = 0;
    if (!table || !AptEntryOffset92(record, &offset) || offset >= layout.detailLength) return true;
    VlrEntry92 entry;
    const bool decoded = DecodeVlrEntry92(table, layout.detailLength, offset, true,
                                          (record[5] & kAptHasComms92) != 0, &entry).ok();
    *from = offset;
    *to = decoded ? offset + entry.length : layout.detailLength;
    return true;
}

// At a debug level the serial number and the section map; with an SUA section the image size.
void ListSectionMap92(OperationContext& c, const IsamImageSource& src) {
    const ImageLayout& layout = src.Layout();
    if (c.settings && c.settings->debugLevel != 0) {
        const uint8_t* head = src.At(0, kImage92HeaderSize);
        c.AddLine(StringFormatC("Serial Number (or Time Stamp):0x%08lx", static_cast<unsigned long>(GetU32(head + 59))));
        c.AddLine("Figures following '=' are hex addresses, and following '/' are decimal counts");
        for (int k = 0; k < kSectionCount; ++k) c.AddLine(layout.DescribeSection(k));
        c.AddLine(StringFormatC("CNT:RECS=%lx/%ld", static_cast<unsigned long>(layout.countryStart),
                                static_cast<long>(layout.countryCount)));
        c.AddLine(StringFormatC("TXT:ST=%lx, ND=%lx, VLR:ST=%lx, ND=%lx", static_cast<unsigned long>(layout.namesStart),
                                static_cast<unsigned long>(layout.NamesEnd()),
                                static_cast<unsigned long>(layout.detailStart),
                                static_cast<unsigned long>(layout.DetailEnd())));
        if (src.HasTcc()) {
            const IsamTccSection& t = src.Tcc();
            const unsigned long at = t.position;
            c.AddLine(StringFormatC("FSS:ST=%lx, RECS=%lx/%ld, FREQ_ST=%lx/%ld", at, at + t.v[1],
                                    static_cast<long>((t.v[2] - t.v[1]) / 9), at, static_cast<long>(t.v[1] / 2)));
            c.AddLine(StringFormatC("TCC:ST=%lx, RECS=%lx/%ld, FREQS=%lx/%ld, STNS=%lx/%ld", at, at + t.v[5],
                                    static_cast<long>((t.v[6] - t.v[5]) / 18), at + t.v[2],
                                    static_cast<long>((t.v[3] - t.v[2]) / 2), at + t.v[3],
                                    static_cast<long>((t.v[4] - t.v[3]) / 6)));
        }
    }
    if (!src.HasSua()) return;
    ListImageSize(c, ListSuaSectionMap(c, src, src.ImageEnd()), kImage92Size);
}

constexpr OlderListingFamily kFamily92 = {
    CheckImageRecords92, LoadTables, VlrEntrySpan, ListSectionMap92, FourKindCounts, CountryLineIdName,
    AptElevation92, 13, true, false,
};

}  // namespace

void InstallListing92(GenModel& model) { InstallOlderImageListing(model, kFamily92); }

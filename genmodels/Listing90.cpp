#include "genmodels/Listing90.h"

#include "common/Bits.h"
#include "common/CLocale.h"
#include "gen/createisam/CreateIsamSource.h"
#include "gen/image/Image.h"
#include "gen/listing/AirportLoader.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "genmodels/CreateIsam90.h"
#include "genmodels/ImageFile90.h"
#include "genmodels/OlderImageListing.h"
#include "genmodels/OlderModelCoding.h"
#include "genmodels/PointRecords92.h"
#include "genmodels/RwyComEntry90.h"

namespace {

bool DecodeEntry(const IsamImageSource& source, const uint8_t* record, uint32_t* offset, RwyComEntry90* entry,
                 ImageResult* result) {
    if (!AptEntryOffset92(record, offset)) return false;
    const ImageLayout& layout = source.Layout();
    const uint8_t* table = source.At(layout.detailStart, layout.detailLength);
    *result = table ? DecodeRwyComEntry90(table, layout.detailLength, *offset, (record[5] & kAptHasComms92) != 0, entry)
                    : ImageResult::Data("the rwy/com table lies outside the file");
    return true;
}

// The airport's entry (or its runway summary) as the framework's runway and frequency tables;
// a frequency item's code as the database type it reads back as.
void LoadTables90(const IsamImageSource& source, uint32_t n, AirportTables* tables) {
    const uint8_t* record = StartAirportTables(source, n, tables);
    uint32_t offset = 0;
    RwyComEntry90 entry;
    ImageResult decoded = ImageResult::Ok();
    if (!DecodeEntry(source, record, &offset, &entry, &decoded)) return SummaryRunwayLine(record, tables);
    if (!decoded) tables->error = decoded.text;
    for (const DetailRunway& w : entry.runways) {
        RunwayEntry& r = tables->runways[tables->runwayCount++];
        r.present = true;
        r.length = static_cast<uint32_t>(w.rlen / 100);
        r.surfaceLights = static_cast<uint32_t>(w.rsl) & 0x3F;
        r.designator = static_cast<uint32_t>(w.rw);
        r.picture = static_cast<uint32_t>(w.rpic);
    }
    for (const FrequencyItem90& f : entry.frequencies) {
        FrequencyEntry& e = tables->frequencies[tables->frequencyLines++];
        e.present = true;
        e.type = static_cast<uint8_t>(FrequencyTypeOf90(f.code));
        e.code = f.offset;
    }
}

bool EntrySpan90(const IsamImageSource& source, const uint8_t* record, uint32_t* from, uint32_t* to) {
    uint32_t offset = 0;
    RwyComEntry90 entry;
    ImageResult decoded = ImageResult::Ok();
    if (!DecodeEntry(source, record, &offset, &entry, &decoded)) return false;
    *from = *to = 0;
    if (offset >= source.Layout().detailLength) return true;
    *from = offset;
    *to = decoded ? offset + entry.length : source.Layout().detailLength;
    return true;
}

// At a debug level the country table, names and rwy/com tables, the kinds and the SUA section;
// always the image size against the limit of the program's XL mode.
void DumpSectionMap90(OperationContext& c, const IsamImageSource& src) {
    const ImageLayout& layout = src.Layout();
    if (c.settings && c.settings->debugLevel != 0) {
        c.AddLine(StringFormatC("CNT_ST=%lx,   RECS=%ld", static_cast<unsigned long>(layout.countryStart),
                                static_cast<long>(layout.countryCount)));
        c.AddLine(StringFormatC("TXT_ST=%lx, TXT_ND=%lx, INF_ST=%lx, INF_ND=%lx",
                                static_cast<unsigned long>(layout.namesStart),
                                static_cast<unsigned long>(layout.NamesEnd()),
                                static_cast<unsigned long>(layout.detailStart),
                                static_cast<unsigned long>(layout.DetailEnd())));
        for (const SectionDescriptor& d : layout.sections) {
            c.AddLine(StringFormatC("%s:ST=%lx, RECS=%d, X1=%lx, X2=%lx, X3=%lx, X4=%lx", d.params->name,
                                    static_cast<unsigned long>(d.recordsStart), static_cast<int>(d.recordCount),
                                    static_cast<unsigned long>(d.infoStart),
                                    static_cast<unsigned long>(d.gridIndexStart),
                                    static_cast<unsigned long>(d.cityIndexStart),
                                    static_cast<unsigned long>(d.facilityIndexStart)));
        }
    }
    const bool xl = c.image && &c.image->Params() == &ImageParams90Xl;
    ListImageSize(c, ListSuaSectionMap(c, src, src.ImageEnd()), Image90Limit(xl));
}

constexpr OlderListingFamily kFamily90 = {
    CheckImageRecords90, LoadTables90, EntrySpan90, DumpSectionMap90, FourKindCounts, CountryLineIdName,
    AptElevation92, 13, true, false,
};

}  // namespace

void InstallListing90(GenModel& model) { InstallOlderImageListing(model, kFamily90); }

#include "genmodels/CreateIsam90.h"

#include "common/CLocale.h"
#include "gen/createisam/CreateIsam.h"
#include "gen/image/Image.h"
#include "gen/shell/OperationContext.h"
#include "genmodels/CreateIsam92.h"
#include "genmodels/ImageFile90.h"
#include "genmodels/PointRecords92.h"
#include "genmodels/RwyComEntry90.h"

namespace {

constexpr uint8_t kAfuelBits = 0x3E;
constexpr int32_t kVdmeRead = 0x300;

ImageResult DecodeEntry(const IsamImageSource& source, uint32_t n, uint32_t offset, RwyComEntry90* entry) {
    const ImageLayout& layout = source.Layout();
    const uint8_t* table = source.At(layout.detailStart, layout.detailLength);
    if (!table) return DamagedImage("the rwy/com table lies outside the file");
    const bool frequencies = (source.Record(kSectionApt, n)[5] & kAptHasComms92) != 0;
    const ImageResult r = DecodeRwyComEntry90(table, layout.detailLength, offset, frequencies, entry);
    if (r) return r;
    return DamagedImage(StringFormatC("APT %s (record %u): %s", source.Ident(kSectionApt, n).c_str(), n, r.text.c_str()));
}

StepStatus EraseDatabaseFiles90(OperationContext& c, CreateIsamState& s) {
    return EraseDatabaseFiles(c, s, CheckImageRecords90, kEraseList92, kEraseCount92);
}

StepStatus IsamWriteApts90(OperationContext& c, CreateIsamState& s) { return IsamWriteApts(c, s, ReadAirport90); }

void ReadVorDme90(const uint8_t* record, VorRecord* v) {
    ReadVorDme92(record, v);
    v->vdme |= kVdmeRead;
}

StepStatus IsamWriteVors90(OperationContext& c, CreateIsamState& s) { return IsamWriteVorsWith(c, s, ReadVorDme90); }

// SUA.DAT comes back only in XL mode; an image without airspace removes a stale one.
StepStatus WriteSuaFile90(OperationContext& c, CreateIsamState& s) {
    if (s.source->HasSua() && c.image && &c.image->Params() != &ImageParams90Xl) {
        s.skipped = true;
        return StepStatus::Next;
    }
    return WriteSuaFile(c, s);
}

const std::vector<IsamStepRow> kRows90 = {
    {EraseDatabaseFiles90, "Erasing existing database files"},
    {IsamWriteCountries, "Writing countries table"},
    {IsamWriteNames, "Writing names table"},
    {BuildNamesRefList92, "Creating names reference list"},
    {IsamWriteApts90, "Writing apts, rwys, and freqs tables"},
    {IsamWriteInts, "Writing ints table"},
    {IsamWriteNdbs, "Writing ndbs table"},
    {IsamWriteVors90, "Writing vors table"},
    {WriteSuaFile90, "Writing sua file"},
};

}  // namespace

ImageResult CheckImageRecords90(const IsamImageSource& source) {
    if (ImageResult r = CheckNamePointers(source); !r) return r;
    RwyComEntry90 entry;
    for (uint32_t n = 0; n < source.Section(kSectionApt).recordCount; ++n) {
        uint32_t offset = 0;
        if (!AptEntryOffset92(source.Record(kSectionApt, n), &offset)) continue;
        if (ImageResult r = DecodeEntry(source, n, offset, &entry); !r) return r;
    }
    return ImageResult::Ok();
}

void ReadAirport90(const CreateIsamState& s, uint32_t n, AptRecord* apt, DecodedAirportDetail* detail) {
    const IsamImageSource& source = *s.source;
    *apt = IsamAptRecord(source, n, *s.names, s.countryNumber);
    const uint8_t* record = source.Record(kSectionApt, n);
    *detail = DecodedAirportDetail{};
    apt->afuel = (record[5] & kAfuelBits) | ((record[8] & 0x80) ? 0 : 1);
    uint32_t offset = 0;
    if (!AptEntryOffset92(record, &offset)) {
        DetailRunway brief = SummaryRunway(GetU16(record + 16));
        brief.rsl &= 0x7F;
        detail->runways.push_back(brief);
        return;
    }
    // The entry was read once before the database was erased: it reads the same now.
    RwyComEntry90 entry;
    DecodeEntry(source, n, offset, &entry);
    detail->runways = std::move(entry.runways);
    for (const FrequencyItem90& f : entry.frequencies) {
        DetailFrequency d;
        d.ftype = FrequencyTypeOf90(f.code);
        d.freq = kFrequencyBase + static_cast<int32_t>(f.offset);
        detail->frequencies.push_back(d);
    }
}

void InstallCreateIsam90(GenModel& model) { InstallCreateIsam(model, kRows90); }

#include "genmodels/CreateIsam92.h"

#include "common/CLocale.h"
#include "gen/createisam/CreateIsam.h"
#include "gen/image/Image.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/shell/OperationContext.h"
#include "genmodels/PointRecords92.h"
#include "genmodels/VlrTable92.h"

namespace {

const std::vector<IsamStepRow> kRows92 = {
    {EraseDatabaseFiles92, "Erasing existing database files"},
    {IsamWriteCountries, "Writing countries table"},
    {IsamWriteNames, "Writing names table"},
    {BuildNamesRefList92, "Creating names reference list"},
    {IsamWriteApts92, "Writing apts, rwys, and freqs tables"},
    {IsamWriteInts, "Writing ints table"},
    {IsamWriteNdbs, "Writing ndbs table"},
    {IsamWriteVors92, "Writing vors table"},
    {WriteTccFile, "Writing fss/tcc file"},
    {WriteSuaFile, "Writing sua file"},
};

constexpr uint8_t kAfuelBits = 0x3E;
constexpr int32_t kNoEntry = 1;

// The entry of airport n, decoded.
ImageResult DecodeEntry(const IsamImageSource& source, uint32_t n, uint32_t offset, VlrEntry92* entry) {
    const ImageLayout& layout = source.Layout();
    const uint8_t* table = source.At(layout.detailStart, layout.detailLength);
    const uint8_t* record = source.Record(kSectionApt, n);
    if (!table) return DamagedImage("the VLR table lies outside the file");
    const ImageResult r = DecodeVlrEntry92(table, layout.detailLength, offset, true, (record[5] & kAptHasComms92) != 0, entry);
    if (r) return r;
    return DamagedImage(StringFormatC("APT %s (record %u): %s", source.Ident(kSectionApt, n).c_str(), n, r.text.c_str()));
}

}  // namespace

const char* const kEraseList92[] = {"appr",     "apts",     "country",  "freq3",     "ints",     "lwpt",    "names",
                                    "ndbs",     "restr",    "rwy3",     "vors",      "awys",     "awps",    "SUA+.DAT",
                                    "TCC+.DAT", "HDR+.DAT", "ODDS+.DAT", "STA+.DAT", "TRL+.DAT", "apid.bin"};
const size_t kEraseCount92 = sizeof kEraseList92 / sizeof kEraseList92[0];

ImageResult CheckImageRecords92(const IsamImageSource& source) {
    if (ImageResult r = CheckNamePointers(source); !r) return r;
    VlrEntry92 entry;
    for (uint32_t n = 0; n < source.Section(kSectionApt).recordCount; ++n) {
        uint32_t offset = 0;
        if (!AptEntryOffset92(source.Record(kSectionApt, n), &offset)) continue;
        if (ImageResult r = DecodeEntry(source, n, offset, &entry); !r) return r;
    }
    return ImageResult::Ok();
}

ImageResult CheckNamePointers(const IsamImageSource& source) {
    if (ImageResult r = CheckIsamCountries(source); !r) return r;
    const ImageParams& params = source.Params();
    const uint64_t namesBits = uint64_t{source.Layout().namesLength} * 8;
    for (int kind : {kSectionApt, kSectionNdb, kSectionVor}) {
        const SectionParams& section = params.sections[kind];
        for (uint32_t n = 0; n < source.Section(kind).recordCount; ++n) {
            for (NameField field : {NameField::Facility, NameField::City}) {
                const NamePosition name = GetNamePointer(params, section, field, source.Record(kind, n));
                if (name.absent || name.bit < namesBits) continue;
                return DamagedImage(StringFormatC("%s %s (record %u): name pointer %x lies past the names text",
                                                  section.name, source.Ident(kind, n).c_str(), n, name.Offset()));
            }
        }
    }
    return ImageResult::Ok();
}

void ReadAirport92(const CreateIsamState& s, uint32_t n, AptRecord* apt, DecodedAirportDetail* detail) {
    const IsamImageSource& source = *s.source;
    *apt = IsamAptRecord(source, n, *s.names, s.countryNumber);
    const uint8_t* record = source.Record(kSectionApt, n);
    *detail = DecodedAirportDetail{};
    uint32_t offset = 0;
    const bool hasEntry = AptEntryOffset92(record, &offset);
    apt->afuel = (record[5] & kAfuelBits) | (hasEntry ? 0 : kNoEntry);
    if (!hasEntry) {
        DetailRunway brief = SummaryRunway(GetU16(record + 16));
        brief.rsl &= 0x7F;
        detail->runways.push_back(brief);
        return;
    }
    // The entry was read once before the database was erased: it reads the same now.
    VlrEntry92 entry;
    DecodeEntry(source, n, offset, &entry);
    for (const VlrRunway92& r : entry.runways) detail->runways.push_back(RunwayOfItem92(r));
    detail->frequencies = std::move(entry.frequencies);
}

StepStatus EraseDatabaseFiles92(OperationContext& c, CreateIsamState& s) {
    return EraseDatabaseFiles(c, s, CheckImageRecords92, kEraseList92, kEraseCount92);
}

StepStatus BuildNamesRefList92(OperationContext& c, CreateIsamState& s) {
    // The resolver holds the names' bit positions since the image was read.
    const uint32_t count = s.names ? s.names->Count() : 0;
    c.calls = count > 0 ? count - 1 : 0;
    return StepStatus::Next;
}

StepStatus IsamWriteApts92(OperationContext& c, CreateIsamState& s) { return IsamWriteApts(c, s, ReadAirport92); }

void ReadVorDme92(const uint8_t* record, VorRecord* v) { v->vdme = (record[5] & 6) | ((record[12] & 0x20) ? 1 : 0); }

StepStatus IsamWriteVors92(OperationContext& c, CreateIsamState& s) { return IsamWriteVorsWith(c, s, ReadVorDme92); }

StepStatus IsamWriteVorsWith(OperationContext& c, CreateIsamState& s, IsamVorReading read) {
    const uint32_t n = c.calls;
    if (n == 0) {
        dbif_open<VorRecord>();
        dbif_index<VorRecord>("vident");
    }
    if (n >= s.source->Section(kSectionVor).recordCount) {
        dbif_close<VorRecord>();
        return StepStatus::Next;
    }
    VorRecord v = IsamVorRecord(*s.source, n, *s.names, s.countryNumber);
    read(s.source->Record(kSectionVor, n), &v);
    dbif_add(v);
    return StepStatus::Again;
}

void InstallCreateIsam92(GenModel& model) { InstallCreateIsam(model, kRows92); }

// Create Image, steps 0 to 13: the image's pre-fill and sources, then the scans that count
// the database and mark what the image uses.
#include <fcntl.h>

#include <algorithm>
#include <cstring>

#include "common/CLocale.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/createimage/CreateImageSteps.h"
#include "gen/shell/GenSettings.h"
#include "gen/image/Image.h"
#include "gen/shell/OperationContext.h"
#include "gen/shell/RunSetup.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace {

inline constexpr const char* kEmptyDatabaseText =
    "Your ISAM database (on your PC) is empty, do you want to continue ?";
inline constexpr const char* kTooManyCountriesText =
    "There are %d countries, and the image format does not allow more than 256, do you want to try "
    "\"Optimise\" mode ?";

bool AskYesNo(const std::string& text) {
    return platform::ShowMessage(text, {platform::Buttons::YesNo, platform::Icon::Question}) == platform::kIdYes;
}

std::string DbPath(const OperationContext& c, const char* name) {
    return (c.app ? c.app->GetDbFolder() : std::string(".")) + "/" + name;
}

// Opens a compiled airspace file; a damaged one is reported and left out of the image.
void OpenAirspace(const OperationContext& c, CreateImageBuild& b, AirspaceSource& source, const char* name) {
    if (ImageResult r = source.Open(DbPath(c, name), b.params); !r) platform::ShowMessage(r.text);
}

const GeoRect& Limit(const OperationContext& c) {
    static const GeoRect kNone;
    return c.settings ? c.settings->limitRect : kNone;
}

// More records than an image section can number (u16 record numbers, 0xFFFF meaning none).
StepStatus CheckSectionSize(OperationContext& c, const CreateImageBuild& b, int section, size_t count) {
    if (count <= SectionRecordWriter::kMaxRecords) return StepStatus::Next;
    return AbortCreateImage(c, StringFormatC("There are %zu %ss, and the image format does not allow more than %u",
                                             count, b.params.sections[section].name,
                                             SectionRecordWriter::kMaxRecords));
}

// The included records of a section into its map, one per call; at the end the layout learns
// the section's record count. Only approach waypoints look up INT, NDB and VOR records: without
// approaches those maps stay empty.
template <class Record>
StepStatus ScanSection(CreateImageBuild& b, int section, const std::vector<Record>& records, int32_t Record::*serial) {
    const bool mapped = section == kSectionApt || b.params.approaches;
    if (b.cursor == 0 && mapped) b.maps[section].Reserve(records.size());
    if (b.cursor < records.size()) {
        if (mapped) b.maps[section].Add(records[b.cursor].*serial);
        ++b.cursor;
        return StepStatus::Again;
    }
    b.image.Layout().sections[section].recordCount = static_cast<uint32_t>(records.size());
    return StepStatus::Next;
}

// Room for the records of a section up to what an image section can number, so that the walk
// that collects them moves none.
template <class Record>
void ReserveRecords(std::vector<Record>& records, int32_t nextSerial) {
    records.reserve(std::min<size_t>(static_cast<size_t>(std::max(nextSerial, 0)),
                                     size_t{SectionRecordWriter::kMaxRecords} + 1));
}

// Marks the names that an airspace record refers to.
StepStatus CountAirspace(OperationContext& c, CreateImageBuild& b, AirspaceSource& source) {
    uint8_t record[32];
    const AirspaceRecordLayout* layout = nullptr;
    bool found = false;
    if (ImageResult r = source.NextRecord(record, &layout, &found); !r) return Failed(c, r);
    if (!found) return StepStatus::Next;
    for (uint32_t i = 0; i < layout->nameCount; ++i) {
        const int32_t serial = AirspaceNameNumber(b.params, layout->names[i], record);
        if (serial >= 0) b.nsocc.Mark(serial, OccurrenceTable::kUsed);
    }
    return StepStatus::Again;
}

}  // namespace

std::string NameText(const char* nname, size_t size) { return std::string(nname, strnlen(nname, size)); }

StepStatus StepInitialise(OperationContext& c, CreateImageBuild& b) {
    const uint32_t blocks = b.image.PrefillBlockCount();
    if (c.calls == 0) {
        for (int f = 0; f < kBatchFileCount; ++f) dbif_open(f);
        NameRecord name{};
        dbif_index<NameRecord>("nsno");
        if (!dbif_first(name) && !AskYesNo(kEmptyDatabaseText)) return AbortCreateImage(c, "");
        OfferNewAirspaceFile(c, "NewSUA.dat", "SUA.DAT");
        OfferNewAirspaceFile(c, "NewTCC.dat", "TCC.DAT");
        OpenAirspace(c, b, b.tcc, "TCC.DAT");
        OpenAirspace(c, b, b.sua, "SUA.DAT");
    }
    // A full disc is the user's to clear: the message, and the unfinished image is deleted.
    if (c.calls < blocks) {
        if (ImageResult r = b.image.PrefillBlock(c.calls); !r) return AbortCreateImage(c, r.text);
    }
    if (c.calls + 1 < blocks) return StepStatus::Again;
    b.image.Layout().SetFixed(b.tcc.IsOpen(), b.sua.IsOpen());
    InitBatchSerials(c.nextSerial);
    return StepStatus::Next;
}

StepStatus StepScanCountries(OperationContext& c, CreateImageBuild& b) {
    if (!b.csocc.Allocated()) b.AllocateTable(b.csocc, "csocc", c.nextSerial[kFileCountry]);
    CountryRecord rec{};
    if (b.walk.Next("csno", rec)) {
        ++b.countryCount;
        b.highestCountry = std::max(b.highestCountry, rec.csno);
        b.csocc.Mark(rec.csno, OccurrenceTable::kExists);
        return StepStatus::Again;
    }
    if (b.countryCount > kMaxCountries && c.settings && !c.settings->optimiseCountries &&
        AskYesNo(StringFormatC(kTooManyCountriesText, static_cast<int>(b.countryCount)))) {
        // Optimise Countries from now on, and the scan starts again.
        c.settings->optimiseCountries = true;
        b.countryCount = 0;
        b.highestCountry = -1;
        return StepStatus::Again;
    }
    return StepStatus::Next;
}

StepStatus StepScanNames(OperationContext& c, CreateImageBuild& b) {
    if (!b.nsocc.Allocated()) {
        b.AllocateTable(b.nsocc, "nsocc", c.nextSerial[kFileNames]);
        b.nameRecords.reserve(static_cast<size_t>(std::max(c.nextSerial[kFileNames], 0)));
    }
    // In the names table's order, so that its write needs no second walk.
    NameRecord rec{};
    if (!b.walk.Next("nname", rec)) return StepStatus::Next;
    if (!b.firstNameSeen || rec.nsno < b.lowestName) {
        b.firstNameSeen = true;
        b.lowestName = rec.nsno;
        b.shortFirstName = strnlen(rec.nname, sizeof rec.nname) < 2 ? rec.nsno : -1;
    }
    b.nameRecords.push_back(rec);
    ++b.nameCount;
    b.highestName = std::max(b.highestName, rec.nsno);
    b.nsocc.Mark(rec.nsno, OccurrenceTable::kExists);
    return StepStatus::Again;
}

StepStatus StepCountApts(OperationContext& c, CreateImageBuild& b) { return CountAirports(c, b, true); }

StepStatus CountAirports(OperationContext& c, CreateImageBuild& b, bool flagMakesBrief) {
    if (!b.asocc.Allocated()) {
        b.AllocateTable(b.asocc, "asocc", c.nextSerial[kFileApts]);
        ReserveRecords(b.apts, c.nextSerial[kFileApts]);
    }
    AptRecord a{};
    if (!b.walk.Next("aident", a)) return CheckSectionSize(c, b, kSectionApt, b.apts.size());
    const bool brief = !InsideLimitBox(a.alat, a.along, Limit(c)) || (flagMakesBrief && (a.afuel & 1) != 0);
    if (brief && c.settings && !c.settings->briefApts) return StepStatus::Again;
    b.asocc.Mark(a.asno, OccurrenceTable::kUsed);
    b.nsocc.Mark(a.afacil, OccurrenceTable::kUsed);
    b.nsocc.Mark(a.acity, OccurrenceTable::kUsed);
    b.csocc.Mark(a.acountry, OccurrenceTable::kUsed);
    b.apts.push_back(a);
    return StepStatus::Again;
}

StepStatus StepCountInts(OperationContext& c, CreateImageBuild& b) {
    const bool mapped = b.params.approaches;
    if (!b.isocc.Allocated()) {
        b.AllocateTable(b.isocc, "isocc", c.nextSerial[kFileInts]);
        ReserveRecords(b.ints, c.nextSerial[kFileInts]);
        if (mapped) b.maps[kSectionInt].Reserve(static_cast<size_t>(std::max(c.nextSerial[kFileInts], 0)));
    }
    IntRecord i{};
    if (!b.walk.Next("iident", i)) return CheckSectionSize(c, b, kSectionInt, b.intCount);
    if (!InsideLimitBox(i.ilat, i.ilong, Limit(c))) return StepStatus::Again;
    b.isocc.Mark(i.isno, OccurrenceTable::kUsed);
    b.csocc.Mark(i.icountry, OccurrenceTable::kUsed);
    // Approach waypoints look INT records up by serial.
    if (mapped) b.maps[kSectionInt].Add(i.isno);
    if (b.ints.size() <= SectionRecordWriter::kMaxRecords) b.ints.push_back(i);
    ++b.intCount;
    return StepStatus::Again;
}

StepStatus StepCountNdbs(OperationContext& c, CreateImageBuild& b) {
    if (!b.bsocc.Allocated()) {
        b.AllocateTable(b.bsocc, "bsocc", c.nextSerial[kFileNdbs]);
        ReserveRecords(b.ndbs, c.nextSerial[kFileNdbs]);
    }
    NdbRecord n{};
    if (!b.walk.Next("bident", n)) return CheckSectionSize(c, b, kSectionNdb, b.ndbs.size());
    if (!InsideLimitBox(n.blat, n.blong, Limit(c))) return StepStatus::Again;
    b.bsocc.Mark(n.bsno, OccurrenceTable::kUsed);
    b.nsocc.Mark(n.bfacil, OccurrenceTable::kUsed);
    b.nsocc.Mark(n.bcity, OccurrenceTable::kUsed);
    b.csocc.Mark(n.bcountry, OccurrenceTable::kUsed);
    b.ndbs.push_back(n);
    return StepStatus::Again;
}

StepStatus StepCountVors(OperationContext& c, CreateImageBuild& b) {
    if (!b.vsocc.Allocated()) {
        b.AllocateTable(b.vsocc, "vsocc", c.nextSerial[kFileVors]);
        ReserveRecords(b.vors, c.nextSerial[kFileVors]);
    }
    VorRecord v{};
    if (!b.walk.Next("vident", v)) return CheckSectionSize(c, b, kSectionVor, b.vors.size());
    if (!InsideLimitBox(v.vlat, v.vlong, Limit(c))) return StepStatus::Again;
    b.vsocc.Mark(v.vsno, OccurrenceTable::kUsed);
    b.nsocc.Mark(v.vfacil, OccurrenceTable::kUsed);
    b.nsocc.Mark(v.vcity, OccurrenceTable::kUsed);
    b.csocc.Mark(v.vcountry, OccurrenceTable::kUsed);
    b.vors.push_back(v);
    return StepStatus::Again;
}

StepStatus StepScanApts(OperationContext&, CreateImageBuild& b) {
    const StepStatus s = ScanSection(b, kSectionApt, b.apts, &AptRecord::asno);
    if (s == StepStatus::Next) b.words.assign(b.apts.size(), AirportWord{});
    return s;
}

// The map was made by the count: one call per record all the same.
StepStatus StepScanInts(OperationContext&, CreateImageBuild& b) {
    if (b.cursor < b.intCount) {
        ++b.cursor;
        return StepStatus::Again;
    }
    b.image.Layout().sections[kSectionInt].recordCount = b.intCount;
    return StepStatus::Next;
}
StepStatus StepScanNdbs(OperationContext&, CreateImageBuild& b) {
    return ScanSection(b, kSectionNdb, b.ndbs, &NdbRecord::bsno);
}
StepStatus StepScanVors(OperationContext&, CreateImageBuild& b) {
    return ScanSection(b, kSectionVor, b.vors, &VorRecord::vsno);
}

StepStatus StepCountTcc(OperationContext& c, CreateImageBuild& b) { return CountAirspace(c, b, b.tcc); }
StepStatus StepCountSua(OperationContext& c, CreateImageBuild& b) { return CountAirspace(c, b, b.sua); }

StepStatus StepCountApproachIds(OperationContext& c, CreateImageBuild& b) {
    if (!b.apocc.Allocated()) b.AllocateTable(b.apocc, "apocc", c.nextSerial[kFileAppr]);
    ApprRecord p{};
    if (b.walk.Next("psno", p)) {
        b.apocc.Mark(p.psno, OccurrenceTable::kExists);
        ++b.approachRecords;
        b.approachIds.Insert(NameText(p.pid, sizeof p.pid).substr(0, kApproachIdLength));
        return StepStatus::Again;
    }
    if (ImageResult r = b.approachIds.CheckCount(); !r) return Failed(c, r);
    return StepStatus::Next;
}

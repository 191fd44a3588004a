// Create Image, steps 14 to 19: what Optimise leaves out, the approaches the image can carry,
// and the country, names and approach ID tables.
#include <cstring>

#include "common/CLocale.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/image/CountryRecord.h"
#include "gen/createimage/CreateImageSteps.h"
#include "gen/shell/GenSettings.h"
#include "gen/image/Image.h"
#include "gen/shell/OperationContext.h"

namespace {

inline constexpr const char* kTooManyCountriesText = "The image format does not allow more than 256 countries";

constexpr uint32_t kKindMask = 0xF0;
constexpr int32_t kKindInt = 0x20;
constexpr int32_t kKindNdb = 0x40;
constexpr int32_t kKindVor = 0x60;
constexpr int32_t kKindRunway = 0xA0;
constexpr int32_t kKindLocalA = 0xC0;
constexpr int32_t kKindLocalB = 0xE0;

// With the option on, one record that exists but is not used is taken out of the count per
// call; false when none is left.
bool TakeOutUnused(CreateImageBuild& b, const OccurrenceTable& table, uint32_t* count) {
    while (b.cursor < table.Size() && table.At(b.cursor) != OccurrenceTable::kExists) ++b.cursor;
    if (b.cursor >= table.Size()) return false;
    ++b.cursor;
    if (*count > 0) --*count;
    return true;
}

bool RunwayExists(int32_t rsno) {
    RwyRecord r{};
    r.rsno = rsno;
    dbif_index<RwyRecord>("rsno");
    return dbif_find(r) != 0;
}

// Every waypoint of the approach is in the image: its intersection, NDB or VOR is included,
// its runway exists; local waypoints always are.
bool ApproachUsable(const CreateImageBuild& b, const ApprRecord& p) {
    for (int j = 0; j < 4; ++j) {
        if (p.pwtyp[j] == 0) continue;
        bool ok = false;
        switch (static_cast<uint32_t>(p.pwtyp[j]) & kKindMask) {
        case kKindInt: ok = b.isocc.Has(p.pwrecno[j], OccurrenceTable::kUsed); break;
        case kKindNdb: ok = b.bsocc.Has(p.pwrecno[j], OccurrenceTable::kUsed); break;
        case kKindVor: ok = b.vsocc.Has(p.pwrecno[j], OccurrenceTable::kUsed); break;
        case kKindRunway: ok = RunwayExists(p.pwrecno[j]); break;
        case kKindLocalA:
        case kKindLocalB: ok = true; break;
        default: break;
        }
        if (!ok) return false;
    }
    return true;
}

// Writes what the names table writer has completed since the last write, once that makes a
// piece of PendingBytes::kFlushSize bytes.
ImageResult WriteCompletedNames(CreateImageBuild& b) {
    if (b.namesTable.BitLength() / 8 - b.namesTable.BytesTaken() < PendingBytes::kFlushSize) return ImageResult::Ok();
    const uint32_t at = b.image.Layout().namesStart + b.namesTable.BytesTaken();
    const std::vector<uint8_t> bytes = b.namesTable.TakeCompleteBytes();
    return b.pending.Add(b.image, at, bytes.data(), bytes.size());
}

// Records with a city name, now that the names table says which names are absent.
template <class Record>
uint32_t CityCount(const CreateImageBuild& b, const std::vector<Record>& records, int32_t Record::*city) {
    uint32_t n = 0;
    for (const Record& r : records) {
        NamePosition name;
        // A name that cannot be found counts: writing the record reports it.
        if (!b.names.Find(r.*city, &name).ok() || !name.absent) ++n;
    }
    return n;
}

}  // namespace

StepStatus StepFlagCountries(OperationContext& c, CreateImageBuild& b) {
    if (c.settings && c.settings->optimiseCountries && TakeOutUnused(b, b.csocc, &b.countryCount)) {
        return StepStatus::Again;
    }
    if (b.countryCount > kMaxCountries) return AbortCreateImage(c, kTooManyCountriesText);
    return StepStatus::Next;
}

StepStatus StepFlagNames(OperationContext& c, CreateImageBuild& b) {
    if (c.settings && c.settings->optimise && TakeOutUnused(b, b.nsocc, &b.nameCount)) return StepStatus::Again;
    return StepStatus::Next;
}

StepStatus StepFlagApproaches(OperationContext&, CreateImageBuild& b) {
    if (b.cursor >= b.apts.size() || b.approachRecords == 0) return StepStatus::Next;
    const int32_t asno = b.apts[b.cursor++].asno;
    ApprRecord p{};
    p.paptno = asno;
    dbif_index<ApprRecord>("paptno");
    if (!dbif_find(p)) return StepStatus::Again;
    do {
        if (p.paptno != asno) break;
        if (ApproachUsable(b, p)) b.apocc.Mark(p.psno, OccurrenceTable::kUsed);
    } while (dbif_next(p));
    return StepStatus::Again;
}

StepStatus StepWriteCountries(OperationContext& c, CreateImageBuild& b) {
    ImageLayout& layout = b.image.Layout();
    CountryRecord rec{};
    if (b.walk.Next("cid", rec)) {
        const bool optimise = c.settings && c.settings->optimiseCountries;
        if (optimise && !b.csocc.Has(rec.csno, OccurrenceTable::kUsed)) return StepStatus::Again;
        if (b.cmap.Count() >= kMaxCountries) return AbortCreateImage(c, kTooManyCountriesText);
        uint8_t packed[kCountryRecordSize];
        PackCountryRecord(packed, rec.cid, sizeof rec.cid, rec.cname, sizeof rec.cname);
        if (ImageResult r = b.image.Write(layout.countryStart + kCountryRecordSize * b.cmap.Count(), packed,
                                          sizeof packed);
            !r) {
            return Failed(c, r);
        }
        b.cmap.Add(rec.csno);
        return StepStatus::Again;
    }
    layout.countryCount = b.cmap.Count();
    layout.Compute();
    return StepStatus::Next;
}

StepStatus StepWriteNames(OperationContext& c, CreateImageBuild& b) {
    ImageLayout& layout = b.image.Layout();
    if (b.cursor < b.nameRecords.size()) {
        const NameRecord& rec = b.nameRecords[b.cursor++];
        const bool optimise = c.settings && c.settings->optimise;
        if (optimise && !b.nsocc.Has(rec.nsno, OccurrenceTable::kUsed)) return StepStatus::Again;
        // The field need not end in a NUL: its text terminated on the stack.
        char text[sizeof rec.nname + 1];
        const size_t length = strnlen(rec.nname, sizeof rec.nname);
        std::memcpy(text, rec.nname, length);
        text[length] = '\0';
        const uint32_t bit = b.namesTable.Add(text);
        // The names file's lowest-numbered name, shorter than two characters, stands for "no
        // name" when it heads the table.
        if (b.namesTable.NameCount() == 1) b.names.SetFirstNameAbsent(rec.nsno == b.shortFirstName);
        b.names.Add(rec.nsno, bit);
        if (ImageResult r = WriteCompletedNames(b); !r) return Failed(c, r);
        return StepStatus::Again;
    }
    std::vector<NameRecord>().swap(b.nameRecords);
    const uint32_t at = layout.namesStart + b.namesTable.BytesTaken();
    const std::vector<uint8_t> rest = b.namesTable.Finish();
    if (ImageResult r = b.pending.Add(b.image, at, rest.data(), rest.size()); !r) return Failed(c, r);
    if (ImageResult r = b.pending.Flush(b.image); !r) return Failed(c, r);
    layout.namesLength = b.namesTable.ByteLength();
    layout.sections[kSectionApt].cityCount = CityCount(b, b.apts, &AptRecord::acity);
    layout.sections[kSectionNdb].cityCount = CityCount(b, b.ndbs, &NdbRecord::bcity);
    layout.sections[kSectionVor].cityCount = CityCount(b, b.vors, &VorRecord::vcity);
    layout.Compute();
    return StepStatus::Next;
}

StepStatus StepWriteApproachIds(OperationContext& c, CreateImageBuild& b) {
    ImageLayout& layout = b.image.Layout();
    if (c.calls == 0) {
        layout.approachIdCount = b.params.approaches ? b.approachIds.Count() : 0;
        layout.Compute();
    }
    if (b.cursor < layout.approachIdCount) {
        uint8_t packed[kApproachIdSize];
        b.approachIds.Pack(b.cursor, packed);
        if (ImageResult r = b.image.Write(layout.approachIdStart + kApproachIdSize * b.cursor, packed, sizeof packed); !r) {
            return Failed(c, r);
        }
        ++b.cursor;
        return StepStatus::Again;
    }
    layout.Compute();
    return StepStatus::Next;
}

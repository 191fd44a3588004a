#include "gen/listing/AirportLoader.h"

#include <algorithm>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "gen/createisam/CreateIsamDetail.h"
#include "gen/image/Image.h"
#include "gen/image/PositionField.h"

namespace {

constexpr uint8_t kRestricted = 0x40;     // frequency type: a restriction follows
constexpr int32_t kPictureFollows = 0x40;  // runway surface-and-lighting: a picture follows
constexpr int32_t kFlagSign = 0x80;
constexpr uint8_t kHasEntry = 0x80;       // APT record byte 8

std::shared_ptr<const AirportEntryIndex> EntryIndex(const ImageReader& reader,
                                                    std::shared_ptr<const AirportEntryIndex> have) {
    if (have && have->info == &reader.Info()) return have;
    auto index = std::make_shared<AirportEntryIndex>();
    index->info = &reader.Info();
    const size_t tableSize = reader.Info().detail.size();
    uint8_t record[kMaxImageRecord];
    for (uint32_t n = 0; n < reader.RecordCount(kSectionApt); ++n) {
        uint32_t offset = 0;
        if (reader.ReadRecord(kSectionApt, n, record) && AirportInfoOffset(reader.Params(), record, &offset) &&
            offset < tableSize) {
            index->offsets.push_back(offset);
        }
    }
    std::sort(index->offsets.begin(), index->offsets.end());
    index->offsets.erase(std::unique(index->offsets.begin(), index->offsets.end()), index->offsets.end());
    return index;
}

uint32_t EntryEnd(const AirportEntryIndex& index, uint32_t offset, uint32_t tableSize) {
    const auto next = std::upper_bound(index.offsets.begin(), index.offsets.end(), offset);
    return next == index.offsets.end() ? tableSize : *next;
}

// The flag byte of a runway of an entry. The writer gives a runway with the flag word -1 the
// sign-extended top byte of its picture value and no picture; a runway with a picture has a
// flag word of 0 or more.
int32_t ListedFlag(const DetailRunway& d) {
    const bool picture = (d.rsl & kPictureFollows) != 0;
    return !picture && (d.rflags & kFlagSign) ? d.rflags - 256 : d.rflags;
}

RunwayEntry ListedRunway(const DetailRunway& d, bool fromEntry) {
    RunwayEntry r;
    r.present = true;
    r.length = static_cast<uint32_t>(d.rlen / 100);
    r.width = static_cast<uint32_t>(d.rwidth / 5);
    r.surfaceLights = static_cast<uint32_t>(d.rsl) & (fromEntry ? 0x3F : 0xFF);
    r.designator = static_cast<uint32_t>(d.rw);
    r.flag = fromEntry ? ListedFlag(d) : -1;
    r.pictureStart = static_cast<uint32_t>(d.rpicst);
    r.picture = static_cast<uint32_t>(d.rpic);
    return r;
}

// Frequencies in list order; a restricted one goes to the next line without a runway.
void PlaceFrequencies(const std::vector<DetailFrequency>& frequencies, uint32_t number, AirportTables* t) {
    uint32_t next = 0;
    for (const DetailFrequency& f : frequencies) {
        const bool restricted = !f.restriction.empty();
        uint32_t index = next;
        if (restricted) {
            while (index < kMaxAirportEntries && t->runways[index].present) ++index;
        }
        if (index >= kMaxAirportEntries) {
            if (t->error.empty()) t->error = StringFormatC("Too many FRQs in APT %04x", number);
            return;
        }
        FrequencyEntry& e = t->frequencies[index];
        e.present = true;
        e.type = static_cast<uint8_t>(static_cast<uint32_t>(f.ftype) | (restricted ? kRestricted : 0));
        e.code = static_cast<uint32_t>(f.freq - kFrequencyBase) & 0xFFF;
        e.flags = (static_cast<uint32_t>(f.flags) >> 12) & 7;
        e.extension = f.restriction;
        next = index + 1;
        t->frequencyLines = next;
    }
}

void LoadEntry(const ImageReader& reader, uint32_t number, const uint8_t* record, AirportTables* t) {
    const std::vector<uint8_t>& table = reader.Info().detail;
    const auto tableSize = static_cast<uint32_t>(table.size());
    if (t->infoOffset >= tableSize) {
        t->error = StringFormatC("Damaged image: APT %04x points at %x, outside the rwy/com/appr table", number,
                                 t->infoOffset);
        return;
    }
    t->entryIndex = EntryIndex(reader, t->entryIndex);
    t->infoEnd = EntryEnd(*t->entryIndex, t->infoOffset, tableSize);

    DetailLimits limits;
    limits.approachIds = static_cast<uint32_t>(reader.Info().approachIds.size());
    for (int s = 0; s < kSectionCount; ++s) limits.sectionRecords[s] = reader.RecordCount(s);
    int32_t lat = 0;
    int32_t lon = 0;
    DecodePosition(record, &lat, &lon);
    DecodedAirportDetail& d = t->decoded;
    const ImageResult r = DecodeAirportDetail(reader.Params(), table.data() + t->infoOffset,
                                              t->infoEnd - t->infoOffset, limits, lat, lon, &d);
    if (!r) t->error = StringFormatC("Damaged image: APT %04x: %s", number, r.text.c_str());
    t->infoFlags = d.flags;
    t->approachStart = d.approachData != 0 ? t->infoOffset + d.approachData : t->infoEnd;
    for (const DetailRunway& w : d.runways) t->runways[t->runwayCount++] = ListedRunway(w, true);
    PlaceFrequencies(d.frequencies, number, t);
    t->approaches.assign(d.approaches.begin(), d.approaches.end());
}

// A local waypoint's coordinate as listed: the airport's less the stored difference.
int32_t ListedLocal(int32_t airport, int32_t decoded) {
    const auto difference = static_cast<uint32_t>(LocalDifference(airport, decoded));
    return static_cast<int32_t>(static_cast<uint32_t>(airport) - (difference << 11));
}

ApproachWaypointRef ListedWaypoint(const ApproachWaypoint& w, const GeoPoint& airport) {
    ApproachWaypointRef ref;
    ref.code = static_cast<uint8_t>(w.kind);
    switch (w.kind & 0xF0) {
        case 0xA0:
            ref.reference = static_cast<uint32_t>(w.runway) | ((w.kind & 0x100) ? 0x80 : 0);
            break;
        case 0xC0:
        case 0xE0:
            ref.position.lat = ListedLocal(airport.lat, w.local.lat);
            ref.position.lon = ListedLocal(airport.lon, w.local.lon);
            ref.ident = w.local.ident;
            ref.frequency = static_cast<uint32_t>(w.local.freq);
            break;
        default:
            ref.reference = w.recordNumber;
            break;
    }
    return ref;
}

// Empties the tables for the next airport; keeps the entry index and the buffers' room. Only the
// entries below the counts can have been filled.
void ClearTables(AirportTables* t) {
    for (uint32_t i = 0; i < t->runwayCount && i < kMaxAirportEntries; ++i) t->runways[i] = RunwayEntry{};
    for (uint32_t i = 0; i < t->frequencyLines && i < kMaxAirportEntries; ++i) {
        FrequencyEntry& f = t->frequencies[i];
        std::vector<uint8_t> extension = std::move(f.extension);
        extension.clear();
        f = FrequencyEntry{};
        f.extension = std::move(extension);
    }
    t->record = -1;
    t->hasInfo = false;
    t->infoOffset = 0;
    t->infoEnd = 0;
    t->infoFlags = 0;
    t->runwayCount = 0;
    t->frequencyLines = 0;
    t->approachStart = 0;
    t->approaches.clear();
    t->error.clear();
}

}  // namespace

bool AirportInfoOffset(const ImageParams& params, const uint8_t* record, uint32_t* offset) {
    const uint32_t low = GetU16(record + params.sections[kSectionApt].detailByte);
    *offset = GetBits(40, 3, record) << 16 | low;
    return (record[8] & kHasEntry) != 0;
}

uint32_t LoadAirportInfo(const ImageReader& reader, uint32_t number, const uint8_t* record, bool larger,
                         AirportTables* t) {
    if (t->record != static_cast<int32_t>(number)) {
        ClearTables(t);
        t->record = static_cast<int32_t>(number);
        t->hasInfo = AirportInfoOffset(reader.Params(), record, &t->infoOffset);
        if (t->hasInfo) {
            LoadEntry(reader, number, record, t);
        } else {
            t->runways[0] = ListedRunway(SummaryRunway(t->infoOffset), false);
            t->runwayCount = 1;
        }
    }
    return larger ? t->LineCount() : t->runwayCount;
}

uint32_t ApproachList::LineCount() const {
    uint32_t lines = 0;
    for (const ApproachEntry& a : approaches) lines += 1 + static_cast<uint32_t>(a.waypoints.size());
    return lines;
}

uint32_t LoadApproaches(const AirportTables& t, const GeoPoint& airport, ApproachList* list) {
    if (list->record == t.record) return static_cast<uint32_t>(list->approaches.size());
    *list = ApproachList{};
    list->record = t.record;
    for (const DetailApproach& a : t.approaches) {
        ApproachEntry e;
        e.type = static_cast<uint8_t>(a.type);
        e.idIndex = a.idIndex;
        for (const ApproachWaypoint& w : a.slots) {
            if (w.kind != 0) e.waypoints.push_back(ListedWaypoint(w, airport));
        }
        list->approaches.push_back(std::move(e));
    }
    return static_cast<uint32_t>(list->approaches.size());
}

// Create ISAM: one airport per call with its frequencies (and their restriction chains),
// runways, approaches and local waypoints. The airport's own records are numbered at once and
// added file by file for a few thousand of them together: adding to one file after the other
// keeps the record files' blocks in the cache.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <tuple>

#include "gen/shell/CGenDBOpen.h"
#include "gen/createisam/CreateIsamSteps.h"

namespace {

constexpr int kAirportFiles[] = {kFileApts, kFileRwy3, kFileFreq3, kFileRestr, kFileAppr, kFileLwpt};
constexpr size_t kRestrictionRecord = 8;
// Records numbered before they are added together.
constexpr size_t kChildBatch = 4096;
constexpr int32_t kPictureKindWord = static_cast<int32_t>(0xF0000000u);
constexpr uint32_t kKindRunway = 0xA0;
constexpr uint32_t kKindLocalA = 0xC0;
constexpr uint32_t kKindLocalB = 0xE0;

int32_t TakeNext(OperationContext& c, int file) { return c.nextSerial[file]++; }

// The restriction bytes (length byte first) as a chain of 8-byte RESTR records; the first
// record's number, 0 for none.
int32_t AddRestriction(OperationContext& c, CreateIsamState::AirportChildren& out, const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return 0;
    const size_t records = (bytes.size() + kRestrictionRecord - 1) / kRestrictionRecord;
    const int32_t first = c.nextSerial[kFileRestr];
    c.nextSerial[kFileRestr] += static_cast<int32_t>(records);
    for (size_t i = 0; i < records; ++i) {
        RestrRecord buf{};
        buf.rcsno = first + static_cast<int32_t>(i);
        buf.rcnxt = i + 1 < records ? buf.rcsno + 1 : 0;
        const size_t n = std::min(kRestrictionRecord, bytes.size() - i * kRestrictionRecord);
        std::memcpy(buf.rcres, bytes.data() + i * kRestrictionRecord, n);
        out.restrictions.push_back(buf);
    }
    return first;
}

void AddFrequencies(OperationContext& c, CreateIsamState::AirportChildren& out, int32_t asno,
                    const std::vector<DetailFrequency>& frequencies) {
    for (const DetailFrequency& f : frequencies) {
        FreqRecord buf{};
        buf.fsno = TakeNext(c, kFileFreq3);
        buf.faptno = asno;
        buf.ftype = f.ftype;
        buf.freq = f.freq;
        buf.flags = f.flags;
        buf.frsno = AddRestriction(c, out, f.restriction);
        buf.f431 = -1;
        out.frequencies.push_back(buf);
    }
}

// The runways; the serial of each, by its position in the list.
std::vector<int32_t> AddRunways(OperationContext& c, CreateIsamState::AirportChildren& out, int32_t asno,
                                const std::vector<DetailRunway>& runways) {
    std::vector<int32_t> serials;
    for (const DetailRunway& r : runways) {
        RwyRecord buf{};
        buf.rsno = TakeNext(c, kFileRwy3);
        buf.raptno = asno;
        buf.rwidth = r.rwidth;
        buf.rlen = r.rlen;
        buf.rsl = r.rsl;
        buf.rw = r.rw;
        buf.rflags = r.rflags;
        buf.rpicst = r.rpicst;
        buf.rpic = r.rpic;
        buf.rpicfl = kPictureKindWord;
        out.runways.push_back(buf);
        serials.push_back(buf.rsno);
    }
    return serials;
}

// The airport's local waypoints, each stored once: the same kind, ident, position and
// frequency give the same LWPT record.
class LocalWaypoints {
public:
    int32_t Serial(OperationContext& c, CreateIsamState::AirportChildren& out, const AptRecord& apt, uint32_t kind,
                   const LocalWaypoint& w) {
        const auto key = std::make_tuple(kind, w.ident, w.lat, w.lon, w.freq);
        const auto it = serials_.find(key);
        if (it != serials_.end()) return it->second;
        LwptRecord buf{};
        buf.lsno = TakeNext(c, kFileLwpt);
        buf.laptno = apt.asno;
        buf.ltyp = static_cast<int32_t>(kind);
        buf.llat = w.lat;
        buf.llong = w.lon;
        buf.lfreq = kind == kKindLocalB ? w.freq : 0;
        std::memcpy(buf.lid, w.ident.data(), std::min(w.ident.size(), sizeof buf.lid - 1));
        out.locals.push_back(buf);
        serials_.emplace(key, buf.lsno);
        return buf.lsno;
    }

private:
    std::map<std::tuple<uint32_t, std::string, int32_t, int32_t, int32_t>, int32_t> serials_;
};

void AddApproaches(OperationContext& c, CreateIsamState& s, const AptRecord& apt,
                   const std::vector<DetailApproach>& approaches, const std::vector<int32_t>& runwaySerials) {
    LocalWaypoints locals;
    for (size_t i = 0; i < approaches.size(); ++i) {
        const DetailApproach& a = approaches[i];
        ApprRecord buf{};
        buf.psno = TakeNext(c, kFileAppr);
        buf.paptno = apt.asno;
        buf.pseq = static_cast<int32_t>(i);
        buf.ptyp = static_cast<int32_t>(a.type);
        const std::string& id = s.source->ApproachIds()[a.idIndex];
        std::memcpy(buf.pid, id.data(), std::min(id.size(), sizeof buf.pid - 1));
        int j = 0;
        for (const ApproachWaypoint& w : a.slots) {
            if (w.kind == 0) continue;
            const uint32_t kind = w.kind & 0xF0;
            buf.pwtyp[j] = static_cast<int32_t>(w.kind);
            if (kind == kKindRunway) {
                buf.pwrecno[j] = runwaySerials[static_cast<size_t>(w.runway)];
            } else if (kind == kKindLocalA || kind == kKindLocalB) {
                buf.pwrecno[j] = locals.Serial(c, s.children, apt, kind, w.local);
            } else {
                buf.pwrecno[j] = static_cast<int32_t>(w.recordNumber);
            }
            ++j;
        }
        buf.pnsno = -1;
        s.children.approaches.push_back(buf);
    }
}

template <class Record>
void AddAll(std::vector<Record>& records) {
    for (const Record& record : records) dbif_add(record);
    records.clear();
}

template <class Record>
void OpenThrough(const char* index) {
    dbif_open<Record>();
    dbif_index<Record>(index);
}

// Adds the waiting records, one file after the other.
void AddChildren(CreateIsamState::AirportChildren& children) {
    AddAll(children.frequencies);
    AddAll(children.restrictions);
    AddAll(children.runways);
    AddAll(children.locals);
    AddAll(children.approaches);
}

void ReadFamilyAirport(const CreateIsamState& s, uint32_t n, AptRecord* apt, DecodedAirportDetail* detail) {
    *apt = IsamAptRecord(*s.source, n, *s.names, s.countryNumber);
    bool hasEntry = false;
    // The entry was read once before the database was erased: it reads the same now.
    IsamAirportDetail(*s.source, n, apt->alat, apt->along, detail, &hasEntry);
    apt->afuel = IsamAirportFlags(s.source->Record(kSectionApt, n), hasEntry, detail->flags);
}

}  // namespace

StepStatus IsamWriteApts(OperationContext& c, CreateIsamState& s) { return IsamWriteApts(c, s, ReadFamilyAirport); }

StepStatus IsamWriteApts(OperationContext& c, CreateIsamState& s, IsamAirportReader read) {
    const uint32_t n = c.calls;
    if (n == 0) {
        OpenThrough<AptRecord>("aident");
        OpenThrough<RwyRecord>("raptno");
        OpenThrough<FreqRecord>("faptno");
        OpenThrough<RestrRecord>("rcsno");
        OpenThrough<ApprRecord>("psno");
        OpenThrough<LwptRecord>("laptno");
    }
    const IsamImageSource& source = *s.source;
    if (n >= source.Section(kSectionApt).recordCount) {
        AddChildren(s.children);
        for (int file : kAirportFiles) dbif_close(file);
        return StepStatus::Next;
    }

    AptRecord apt{};
    DecodedAirportDetail detail;
    read(s, n, &apt, &detail);
    dbif_add(apt);
    AddFrequencies(c, s.children, apt.asno, detail.frequencies);
    const std::vector<int32_t> runwaySerials = AddRunways(c, s.children, apt.asno, detail.runways);
    AddApproaches(c, s, apt, detail.approaches, runwaySerials);
    if (s.children.Count() >= kChildBatch) AddChildren(s.children);
    return StepStatus::Again;
}

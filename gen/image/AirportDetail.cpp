#include "gen/image/AirportDetail.h"

#include <algorithm>
#include <cstring>

#include "common/CLocale.h"
#include "dblib/dfFREQ3.h"
#include "dblib/dfRWY3.h"

namespace {

constexpr size_t kTableAEntry = 8;
constexpr size_t kTableBEntry = 7;
constexpr uint32_t kKindInt = 0x20;
constexpr uint32_t kKindNdb = 0x40;
constexpr uint32_t kKindVor = 0x60;
constexpr uint32_t kKindRunway = 0xA0;
constexpr uint32_t kKindLocalA = 0xC0;
constexpr uint32_t kKindLocalB = 0xE0;
constexpr uint32_t kMaxFrequencyCode = 0xFFF;
// Room an entry is given at once: most airports' runways and frequencies fit it.
constexpr size_t kEntryReserve = 64;

// Entry flag bits.
constexpr uint8_t kHasRunways = 0x01;
constexpr uint8_t kHasFrequencies = 0x02;
constexpr uint8_t kHasTableA = 0x04;
constexpr uint8_t kHasTableB = 0x08;
constexpr uint8_t kHasApproaches = 0x10;

class EntryBuilder {
public:
    explicit EntryBuilder(int32_t asno) : asno_(asno) {}
    void Byte(uint32_t v) { bytes_.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v) {
        Byte(v);
        Byte(v >> 8);
    }
    void U32(uint32_t v) {
        U16(v);
        U16(v >> 16);
    }
    void Append(const uint8_t* p, size_t n) { bytes_.insert(bytes_.end(), p, p + n); }
    std::vector<uint8_t>& Bytes() { return bytes_; }

    ImageResult Error(const char* what, size_t count, size_t limit) const {
        return ImageResult::Data(StringFormatC("APT=0x%x: %zu %s (limit %zu)", static_cast<unsigned>(asno_), count, what, limit));
    }

private:
    int32_t asno_;
    std::vector<uint8_t> bytes_;
};

// `runways`: the airport's runways, or the placeholder when it has none.
bool NeedsEntry(const AirportDetailInput& in, const std::vector<DetailRunway>& runways, bool approaches) {
    if (in.brief) return false;
    if (!in.frequencies.empty()) return true;
    if (approaches && !in.approaches.empty()) return true;
    if (!runways.empty() && runways.front().rw != 0) return true;
    return in.afuel > 31;
}

void AddRunways(const std::vector<DetailRunway>& runways, EntryBuilder& b) {
    for (size_t i = 0; i < runways.size(); ++i) {
        const DetailRunway& r = runways[i];
        const bool noFlags = r.rflags == -1;
        const bool picture = !noFlags && (r.rsl & 0x40) != 0;
        const bool more = i + 1 < runways.size();
        b.Byte(static_cast<uint32_t>(r.rlen / 100));
        b.Byte((static_cast<uint32_t>(r.rsl) & 0x3F) | (picture ? 0x40 : 0) | (more ? 0x80 : 0));
        b.Byte(static_cast<uint32_t>(r.rwidth / 5));
        b.Byte(static_cast<uint32_t>(r.rw));
        b.Byte(noFlags ? static_cast<uint32_t>(r.rpic) >> 24 : static_cast<uint32_t>(r.rflags));
        if (r.rw & 0x80) b.Byte(static_cast<uint32_t>(r.rw) >> 8);
        if (picture) {
            b.U16(static_cast<uint32_t>(r.rpicst));
            b.U32(static_cast<uint32_t>(r.rpic));
        }
    }
}

ImageResult AddFrequencies(const std::vector<DetailFrequency>& freqs, int32_t asno, EntryBuilder& b) {
    for (size_t i = 0; i < freqs.size(); ++i) {
        const DetailFrequency& f = freqs[i];
        const int32_t code = f.freq - kFrequencyBase;
        if (code < 0 || code > static_cast<int32_t>(kMaxFrequencyCode)) {
            return ImageResult::Data(StringFormatC("APT=0x%x: frequency %d does not fit its 12-bit code (108.00 to 148.95 MHz)",
                                                   static_cast<unsigned>(asno), f.freq));
        }
        const bool restricted = !f.restriction.empty();
        if (restricted && f.restriction.size() < static_cast<size_t>(f.restriction[0]) + 1) {
            return ImageResult::Data(StringFormatC("APT=0x%x: restriction of %zu bytes shorter than its length %u",
                                                   static_cast<unsigned>(asno), f.restriction.size(),
                                                   f.restriction[0] + 1u));
        }
        const bool more = i + 1 < freqs.size();
        b.Byte(static_cast<uint32_t>(code));
        b.Byte(((static_cast<uint32_t>(code) >> 8) & 0x0F) | ((static_cast<uint32_t>(f.flags) >> 12) & 7) << 4 |
               (more ? 0x80 : 0));
        b.Byte((static_cast<uint32_t>(f.ftype) & ~0x40u) | (restricted ? 0x40 : 0));
        if (restricted) b.Append(f.restriction.data() + 1, f.restriction[0]);
    }
    return ImageResult::Ok();
}

// Position of the entry in the table, added when new; -1 when the table is full.
int FindOrAdd(std::vector<std::vector<uint8_t>>& table, const std::vector<uint8_t>& entry, size_t limit) {
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i] == entry) return static_cast<int>(i);
    }
    if (table.size() >= limit) return -1;
    table.push_back(entry);
    return static_cast<int>(table.size() - 1);
}

ImageResult LocalEntry(const AirportDetailInput& in, const ApproachWaypoint& w, std::vector<uint8_t>* entry) {
    const int32_t dLat = LocalDifference(in.lat, w.local.lat);
    const int32_t dLon = LocalDifference(in.lon, w.local.lon);
    const bool tableA = (w.kind & 0xF0) == kKindLocalA;
    const int32_t limit = tableA ? 0x8000 : 0x400;
    if (dLat < -limit || dLat >= limit || dLon < -limit || dLon >= limit) {
        return ImageResult::Data(StringFormatC("APT=0x%x: local waypoint %s lies too far from the airport",
                                               static_cast<unsigned>(in.asno), w.local.ident.c_str()));
    }
    const auto la = static_cast<uint32_t>(dLat);
    const auto lo = static_cast<uint32_t>(dLon);
    if (tableA) {
        entry->assign(kTableAEntry, 0);
        (*entry)[0] = static_cast<uint8_t>(lo);
        (*entry)[1] = static_cast<uint8_t>(lo >> 8);
        (*entry)[2] = static_cast<uint8_t>(la);
        (*entry)[3] = static_cast<uint8_t>(la >> 8);
        PackLocalIdent(w.local.ident, 5, entry->data() + 4, 4);
    } else {
        entry->assign(kTableBEntry, 0);
        (*entry)[0] = static_cast<uint8_t>(lo);
        (*entry)[1] = static_cast<uint8_t>(((lo >> 8) & 7) | (la & 0x1F) << 3);
        (*entry)[2] = static_cast<uint8_t>((la >> 5) & 0x3F);
        PackLocalIdent(w.local.ident, 3, entry->data() + 2, 3);
        (*entry)[5] = static_cast<uint8_t>(w.local.freq);
        (*entry)[6] = static_cast<uint8_t>((static_cast<uint32_t>(w.local.freq) >> 8) & 0x7F);
    }
    return ImageResult::Ok();
}

ImageResult AddApproaches(const AirportDetailInput& in, EntryBuilder& b, uint8_t* flags) {
    // Place the approaches by sequence number.
    const DetailApproach* bySequence[kMaxApproachSequence + 1] = {};
    uint32_t placed = 0;
    for (const DetailApproach& a : in.approaches) {
        if (a.sequence < 0 || a.sequence > static_cast<int32_t>(kMaxApproachSequence)) {
            return ImageResult::Data(StringFormatC("APT=0x%x: approach sequence number %d outside 0-%u",
                                                   static_cast<unsigned>(in.asno), a.sequence, kMaxApproachSequence));
        }
        if (!bySequence[a.sequence]) ++placed;
        bySequence[a.sequence] = &a;
    }
    if (placed < in.approachCount) {
        return ImageResult::Data(StringFormatC("APT=0x%x: only %d approaches out of %d", static_cast<unsigned>(in.asno),
                                               static_cast<int>(placed), static_cast<int>(in.approachCount)));
    }

    // Local waypoints into tables A and B without duplicates.
    std::vector<std::vector<uint8_t>> tableA;
    std::vector<std::vector<uint8_t>> tableB;
    int localPosition[kMaxApproachSequence + 1][kMaxApproachSlots] = {};
    for (uint32_t s = 0; s <= kMaxApproachSequence; ++s) {
        const DetailApproach* a = bySequence[s];
        if (!a) continue;
        uint32_t used = 0;
        for (uint32_t slot = 0; slot < kMaxApproachSlots; ++slot) {
            const ApproachWaypoint& w = a->slots[slot];
            if (w.kind == 0) continue;
            ++used;
            const uint32_t kind = w.kind & 0xF0;
            if (kind != kKindLocalA && kind != kKindLocalB) continue;
            std::vector<uint8_t> entry;
            if (ImageResult r = LocalEntry(in, w, &entry); !r) return r;
            const bool isA = kind == kKindLocalA;
            const int position = FindOrAdd(isA ? tableA : tableB, entry, isA ? kMaxLocalTableA : kMaxLocalTableB);
            if (position < 0) {
                return b.Error(isA ? "local waypoints in table A" : "local waypoints in table B",
                               (isA ? tableA : tableB).size() + 1, isA ? kMaxLocalTableA : kMaxLocalTableB);
            }
            localPosition[s][slot] = position;
        }
        if (used < a->waypointCount) {
            return ImageResult::Data(StringFormatC("APT=0x%x Approach %d: only %d wpts found out of %d",
                                                   static_cast<unsigned>(in.asno), static_cast<int>(s),
                                                   static_cast<int>(used), static_cast<int>(a->waypointCount)));
        }
    }
    for (size_t i = 0; i < tableA.size(); ++i) {
        if (i + 1 < tableA.size()) tableA[i][4] |= 1;
        b.Append(tableA[i].data(), tableA[i].size());
    }
    for (size_t i = 0; i < tableB.size(); ++i) {
        if (i + 1 < tableB.size()) tableB[i][6] |= 0x80;
        b.Append(tableB[i].data(), tableB[i].size());
    }
    if (!tableA.empty()) *flags |= kHasTableA;
    if (!tableB.empty()) *flags |= kHasTableB;

    // The approach list.
    uint32_t remaining = placed;
    for (uint32_t s = 0; s <= kMaxApproachSequence; ++s) {
        const DetailApproach* a = bySequence[s];
        if (!a) continue;
        --remaining;
        if (a->idIndex > 0xFFFF) return b.Error("is an approach ID index too big for its field", a->idIndex, 0xFFFF);
        b.Byte((a->type & 0xFE) | (remaining > 0 ? 1 : 0));
        b.U16(a->idIndex);
        for (uint32_t slot = 0; slot < kMaxApproachSlots; ++slot) {
            const ApproachWaypoint& w = a->slots[slot];
            if (w.kind == 0) continue;
            const uint32_t kind = w.kind & 0xF0;
            b.Byte(kind + slot + 1);
            switch (kind) {
            case kKindInt:
            case kKindNdb:
            case kKindVor:
                if (w.recordNumber > 0xFFFF) return b.Error("is a waypoint record number too big for its field", w.recordNumber, 0xFFFF);
                b.U16(w.recordNumber);
                break;
            case kKindRunway:
                b.Byte((static_cast<uint32_t>(w.runway) & 0xFF) | ((w.kind & 0x100) ? 0x80 : 0));
                break;
            case kKindLocalA:
            case kKindLocalB:
                b.Byte(static_cast<uint32_t>(localPosition[s][slot]));
                break;
            default:
                return ImageResult::Internal(StringFormatC("Unknown appr wpt type %2x (recno=%d)", kind,
                                                           static_cast<int>(w.recordNumber)));
            }
        }
    }
    if (placed > 0) *flags |= kHasApproaches;
    return ImageResult::Ok();
}

}  // namespace

DetailRunway DetailRunway::From(const dfRWY3& rec) {
    return {rec.rlen, rec.rwidth, rec.rsl, rec.rw, rec.rflags, rec.rpicst, rec.rpic};
}

DetailFrequency DetailFrequency::From(const dfFREQ3& rec, std::vector<uint8_t> restriction) {
    return {rec.ftype, rec.freq, rec.flags, std::move(restriction)};
}

ImageResult AppendFrequencyItems(const std::vector<DetailFrequency>& frequencies, int32_t asno,
                                 std::vector<uint8_t>* out) {
    // The items go straight behind the bytes already there, in the caller's memory.
    EntryBuilder b(asno);
    b.Bytes().swap(*out);
    ImageResult r = AddFrequencies(frequencies, asno, b);
    out->swap(b.Bytes());
    return r;
}

uint32_t MainRunwaySummary(const std::vector<DetailRunway>& runways) {
    const DetailRunway* longest = nullptr;
    for (const DetailRunway& r : runways) {
        if (!longest || r.rlen / 100 > longest->rlen / 100) longest = &r;
    }
    if (!longest) return 0;
    return (static_cast<uint32_t>(longest->rsl) & 0xFF) * 256 + static_cast<uint32_t>(longest->rlen / 100);
}

int32_t LocalDifference(int32_t airport, int32_t waypoint) {
    uint32_t d = static_cast<uint32_t>(airport) - static_cast<uint32_t>(waypoint);
    if (airport >= 0 && waypoint < 0) d += 2048;
    return static_cast<int32_t>(d) >> 11;
}

void PackLocalIdent(const std::string& ident, uint32_t length, uint8_t* area, uint32_t size) {
    bool ended = false;
    uint32_t bit = 0;
    for (uint32_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(i < ident.size() ? ident[i] : 0);
        if (c == 0) ended = true;
        uint32_t code = 0;
        if (!ended) code = c >= 'A' ? c - 0x40u : c >= '0' ? c - 16u : c;
        for (int k = 5; k >= 0; --k, ++bit) {
            if (bit >= 8 * size) return;
            uint8_t& byte = area[size - 1 - bit / 8];
            const auto mask = static_cast<uint8_t>(0x80 >> (bit % 8));
            byte = ((code >> k) & 1) ? (byte | mask) : (byte & ~mask);
        }
    }
}

ImageResult BuildAirportDetail(const ImageParams& params, const AirportDetailInput& in, AirportDetail* out) {
    *out = AirportDetail{};
    const std::vector<DetailRunway>& runways = RunwaysOrPlaceholder(in.runways);
    EntryBuilder b(in.asno);
    if (runways.size() > kMaxDetailRunways) return b.Error("runways", runways.size(), kMaxDetailRunways);
    if (in.frequencies.size() > kMaxDetailFrequencies) {
        return b.Error("frequencies", in.frequencies.size(), kMaxDetailFrequencies);
    }
    if (!NeedsEntry(in, runways, params.approaches)) {
        out->summary = MainRunwaySummary(runways);
        return ImageResult::Ok();
    }

    uint8_t flags = kHasRunways | static_cast<uint8_t>(static_cast<uint32_t>(in.afuel) & 0xE0);
    b.Bytes().reserve(kEntryReserve);
    b.Byte(0);
    AddRunways(runways, b);
    if (!in.frequencies.empty()) {
        flags |= kHasFrequencies;
        if (ImageResult r = AddFrequencies(in.frequencies, in.asno, b); !r) return r;
    }
    if (params.approaches && (!in.approaches.empty() || in.approachCount > 0)) {
        if (ImageResult r = AddApproaches(in, b, &flags); !r) return r;
    }
    if (b.Bytes().size() > kMaxDetailEntry) {
        return ImageResult::Data(StringFormatC("code_rwcom b=%d is too big (limit %u)", static_cast<int>(b.Bytes().size()),
                                               kMaxDetailEntry));
    }
    b.Bytes()[0] = flags;
    out->hasEntry = true;
    out->entry = std::move(b.Bytes());
    return ImageResult::Ok();
}

const std::vector<DetailRunway>& RunwaysOrPlaceholder(const std::vector<DetailRunway>& runways) {
    static const std::vector<DetailRunway> placeholder{DetailRunway::Placeholder()};
    return runways.empty() ? placeholder : runways;
}

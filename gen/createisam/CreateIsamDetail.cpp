#include "gen/createisam/CreateIsamDetail.h"

#include <string>

#include "common/CLocale.h"
#include "gen/createisam/CreateIsamSource.h"
#include "gen/image/Image.h"

namespace {

constexpr uint8_t kHasRunways = 0x01;
constexpr uint8_t kHasFrequencies = 0x02;
constexpr uint8_t kHasTableA = 0x04;
constexpr uint8_t kHasTableB = 0x08;
constexpr uint8_t kHasApproaches = 0x10;
constexpr uint32_t kTableAEntry = 8;
constexpr uint32_t kTableBEntry = 7;
constexpr uint32_t kApproachHead = 3;
constexpr uint32_t kMaxRestriction = 127;
constexpr uint32_t kRunwayOtherEnd = 0x100;

// Restriction flags that add fields, and the field lengths.
constexpr uint8_t kSector = 0x01;
constexpr uint8_t kAbove = 0x02;
constexpr uint8_t kBelow = 0x04;
constexpr uint8_t kRemoteVor = 0x08;
constexpr uint8_t kText = 0x10;

int32_t SignExtend(uint32_t value, uint32_t bits) {
    const uint32_t sign = 1u << (bits - 1);
    return static_cast<int32_t>((value ^ sign) - sign);
}

std::string TrimmedText(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    return text;
}

class EntryReader {
public:
    EntryReader(const uint8_t* e, uint32_t length) : e_(e), length_(length) {}
    bool Has(uint32_t n) const { return at_ <= length_ && n <= length_ - at_; }
    uint32_t At() const { return at_; }
    uint32_t Left() const { return length_ - at_; }
    const uint8_t* Here() const { return e_ + at_; }
    uint32_t Byte() { return e_[at_++]; }
    uint32_t U16() {
        const uint32_t v = GetU16(e_ + at_);
        at_ += 2;
        return v;
    }
    uint32_t U32() {
        const uint32_t v = GetU32(e_ + at_);
        at_ += 4;
        return v;
    }
    void Skip(uint32_t n) { at_ += n; }

private:
    const uint8_t* e_;
    uint32_t length_;
    uint32_t at_ = 0;
};

ImageResult Short(const char* what) { return ImageResult::Data(StringFormatC("its %s runs past its entry", what)); }

ImageResult ReadRunways(EntryReader& r, std::vector<DetailRunway>* runways) {
    bool more = true;
    while (more) {
        if (runways->size() >= kMaxDetailRunways) {
            return ImageResult::Data(StringFormatC("its runway list goes on beyond %u runways", kMaxDetailRunways));
        }
        if (!r.Has(5)) return Short("runway list");
        DetailRunway w;
        w.rlen = static_cast<int32_t>(r.Byte()) * 100;
        const uint32_t surface = r.Byte();
        w.rwidth = static_cast<int32_t>(r.Byte()) * 5;
        w.rw = static_cast<int32_t>(r.Byte());
        w.rflags = static_cast<int32_t>(r.Byte());
        w.rsl = static_cast<int32_t>(surface & 0x7F);
        if (w.rw & 0x80) {
            if (!r.Has(1)) return Short("runway list");
            w.rw |= static_cast<int32_t>(r.Byte() << 8);
        }
        if (surface & 0x40) {
            if (!r.Has(6)) return Short("runway list");
            w.rpicst = static_cast<int32_t>(r.U16());
            w.rpic = static_cast<int32_t>(r.U32());
        }
        more = (surface & 0x80) != 0;
        runways->push_back(w);
    }
    return ImageResult::Ok();
}

ImageResult ReadFrequencies(EntryReader& r, std::vector<DetailFrequency>* frequencies) {
    bool more = true;
    while (more) {
        if (frequencies->size() >= kMaxDetailFrequencies) {
            return ImageResult::Data(StringFormatC("its frequency list goes on beyond %u frequencies",
                                                   kMaxDetailFrequencies));
        }
        if (!r.Has(3)) return Short("frequency list");
        DetailFrequency f;
        const uint32_t low = r.Byte();
        const uint32_t high = r.Byte();
        const uint32_t type = r.Byte();
        f.freq = static_cast<int32_t>(low | (high & 0x0F) << 8) + kFrequencyBase;
        f.flags = static_cast<int32_t>(((high >> 4) & 7) << 12);
        f.ftype = static_cast<int32_t>(type & ~0x40u);
        more = (high & 0x80) != 0;
        if (type & 0x40) {
            uint32_t n = 0;
            const uint32_t left = r.Left() < kMaxRestriction ? r.Left() : kMaxRestriction;
            if (!RestrictionLength(r.Here(), left, &n)) {
                return ImageResult::Data("a restriction of one of its frequencies runs past its entry");
            }
            f.restriction.push_back(static_cast<uint8_t>(n));
            f.restriction.insert(f.restriction.end(), r.Here(), r.Here() + n);
            r.Skip(n);
        }
        frequencies->push_back(std::move(f));
    }
    return ImageResult::Ok();
}

// Local waypoint tables: entries as long as their continuation bit is set.
ImageResult ReadLocalTable(EntryReader& r, bool tableA, int32_t lat, int32_t lon, std::vector<LocalWaypoint>* table) {
    const uint32_t size = tableA ? kTableAEntry : kTableBEntry;
    const uint32_t limit = tableA ? kMaxLocalTableA : kMaxLocalTableB;
    bool more = true;
    while (more) {
        if (table->size() >= limit) {
            return ImageResult::Data(StringFormatC("its local waypoint table %c goes on beyond %u entries",
                                                   tableA ? 'A' : 'B', limit));
        }
        if (!r.Has(size)) return Short("local waypoint table");
        const uint8_t* e = r.Here();
        r.Skip(size);
        LocalWaypoint w;
        int32_t dLat = 0;
        int32_t dLon = 0;
        if (tableA) {
            dLon = SignExtend(GetU16(e), 16);
            dLat = SignExtend(GetU16(e + 2), 16);
            w.ident = TrimmedText(ReadReversedSixBitText(e + 4, 4, 5));
            more = (e[4] & 1) != 0;
        } else {
            dLon = SignExtend(e[0] | (e[1] & 7u) << 8, 11);
            dLat = SignExtend((e[1] >> 3) | (e[2] & 0x3Fu) << 5, 11);
            w.ident = TrimmedText(ReadReversedSixBitText(e + 2, 3, 3));
            w.freq = static_cast<int32_t>(GetU16(e + 5) & 0x7FFF);
            more = (e[6] & 0x80) != 0;
        }
        w.lat = LocalWaypointPosition(lat, dLat);
        w.lon = LocalWaypointPosition(lon, dLon);
        table->push_back(std::move(w));
    }
    return ImageResult::Ok();
}

// The approach list. Its waypoints carry no count: each approach's list ends where the next
// approach (or the entry) begins, so the list is read as the one sequence of approaches and
// waypoints (slots rising, at most four, references inside their tables) that ends exactly
// at the entry's end; ambiguous bytes are tried both ways.
class ApproachParser {
public:
    ApproachParser(const uint8_t* e, uint32_t end, const DetailLimits& limits, const DecodedAirportDetail& detail,
                   const std::vector<LocalWaypoint>& tableA, const std::vector<LocalWaypoint>& tableB)
        : e_(e), end_(end), limits_(limits), detail_(detail), tableA_(tableA), tableB_(tableB),
          failed_((end + 1) * (kMaxApproachSequence + 1), false) {}

    bool Parse(uint32_t at) { return Approach(at, 0); }
    std::vector<DetailApproach>& Result() { return approaches_; }

private:
    bool Approach(uint32_t at, uint32_t sequence) {
        if (sequence > kMaxApproachSequence) return false;
        const size_t key = at * (kMaxApproachSequence + 1) + sequence;
        if (failed_[key]) return false;
        if (at > end_ || end_ - at < kApproachHead) return Fail(key);
        const uint32_t type = e_[at];
        const uint32_t id = GetU16(e_ + at + 1);
        if (id >= limits_.approachIds) return Fail(key);
        DetailApproach a;
        a.sequence = static_cast<int32_t>(sequence);
        a.type = type & 0xFE;
        a.idIndex = id;
        approaches_.push_back(a);
        if (Waypoints(at + kApproachHead, 0, (type & 1) != 0, sequence)) return true;
        approaches_.pop_back();
        return Fail(key);
    }

    bool Waypoints(uint32_t at, uint32_t lastSlot, bool more, uint32_t sequence) {
        DetailApproach& a = approaches_.back();
        ApproachWaypoint w;
        uint32_t size = 0;
        if (at < end_ && Waypoint(at, lastSlot, &w, &size)) {
            const uint32_t slot = (e_[at] & 0x0F) - 1;
            a.slots[slot] = w;
            ++a.waypointCount;
            if (Waypoints(at + size, slot + 1, more, sequence)) return true;
            DetailApproach& back = approaches_.back();
            back.slots[slot] = ApproachWaypoint{};
            --back.waypointCount;
        }
        if (more) return Approach(at, sequence + 1);
        return at == end_;
    }

    // The waypoint at `at` when it can follow slot `lastSlot`.
    bool Waypoint(uint32_t at, uint32_t lastSlot, ApproachWaypoint* w, uint32_t* size) {
        const uint32_t code = e_[at];
        const uint32_t kind = code & 0xF0;
        const uint32_t slot = code & 0x0F;
        if (slot <= lastSlot || slot > kMaxApproachSlots) return false;
        *size = kind < 0x80 ? 3 : 2;
        if (end_ - at < *size) return false;
        *w = ApproachWaypoint{};
        w->kind = code;
        const uint32_t value = *size == 3 ? GetU16(e_ + at + 1) : e_[at + 1];
        switch (kind) {
        case 0x20:
        case 0x40:
        case 0x60:
            if (value >= limits_.sectionRecords[kind / 0x20]) return false;
            w->recordNumber = value;
            return true;
        case 0xA0:
            if ((value & 0x7F) >= detail_.runways.size()) return false;
            w->runway = static_cast<int32_t>(value & 0x7F);
            if (value & 0x80) w->kind |= kRunwayOtherEnd;
            return true;
        case 0xC0:
            if (value >= tableA_.size()) return false;
            w->local = tableA_[value];
            return true;
        case 0xE0:
            if (value >= tableB_.size()) return false;
            w->local = tableB_[value];
            return true;
        default:
            return false;
        }
    }

    bool Fail(size_t key) {
        failed_[key] = true;
        return false;
    }

    const uint8_t* e_;
    uint32_t end_;
    const DetailLimits& limits_;
    const DecodedAirportDetail& detail_;
    const std::vector<LocalWaypoint>& tableA_;
    const std::vector<LocalWaypoint>& tableB_;
    std::vector<bool> failed_;
    std::vector<DetailApproach> approaches_;
};

}  // namespace

ImageResult ReadFrequencyItems(const uint8_t* entry, uint32_t length, uint32_t* at,
                               std::vector<DetailFrequency>* frequencies) {
    EntryReader r(entry, length);
    r.Skip(*at);
    const ImageResult result = ReadFrequencies(r, frequencies);
    *at = r.At();
    return result;
}

bool RestrictionLength(const uint8_t* bytes, uint32_t available, uint32_t* length) {
    if (available == 0) return false;
    const uint8_t flags = bytes[0];
    uint32_t n = (flags & kSector) ? 3 : 1;
    if (flags & kBelow) n += 2;
    if (flags & kAbove) n += 2;
    if (flags & kRemoteVor) n += 3;
    if (flags & kText) {
        if (n >= available) return false;
        n += bytes[n] >> 1;
    }
    if (n > available) return false;
    *length = n;
    return true;
}

int32_t LocalWaypointPosition(int32_t airport, int32_t difference) {
    uint32_t value = static_cast<uint32_t>(airport) - static_cast<uint32_t>(difference) * 2048u;
    if (airport >= 0 && static_cast<int32_t>(value) < 0) value |= 0x7FF;
    return static_cast<int32_t>(value);
}

DetailRunway SummaryRunway(uint32_t summary) {
    DetailRunway w;
    w.rlen = static_cast<int32_t>(summary & 0xFF) * 100;
    w.rsl = static_cast<int32_t>(summary >> 8);
    w.rflags = -1;
    return w;
}

ImageResult DecodeAirportDetail(const ImageParams& params, const uint8_t* entry, uint32_t length,
                                const DetailLimits& limits, int32_t lat, int32_t lon, DecodedAirportDetail* out) {
    // Emptied, not replaced: a caller decoding entry after entry keeps the vectors' room.
    out->flags = 0;
    out->runways.clear();
    out->frequencies.clear();
    out->approaches.clear();
    out->approachData = 0;
    EntryReader r(entry, length);
    if (!r.Has(1)) return Short("flags byte");
    out->flags = static_cast<uint8_t>(r.Byte());
    if (out->flags & kHasRunways) {
        if (ImageResult x = ReadRunways(r, &out->runways); !x) return x;
    }
    if (out->flags & kHasFrequencies) {
        if (ImageResult x = ReadFrequencies(r, &out->frequencies); !x) return x;
    }
    out->approachData = r.At();
    std::vector<LocalWaypoint> tableA;
    std::vector<LocalWaypoint> tableB;
    if (out->flags & kHasTableA) {
        if (ImageResult x = ReadLocalTable(r, true, lat, lon, &tableA); !x) return x;
    }
    if (out->flags & kHasTableB) {
        if (ImageResult x = ReadLocalTable(r, false, lat, lon, &tableB); !x) return x;
    }
    if ((out->flags & kHasApproaches) && params.approaches) {
        ApproachParser parser(entry, length, limits, *out, tableA, tableB);
        if (!parser.Parse(r.At())) {
            return ImageResult::Data("its approach list cannot be read (references outside their tables, more than "
                                     "64 approaches or 4 waypoints, or bytes left over)");
        }
        out->approaches = std::move(parser.Result());
        return ImageResult::Ok();
    }
    if (r.At() != length) return ImageResult::Data(StringFormatC("%u bytes of its entry are left over", length - r.At()));
    return ImageResult::Ok();
}

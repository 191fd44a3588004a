#include "gen/AirportLoader.h"

#include "common/Bits.h"
#include "common/CLocale.h"
#include "common/SixBitCode.h"
#include "gen/Image.h"

namespace {

constexpr uint8_t kHasRunways = 0x01;
constexpr uint8_t kHasFrequencies = 0x02;
constexpr uint8_t kHasLocalInts = 0x04;
constexpr uint8_t kHasLocalNdbs = 0x08;
constexpr uint8_t kHasApproaches = 0x10;
constexpr uint8_t kRunwayPicture = 0x40;
constexpr uint8_t kAnotherFollows = 0x80;
constexpr uint8_t kRestricted = 0x40;
constexpr uint32_t kDesignatorBase = 18;

// Reads the rwy/com/appr table from an offset; reading past its end gives 0 and marks the cursor.
class Cursor {
public:
    Cursor(const std::vector<uint8_t>& table, uint32_t at) : table_(table), at_(at) {}
    uint8_t Byte() {
        if (at_ >= table_.size()) {
            over_ = true;
            ++at_;
            return 0;
        }
        return table_[at_++];
    }
    uint32_t U16() {
        const uint32_t low = Byte();
        return low | static_cast<uint32_t>(Byte()) << 8;
    }
    uint32_t U32() {
        const uint32_t low = U16();
        return low | U16() << 16;
    }
    uint32_t At() const { return at_; }
    bool Over() const { return over_; }

private:
    const std::vector<uint8_t>& table_;
    uint32_t at_;
    bool over_ = false;
};

uint32_t ReduceDesignator(uint32_t byte) {
    uint32_t n = byte & 31;
    if (n > kDesignatorBase) n -= kDesignatorBase;
    return (byte & ~31u) | n;
}

std::string DamagedText(uint32_t number) {
    return StringFormatC("Damaged image: rwy/com/appr entry of APT %04x runs past its table", number);
}

// Restriction bytes behind a frequency: their length from the flag byte.
uint32_t ExtensionLength(Cursor cursor) {
    const uint8_t flags = cursor.Byte();
    uint32_t length = (flags & 0x01) ? 3 : 1;
    if (flags & 0x04) length += 2;
    if (flags & 0x02) length += 2;
    if (flags & 0x08) length += 3;
    if (flags & 0x10) {
        for (uint32_t i = 1; i < length; ++i) cursor.Byte();
        length += cursor.Byte() >> 1;
    }
    return length;
}

// A local waypoint's ident: 6-bit codes from the most significant bit of the area's last byte
// towards lower addresses, a code 0 ending it.
std::string LocalIdent(const uint8_t* area, uint32_t size, uint32_t length) {
    uint8_t reversed[4] = {};
    for (uint32_t i = 0; i < size; ++i) reversed[i] = area[size - 1 - i];
    std::string ident;
    for (uint32_t i = 0; i < length; ++i) {
        const uint32_t code = GetBits(6 * i, 6, reversed);
        if (code == 0) break;
        ident += IdentCodeChar(code);
    }
    return ident;
}

GeoPoint LocalPosition(const GeoPoint& airport, int32_t dLat, int32_t dLon) {
    GeoPoint p;
    p.lat = static_cast<int32_t>(static_cast<uint32_t>(airport.lat) - (static_cast<uint32_t>(dLat) << 11));
    p.lon = static_cast<int32_t>(static_cast<uint32_t>(airport.lon) - (static_cast<uint32_t>(dLon) << 11));
    return p;
}

int32_t SignExtend(uint32_t value, uint32_t bits) {
    const uint32_t sign = 1u << (bits - 1);
    value &= (1u << bits) - 1;
    return static_cast<int32_t>(value ^ sign) - static_cast<int32_t>(sign);
}

}  // namespace

bool AirportInfoOffset(const ImageParams& params, const uint8_t* record, uint32_t* offset) {
    const uint32_t low = GetU16(record + params.sections[kSectionApt].detailByte);
    *offset = GetBits(40, 3, record) << 16 | low;
    return (record[8] & 0x80) != 0;
}

uint32_t LoadAirportInfo(const ImageReader& reader, uint32_t number, const uint8_t* record, bool larger,
                         AirportTables* t) {
    if (t->record != static_cast<int32_t>(number)) {
        *t = AirportTables{};
        t->record = static_cast<int32_t>(number);
        const std::vector<uint8_t>& table = reader.Info().detail;
        t->hasInfo = AirportInfoOffset(reader.Params(), record, &t->infoOffset);
        if (!t->hasInfo) {
            // The main-runway summary: length in hundreds of feet and the surface-and-lighting byte.
            const uint32_t summary = GetU16(record + reader.Params().sections[kSectionApt].detailByte);
            RunwayEntry& r = t->runways[0];
            r.present = true;
            r.length = summary & 0xFF;
            r.surfaceLights = summary >> 8;
            t->runwayCount = 1;
        } else if (t->infoOffset >= table.size()) {
            t->error = StringFormatC("Damaged image: APT %04x points at %x, outside the rwy/com/appr table", number,
                                     t->infoOffset);
        } else {
            Cursor c(table, t->infoOffset);
            t->infoFlags = c.Byte();
            bool more = (t->infoFlags & kHasRunways) != 0;
            while (more && t->error.empty()) {
                if (t->runwayCount >= kMaxAirportEntries) {
                    t->error = StringFormatC("Too many RWYs in APT %04x", number);
                    break;
                }
                RunwayEntry& r = t->runways[t->runwayCount++];
                r.present = true;
                r.length = c.Byte();
                const uint8_t second = c.Byte();
                r.surfaceLights = second & 0x3F;
                more = (second & kAnotherFollows) != 0;
                r.width = c.Byte();
                const uint8_t designator = c.Byte();
                r.flag = static_cast<int8_t>(c.Byte());
                r.designator = ReduceDesignator(designator);
                if (designator & 0x80) r.designator |= (ReduceDesignator(c.Byte()) & 31) << 8;
                if (second & kRunwayPicture) {
                    r.pictureStart = c.U16();
                    r.picture = c.U32();
                }
                if (c.Over()) t->error = DamagedText(number);
            }
            more = (t->infoFlags & kHasFrequencies) != 0;
            uint32_t next = 0;
            while (more && t->error.empty()) {
                const uint32_t word = c.U16();
                const uint8_t type = c.Byte();
                more = (word & 0x8000) != 0;
                uint32_t index = next;
                if (type & kRestricted) {
                    while (index < kMaxAirportEntries && t->runways[index].present) ++index;
                }
                if (index >= kMaxAirportEntries) {
                    t->error = StringFormatC("Too many FRQs in APT %04x", number);
                    break;
                }
                FrequencyEntry& f = t->frequencies[index];
                f.present = true;
                f.type = type;
                f.code = word & 0xFFF;
                f.flags = (word >> 12) & 7;
                if (type & kRestricted) {
                    const uint32_t length = ExtensionLength(c);
                    f.extension.push_back(static_cast<uint8_t>(length));
                    for (uint32_t i = 0; i < length; ++i) f.extension.push_back(c.Byte());
                }
                next = index + 1;
                t->frequencyLines = next;
                if (c.Over()) t->error = DamagedText(number);
            }
            t->approachStart = c.At();
        }
    }
    return larger ? t->LineCount() : t->runwayCount;
}

uint32_t ApproachList::LineCount() const {
    uint32_t lines = 0;
    for (const ApproachEntry& a : approaches) lines += 1 + static_cast<uint32_t>(a.waypoints.size());
    return lines;
}

uint32_t LoadApproaches(const ImageReader& reader, const AirportTables& t, const GeoPoint& airport,
                        ApproachList* list) {
    if (list->record == t.record) return static_cast<uint32_t>(list->approaches.size());
    *list = ApproachList{};
    list->record = t.record;
    const uint32_t number = static_cast<uint32_t>(t.record);
    if (!t.hasInfo || !t.error.empty() || reader.Info().approachIds.empty() || !(t.infoFlags & kHasApproaches)) {
        return 0;
    }
    Cursor c(reader.Info().detail, t.approachStart);
    bool more = (t.infoFlags & kHasLocalInts) != 0;
    while (more) {
        if (list->ints.size() >= kMaxLocalInts) {
            list->error = StringFormatC("too many local INTs in APT %04x", number);
            return static_cast<uint32_t>(list->approaches.size());
        }
        uint8_t e[8];
        for (uint8_t& b : e) b = c.Byte();
        more = (e[4] & 1) != 0;
        LocalInt w;
        w.position = LocalPosition(airport, SignExtend(GetU16(e + 2), 16), SignExtend(GetU16(e), 16));
        w.ident = LocalIdent(e + 4, 4, 5);
        list->ints.push_back(w);
    }
    more = (t.infoFlags & kHasLocalNdbs) != 0;
    while (more) {
        if (list->ndbs.size() >= kMaxLocalNdbs) {
            list->error = StringFormatC("too many local NDBs in APT %04x", number);
            return static_cast<uint32_t>(list->approaches.size());
        }
        uint8_t e[7];
        for (uint8_t& b : e) b = c.Byte();
        more = (e[6] & 0x80) != 0;
        LocalNdb w;
        const uint32_t dLon = e[0] | (e[1] & 7u) << 8;
        const uint32_t dLat = (e[1] >> 3) | (e[2] & 0x3Fu) << 5;
        w.position = LocalPosition(airport, SignExtend(dLat, 11), SignExtend(dLon, 11));
        w.ident = LocalIdent(e + 2, 3, 3);
        w.frequency = GetU16(e + 5) & 0x7FFF;
        list->ndbs.push_back(w);
    }
    more = true;
    while (more && !c.Over()) {
        if (list->approaches.size() >= kMaxApproaches) {
            list->error = StringFormatC("too many approaches in APT %04x", number);
            break;
        }
        ApproachEntry a;
        const uint8_t type = c.Byte();
        more = (type & 1) != 0;
        a.type = type & 0xFE;
        a.idIndex = c.U16();
        uint32_t ones = 0;
        bool replaceLast = false;  // the waypoint before is overwritten by this one
        for (;;) {
            ApproachWaypointRef w;
            w.code = c.Byte();
            w.reference = w.code < 0x80 ? c.U16() : c.Byte();
            const bool last = (w.code & 4) != 0;
            bool third = false;
            if ((w.code & 7) == 1) {
                if (++ones > 1) ++w.code;
                third = ones > 2;
            }
            if (replaceLast) {
                a.waypoints.back() = w;
            } else if (a.waypoints.size() >= kMaxApproachWaypoints) {
                list->error = StringFormatC("too many wpts in approach of APT %04x", number);
                break;
            } else {
                a.waypoints.push_back(w);
            }
            replaceLast = third;
            if (last || c.Over()) break;
        }
        if (!list->error.empty()) break;
        list->approaches.push_back(std::move(a));
    }
    if (c.Over() && list->error.empty()) list->error = DamagedText(number);
    return static_cast<uint32_t>(list->approaches.size());
}

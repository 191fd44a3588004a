#include "gen696/AirportBlock696.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/CLocale.h"

namespace {

// Bytes appended to a vector through a pointer, room for the most they take made first; the
// vector is cut to what was written at the end.
class Appender {
public:
    Appender(std::vector<uint8_t>& b, size_t room) : b_(b), used_(b.size()) { b.resize(used_ + room); }
    ~Appender() { b_.resize(used_); }
    Appender(const Appender&) = delete;
    Appender& operator=(const Appender&) = delete;

    void Byte(uint32_t v) { b_[used_++] = static_cast<uint8_t>(v); }
    void U16(uint32_t v) {
        Byte(v);
        Byte(v >> 8);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    // Zeros up to `size` bytes written in all.
    void ZerosTo(size_t size) {
        if (size > used_) std::memset(b_.data() + used_, 0, size - used_);
        used_ = size;
    }
    size_t Size() const { return used_; }

private:
    std::vector<uint8_t>& b_;
    size_t used_;
};

constexpr uint8_t kOlderTypeCodes[16] = {0, 5, 6, 7, 10, 11, 12, 62, 17, 18, 19, 20, 22, 23, 24, 25};

bool Runways(const AirportBlockInput696& in, std::vector<uint8_t>& part, std::string* error) {
    const size_t fixed = std::max<size_t>(7, in.runwayFixedLength);
    const size_t picsExtra = in.pictureLength > 8 ? in.pictureLength - 8 : 0;
    const size_t count = std::min(in.runways.size(), kMaxRunways696);
    Appender b(part, count * (fixed + 1 + 8 + picsExtra + 4));
    for (size_t i = 0; i < count; ++i) {
        RunwaySlot696 r = in.runways[i];
        if (r.flags == -1) {
            r.flags = static_cast<int32_t>(r.picture[1] >> 24);
            r.picture[0] = r.picture[1] = 0;
        }
        if (r.length > 0xFFFF || r.width > 0x7FF) {
            *error = StringFormatC("runway %d: length %u or width %u does not fit its field (65535, 2047)",
                                   r.serial, r.length, r.width);
            return false;
        }
        const size_t start = b.Size();
        b.U16(r.length);
        b.Byte((r.surface & 0x3F) | (i + 1 < count ? 0x80 : 0));
        b.Byte(r.designator);
        b.Byte(static_cast<uint32_t>(r.flags));
        const bool pictures = r.picture[0] != 0 || r.picture[1] != 0;
        b.U16(r.width << 5 | (r.pictureFlags & 0x13) | (r.pictureFlags & 4) | (pictures ? 8 : 0));
        const bool longDesignator = r.pictureFlags & 4;
        if (longDesignator) b.Byte(r.designator >> 8);
        b.ZerosTo(start + fixed + (longDesignator ? 1 : 0));
        if (pictures) {
            b.U32(r.picture[0]);
            b.U32(r.picture[1]);
            for (size_t k = 0; k < picsExtra; ++k) b.Byte(k < kRunwayExtraBytes696 ? r.extra[k] : 0);
        }
        if (r.pictureFlags & 16) {
            for (size_t k = picsExtra; k < picsExtra + 4; ++k) b.Byte(k < kRunwayExtraBytes696 ? r.extra[k] : 0);
        }
    }
    return true;
}

bool Frequencies(const AirportBlockInput696& in, std::vector<uint8_t>& part, std::string* error) {
    const size_t count = std::min(in.frequencies.size(), kMaxFrequencies696);
    size_t room = 0;
    for (size_t i = 0; i < count; ++i) room += 5 + in.frequencies[i].blob.size();
    Appender b(part, room);
    for (size_t i = 0; i < count; ++i) {
        const FrequencySlot696& f = in.frequencies[i];
        if (f.value > 0xFFF) {
            *error = StringFormatC("frequency %u.%02u outside 108.00-148.95", (f.value + 10800) / 100,
                                   (f.value + 10800) % 100);
            return false;
        }
        const bool allOnes = f.flags == -1;
        const uint32_t flags = static_cast<uint32_t>(f.flags);
        b.U16(f.value | (allOnes ? 0 : (flags & 0x70) << 8) | (i + 1 < count ? 0x8000 : 0));
        // Flags of all ones give nothing here either, as for the frequency word and the flags byte.
        const uint8_t r = static_cast<uint8_t>((allOnes ? 0 : (flags >> 16) & 0x60) | (f.blob.size() > 1 ? f.blob[1] & 0x9F : 0));
        b.Byte((f.type & 0x7F) | (r ? 0x80 : 0));
        b.Byte(allOnes ? 0 : flags >> 8);
        if (r) {
            b.Byte(r);
            for (size_t k = 2; k < f.blob.size() && k <= f.blob[0]; ++k) b.Byte(f.blob[k]);
        }
    }
    return true;
}

// A local table of the block: entries kept once, each with its "another follows" bit set.
struct LocalTable {
    const char* name;
    size_t limit;
    size_t moreByte;
    uint8_t moreBit;
    std::vector<std::vector<uint8_t>> entries;

    // The index of the entry equal to `bytes` with the bit set, appended when there is none.
    bool Enter(const uint8_t* bytes, size_t size, uint32_t* index, std::string* error) {
        uint8_t data[kApproachDataBytes696];
        std::memcpy(data, bytes, size);
        data[moreByte] |= moreBit;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].size() == size && std::memcmp(entries[i].data(), data, size) == 0) {
                *index = static_cast<uint32_t>(i);
                return true;
            }
        }
        if (entries.size() >= limit) {
            *error = StringFormatC("more than %zu %s", limit, name);
            return false;
        }
        entries.emplace_back(data, data + size);
        *index = static_cast<uint32_t>(entries.size() - 1);
        return true;
    }
    // All entries, the last with its bit cleared.
    void Part(std::vector<uint8_t>* part) const {
        std::vector<uint8_t>& b = *part;
        b.clear();
        for (const auto& e : entries) b.insert(b.end(), e.begin(), e.end());
        if (!entries.empty()) b[b.size() - entries.back().size() + moreByte] &= static_cast<uint8_t>(~moreBit);
    }
};

uint32_t KindOf(uint32_t typeCode) { return typeCode >> 4 & 15; }

// One waypoint group: header, type, reference, and the reference's high bits for a near one.
void Group(Appender& b, uint8_t header, uint32_t typeCode, uint32_t reference) {
    const auto type = static_cast<uint8_t>(typeCode & 0xFE);
    b.Byte(header);
    b.Byte(type);
    b.Byte(reference);
    if (type < 0x50) {
        b.Byte((reference >> 14) & 0x0C);
        b.Byte(reference >> 8);
    } else {
        b.Byte(0);
    }
}

// The local tables (mask bits 2, 3, 4) and the approaches (bit 6).
bool Approaches(const AirportBlockInput696& in, std::vector<uint8_t> parts[7], std::string* error) {
    if (in.approaches.empty()) return true;
    LocalTable ints{"local INTs", kMaxLocalIntersections696, 5, 0x01, {}};
    LocalTable ndbs{"local NDBs", kMaxLocalNdbs696, 9, 0x80, {}};
    LocalTable ils{"local ILS info records", kMaxIls696, 11, 0x04, {}};
    const std::vector<ApproachEntry696>& list = in.approaches;
    // Each approach's navaid and waypoint references, those of local ones made table indexes.
    using References = std::array<uint32_t, 1 + kApproachWaypoints696>;
    static thread_local std::vector<References> refs;   // its room kept from block to block
    refs.resize(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        const ApproachEntry696& a = list[i];
        References& ref = refs[i];
        ref[0] = a.navaidReference;
        if (a.navaidKind == 8) {
            const size_t size = (a.navaidData[11] & 2) ? kIlsLongBytes696 : kIlsBytes696;
            if (!ils.Enter(a.navaidData, size, &ref[0], error)) return false;
        } else if (a.navaidKind == 7) {
            if (!ndbs.Enter(a.navaidData, kLocalNdbBytes696, &ref[0], error)) return false;
        }
        for (int j = 0; j < kApproachWaypoints696; ++j) {
            const ApproachWaypoint696& w = a.waypoints[j];
            uint32_t& r = ref[static_cast<size_t>(j) + 1];
            r = w.reference;
            if (w.type == 0) continue;
            if (KindOf(w.type) == 6 && !ints.Enter(w.data, kLocalIntersectionBytes696, &r, error)) return false;
            if (KindOf(w.type) == 7 && !ndbs.Enter(w.data, kLocalNdbBytes696, &r, error)) return false;
        }
    }
    ints.Part(&parts[kPartLocalInts696]);
    ndbs.Part(&parts[kPartLocalNdbs696]);
    ils.Part(&parts[kPartIls696]);
    Appender b(parts[kPartApproaches696], list.size() * (11 + 2 * 5));
    for (size_t i = 0; i < list.size(); ++i) {
        const ApproachEntry696& a = list[i];
        const References& ref = refs[i];
        const bool wide = a.navaidKind < 7;
        if (a.type >= 32 || a.idIndex > 0xFFFF || ref[0] > (wide ? 0xFFFFu : 0xFFu)) {
            *error = StringFormatC("approach %zu: type %u, ID %u or navaid %u does not fit its field", i, a.type,
                                   a.idIndex, ref[0]);
            return false;
        }
        b.Byte(a.type << 1 | (i + 1 < list.size() ? 1 : 0));
        b.U16(a.idIndex);
        b.Byte(a.navaidKind);
        b.Byte(ref[0]);
        b.U16(300);
        if (wide) b.Byte(ref[0] >> 8);
        b.Byte(0x00);
        b.Byte(0xFF);
        b.Byte(0xFF);
        Group(b, 0x8E, a.waypoints[0].type, ref[1]);
        Group(b, 0x11, a.waypoints[1].type, ref[2]);
    }
    return true;
}

}  // namespace

uint8_t FrequencyTypeCode696(int32_t ftype, int32_t flags) {
    if (flags != -1) return static_cast<uint8_t>(ftype >> 8);
    return static_cast<uint8_t>(((ftype >> 1) & 64) | kOlderTypeCodes[ftype & 15]);
}

int32_t FrequencyTypeIndex696(uint8_t code) {
    for (int32_t i = 0; i < 16; ++i) {
        if (kOlderTypeCodes[i] == (code & 63)) return i;
    }
    return 7;
}

bool AirportShortForm696(const AirportBlockInput696& in, uint32_t* value) {
    if (!in.frequencies.empty() || !in.approaches.empty() || in.runways.empty() || in.runways[0].designator != 0) {
        return false;
    }
    const uint32_t hundreds = in.runways[0].length / 100;
    if (hundreds > 255) return false;   // a block keeps the length whole
    *value = hundreds | (in.runways[0].surface & 15u) << 8;
    return true;
}

bool BuildAirportBlock696(const AirportBlockInput696& in, std::vector<uint8_t>* block, std::string* error) {
    static thread_local std::vector<uint8_t> parts[7];   // their room kept from block to block
    for (std::vector<uint8_t>& part : parts) part.clear();
    if (!Runways(in, parts[kPartRunways696], error) || !Frequencies(in, parts[kPartFrequencies696], error) ||
        !Approaches(in, parts, error)) {
        return false;
    }
    block->clear();
    uint32_t mask = 0;
    size_t total = 2;
    for (int k = 0; k < 7; ++k) {
        if (!parts[k].empty()) {
            mask |= 1u << k;
            total += 2 + parts[k].size();
        }
    }
    if (total > 0xFFFF) {
        *error = StringFormatC("block of %zu bytes is over 65535", total);
        return false;
    }
    block->resize(total);
    uint8_t* out = block->data();
    const auto put16 = [&out](size_t v) {
        *out++ = static_cast<uint8_t>(v);
        *out++ = static_cast<uint8_t>(v >> 8);
    };
    put16(mask);
    for (const auto& p : parts) {
        if (!p.empty()) put16(p.size());
    }
    for (const auto& p : parts) {
        if (!p.empty()) out = std::copy(p.begin(), p.end(), out);
    }
    return true;
}

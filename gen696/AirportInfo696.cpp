#include "gen696/AirportInfo696.h"

#include "gen696/SourceImage696.h"

#include <algorithm>
#include <cstring>

#include "common/CLocale.h"

namespace {

uint32_t U16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t U32(const uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }

constexpr uint32_t kAptRecordSize = 29;

// The part table: offsets from the block's start, each part after the mask and all length words.
bool ReadParts(const uint8_t* s, size_t size, AirportInfo696* info, std::string* error) {
    const size_t b = info->offset;
    if (b + 2 > size) {
        *error = StringFormatC("infad fail: block at %x past section 10", info->offset);
        return false;
    }
    info->mask = U16(s + b);
    size_t parts = 0;
    for (int k = 0; k < 16; ++k) parts += (info->mask >> k) & 1;
    size_t at = 2 + 2 * parts;
    size_t word = b + 2;
    for (int k = 0; k < 16; ++k) {
        if (((info->mask >> k) & 1) == 0) continue;
        if (word + 2 > size) {
            *error = StringFormatC("inflen fail: block at %x", info->offset);
            return false;
        }
        info->partLength[k] = U16(s + word);
        info->partOffset[k] = static_cast<uint32_t>(at);
        word += 2;
        at += info->partLength[k];
        if (b + at > size) {
            *error = StringFormatC("infad fail: part %d of the block at %x past section 10", k, info->offset);
            return false;
        }
    }
    return true;
}

// The bounds of part k in the section; false when the mask does not announce it.
bool Part(const AirportInfo696& info, int k, size_t* begin, size_t* end) {
    if (((info.mask >> k) & 1) == 0) return false;
    *begin = info.offset + info.partOffset[k];
    *end = *begin + info.partLength[k];
    return true;
}

std::string PastPart(const AirportInfo696& info, const char* what) {
    return StringFormatC("%s of the block at %x run past their part", what, info.offset);
}

bool ReadRunways(const uint8_t* s, const InfoLayout696& layout, AirportInfo696* info, std::string* error) {
    size_t at = 0;
    size_t end = 0;
    if (!Part(*info, kPartRunways696, &at, &end)) return true;
    const size_t fixed = std::max<size_t>(7, layout.runwayFixedLength);
    const size_t picsExtra = layout.pictureLength > 8 ? layout.pictureLength - 8 : 0;
    for (bool more = true; more && info->runways.size() < kMaxRunways696;) {
        if (at + 7 > end) {
            *error = PastPart(*info, "runways");
            return false;
        }
        const uint8_t* e = s + at;
        RunwaySlot696 r;
        r.length = U16(e);
        more = (e[2] & 0x80) != 0;
        r.surface = e[2] & 0x7F;
        r.designator = e[3];
        r.flags = e[4];
        const uint32_t w = U16(e + 5);
        r.pictureFlags = w & 0x1F;
        r.width = w >> 5;
        std::memcpy(r.extra, kRunwayExtraDefaults696, sizeof r.extra);
        size_t n = fixed;
        if (r.pictureFlags & 4) {
            if (at + 8 > end) {
                *error = PastPart(*info, "runways");
                return false;
            }
            r.designator |= static_cast<uint32_t>(e[7]) << 8;
            ++n;
        }
        size_t extra = 0;
        const auto takeExtra = [&](size_t from, size_t count) {
            for (size_t i = 0; i < count; ++i) {
                if (extra < kRunwayExtraBytes696) r.extra[extra++] = s[from + i];
            }
        };
        if (r.pictureFlags & 8) {
            if (at + n + 8 + picsExtra > end) {
                *error = PastPart(*info, "runways");
                return false;
            }
            r.picture[0] = U32(e + n);
            r.picture[1] = U32(e + n + 4);
            takeExtra(at + n + 8, picsExtra);
            n += 8 + picsExtra;
        }
        if (r.pictureFlags & 16) {
            if (at + n + 4 > end) {
                *error = PastPart(*info, "runways");
                return false;
            }
            extra = picsExtra;
            takeExtra(at + n, 4);
            n += 4;
        }
        if (at + n > end) {
            *error = PastPart(*info, "runways");
            return false;
        }
        info->runways.push_back(r);
        at += n;
    }
    return true;
}

bool ReadFrequencies(const uint8_t* s, AirportInfo696* info, std::string* error) {
    size_t at = 0;
    size_t end = 0;
    if (!Part(*info, kPartFrequencies696, &at, &end)) return true;
    for (bool more = true; more && info->frequencies.size() < kMaxFrequencies696;) {
        if (at + 4 > end) {
            *error = PastPart(*info, "frequencies");
            return false;
        }
        FrequencyEntry696 f;
        const uint32_t word = U16(s + at);
        f.value = word & 0xFFF;
        f.flagBits = (word >> 12) & 7;
        more = (word & 0x8000) != 0;
        f.type = s[at + 2];
        f.further = s[at + 3];
        at += 4;
        if (f.type & 0x80) {
            size_t size = 0;
            if (!RemarksBlobSize696(s, at, end, &size)) {
                *error = PastPart(*info, "frequency remarks");
                return false;
            }
            f.remarks.reserve(size + 1);
            f.remarks.push_back(static_cast<uint8_t>(size));
            f.remarks.insert(f.remarks.end(), s + at, s + at + size);
            at += size;
        }
        info->frequencies.push_back(std::move(f));
    }
    return true;
}

// Entries of a local table chained by a "more" bit, at most `limit`.
bool ReadChain(const uint8_t* s, const AirportInfo696& info, int part, size_t (*sizeOf)(const uint8_t*),
               bool (*more)(const uint8_t*), size_t limit, const char* tooMany, size_t minSize,
               std::vector<std::vector<uint8_t>>* out, std::string* error) {
    size_t at = 0;
    size_t end = 0;
    if (!Part(info, part, &at, &end)) return true;
    for (bool next = at < end; next;) {
        if (out->size() >= limit) {
            *error = tooMany;
            return false;
        }
        if (at + minSize > end || at + sizeOf(s + at) > end) {
            *error = PastPart(info, "local waypoints");
            return false;
        }
        const size_t n = sizeOf(s + at);
        out->emplace_back(s + at, s + at + n);
        next = more(s + at);
        at += n;
    }
    return true;
}

}  // namespace

bool AirportInfoOffset696(const uint8_t record[29], uint32_t* offset) {
    if ((record[11] & 0x80) == 0) return false;
    *offset = ((record[19] >> 1) & 0x7Fu) << 16 | record[24] << 8 | record[23];
    return true;
}

bool RemarksBlobSize696(const uint8_t* d, size_t at, size_t end, size_t* size) {
    if (at >= end) return false;
    const uint8_t f = d[at];
    size_t n = 1;
    if (f & 1) n += 3;
    if (f & 4) n += 2;
    if (f & 2) n += 2;
    if (f & 8) n += 3;
    if (f & 16) {
        if (at + n >= end) return false;
        n += 1 + d[at + n];
    }
    if (at + n > end) return false;
    *size = n;
    return true;
}

bool DecodeAirportInfo696(const uint8_t record[29], const uint8_t* section, size_t sectionSize,
                          const InfoLayout696& layout, AirportInfo696* info, std::string* error) {
    *info = AirportInfo696{};
    if (!AirportInfoOffset696(record, &info->offset)) {
        RunwaySlot696 r;
        r.length = record[23] * 100u;
        r.surface = record[24];
        std::memcpy(r.extra, kRunwayExtraDefaults696, sizeof r.extra);
        info->runways.push_back(r);
        return true;
    }
    info->hasBlock = true;
    return ReadParts(section, sectionSize, info, error) && ReadRunways(section, layout, info, error) &&
           ReadFrequencies(section, info, error);
}

bool DecodeAirportApproaches696(const uint8_t* s, size_t sectionSize, const InfoLayout696& layout,
                                AirportInfo696* info, std::string* error) {
    (void)sectionSize;   // every part was bounded by the section when the block was read
    if (!info->hasBlock || (info->mask & (1u << kPartApproaches696)) == 0) return true;
    std::vector<std::vector<uint8_t>> ints;
    std::vector<std::vector<uint8_t>> ndbs;
    if (!ReadChain(
            s, *info, kPartLocalInts696, [](const uint8_t*) { return kLocalIntersectionBytes696; },
            [](const uint8_t* e) { return (e[5] & 1) != 0; }, kMaxLocalIntersections696, "too many local INTs",
            kLocalIntersectionBytes696, &ints, error) ||
        !ReadChain(
            s, *info, kPartLocalNdbs696, [](const uint8_t*) { return kLocalNdbBytes696; },
            [](const uint8_t* e) { return (e[9] & 0x80) != 0; }, kMaxLocalNdbs696, "too many local NDBs",
            kLocalNdbBytes696, &ndbs, error) ||
        !ReadChain(
            s, *info, kPartIls696,
            [](const uint8_t* e) { return (e[11] & 2) ? kIlsLongBytes696 : kIlsBytes696; },
            [](const uint8_t* e) { return (e[11] & 4) != 0; }, kMaxIls696, "too many local ILS info records", 12,
            &info->ils, error)) {
        return false;
    }
    for (const auto& e : ints) info->localIntersections.insert(info->localIntersections.end(), e.begin(), e.end());
    for (const auto& e : ndbs) info->localNdbs.insert(info->localNdbs.end(), e.begin(), e.end());
    const LocalTables696 tables{info->localIntersections.data(), info->LocalIntersectionCount(),
                                info->localNdbs.data(), info->LocalNdbCount()};

    size_t at = 0;
    size_t end = 0;
    Part(*info, kPartApproaches696, &at, &end);
    const size_t fixed = std::max<size_t>(5, layout.approachFixedLength);
    while (at < end && info->approaches.size() < kMaxApproaches696) {
        const int number = static_cast<int>(info->approaches.size());
        if (at + fixed > end) {
            *error = PastPart(*info, "approaches");
            return false;
        }
        ApproachEntry696 a;
        const uint8_t* e = s + at;
        a.type = (e[0] >> 1) & 0x1F;
        a.idIndex = U16(e + 1);
        a.navaidKind = e[3] & 15;
        a.navaidReference = e[4];
        size_t n = fixed;
        if (a.navaidKind < 7) {
            if (at + n >= end) {
                *error = PastPart(*info, "approaches");
                return false;
            }
            a.navaidReference |= static_cast<uint32_t>(e[n]) << 8;
            ++n;
        }
        if (a.navaidKind == 7 || a.navaidKind == 8) {
            const bool ils = a.navaidKind == 8;
            const size_t count = ils ? info->ils.size() : info->LocalNdbCount();
            if (a.navaidReference >= count) {
                *error = StringFormatC("approach %d of the block at %x: %s %u not in its table", number, info->offset,
                                       ils ? "ILS" : "local NDB", a.navaidReference);
                return false;
            }
            if (ils) {
                const std::vector<uint8_t>& r = info->ils[a.navaidReference];
                std::memcpy(a.navaidData, r.data(), r.size());
            } else {
                std::memcpy(a.navaidData, &info->localNdbs[a.navaidReference * kLocalNdbBytes696], kLocalNdbBytes696);
            }
        }
        size_t after = 0;
        if (!DecodeApproachGroups696(s, at + n, end, layout.groupExtraBytes, number, tables, a, &after, error)) {
            return false;
        }
        if (a.waypointCount != 2) info->notes.push_back(StringFormatC("** Approach with %d wpts **", a.waypointCount));
        info->approaches.push_back(a);
        at = after;
    }
    return true;
}

InfoLayout696 InfoLayoutOf696(const SourceImage696& source) {
    InfoLayout696 l;
    l.runwayFixedLength = source.StaticValue(1);
    l.pictureLength = source.StaticValue(3);
    l.approachFixedLength = source.StaticValue(19);
    l.groupExtraBytes = source.StaticValue(27);
    return l;
}

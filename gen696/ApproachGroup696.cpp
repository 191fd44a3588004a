#include "gen696/ApproachGroup696.h"

#include <cstring>

#include "common/CLocale.h"

int ApproachTypeOfPtyp696(int32_t ptyp) {
    for (uint32_t i = 0; i < kApproachTypes696; ++i) {
        if (kApproachTypeTable696[i] == ptyp) return static_cast<int>(i);
    }
    return -1;
}

int32_t PtypOfApproachType696(uint32_t type) { return type < kApproachTypes696 ? kApproachTypeTable696[type] : -1; }

namespace {

// Where a waypoint group keeps the high parts of a near reference: the byte of bits 8-15, the
// byte of bits 16-17 and the shift that brings those two bits down.
struct ReferenceBytes {
    int high;
    int top;
    int shift;
};

bool Near(uint8_t type) { return type < 0x40; }

// The reference bytes of a waypoint group code; high < 0 for codes without a waypoint.
ReferenceBytes ReferenceOf(uint32_t code) {
    switch (code) {
    case 0: return {11, 12, 0};
    case 2: case 3: case 7: case 8: case 15: case 19: return {7, 8, 0};
    case 5: return {8, 7, 1};
    case 6: case 14: case 17: return {4, 3, 2};
    case 9: return {9, 10, 0};
    case 10: return {6, 5, 2};
    case 11: return {9, 8, 1};
    case 12: case 13: case 22: return {8, 7, 1};
    case 16: return {12, 13, 0};
    default: return {-1, -1, 0};
    }
}

}  // namespace

bool GroupLength696(const uint8_t* d, size_t g, size_t end, size_t* length) {
    // Byte i of the group, when it lies before the end.
    auto at = [&](size_t i, uint8_t* v) {
        if (g + i >= end) return false;
        *v = d[g + i];
        return true;
    };
    uint8_t header = 0;
    if (!at(0, &header)) return false;
    const uint32_t code = header & 0x1F;
    uint8_t type = 0;
    uint8_t b3 = 0;
    uint8_t b6 = 0;
    uint8_t b7 = 0;
    size_t n = 0;
    switch (code) {
    case 1: case 18: *length = 5; return true;
    case 4: case 20: case 21:
        if (!at(3, &b3)) return false;
        *length = 4 + (b3 != 0 ? 2 : 0) + (b3 == 7 ? 2 : 0);
        return true;
    case 6: case 14: case 17: {
        if (!at(1, &type) || !at(3, &b3)) return false;
        const uint32_t kind = type >> 4;
        n = kind <= 3 ? 5 : kind <= 7 ? 4 : 1;
        if (type & 1) n += 2;
        if ((b3 & 3) == 3) n += 2;
        *length = n;
        return true;
    }
    default: break;
    }
    if (!at(1, &type)) return false;
    const bool near = Near(type);
    switch (code) {
    case 0: n = near ? 15 : 13; break;
    case 2: case 3: case 5: case 7: case 8: case 15: case 19: n = near ? 9 : 7; break;
    case 9: n = near ? 13 : 11; break;
    case 10: n = near ? 7 : 6; break;
    case 11: n = near ? 10 : 8; break;
    case 12: case 13: case 22: n = near ? 9 : 8; break;
    case 16: {
        if (!at(3, &b3)) return false;
        n = b3 > 80 ? 14 : 16;
        break;
    }
    default: return false;   // above 22: the caller reports it
    }
    const bool optional = (type & 1) != 0;
    const bool needs6 = (optional && code != 11 && (code == 0 || code == 2 || code == 9)) || code == 3 || code == 7 ||
                        code == 8 || code == 15 || code == 19;
    if (needs6 && !at(6, &b6)) return false;
    if (optional && code != 11) {
        n += 2;
        if ((code == 0 || code == 2 || code == 9) && (b6 & 0xC0) == 0xC0) n += 2;
    }
    if (optional && (type >> 4) == 3 && (code == 5 || code == 22)) {
        if (!at(7, &b7)) return false;
        if (b7 == 3) n += 2;
    }
    if ((code == 3 || code == 7 || code == 8 || code == 15 || code == 19) && (b6 & 0xC0) == 0xC0) n += 2;
    *length = n;
    return true;
}

bool KeepApproachWaypoint696(ApproachEntry696& e, uint32_t type, uint32_t reference, const LocalTables696& t,
                             std::string* error) {
    if ((type & 4) == 0) return true;
    if (e.waypointCount == 0) {
        for (ApproachWaypoint696& w : e.waypoints) w = ApproachWaypoint696{};
    }
    ApproachWaypoint696& w = e.waypoints[(type & 2) ? 1 : 0];
    w.type = type | 1;
    w.reference = reference;
    const uint32_t kind = (type >> 4) & 15;
    if (kind == 6 || kind == 7) {
        const bool isInt = kind == 6;
        const size_t count = isInt ? t.intersectionCount : t.ndbCount;
        const size_t size = isInt ? kLocalIntersectionBytes696 : kLocalNdbBytes696;
        if (reference >= count) {
            *error = StringFormatC("local %s %u of an approach not in its table", isInt ? "INT" : "NDB", reference);
            return false;
        }
        std::memcpy(w.data, (isInt ? t.intersections : t.ndbs) + reference * size, size);
    }
    ++e.waypointCount;
    return true;
}

bool DecodeApproachGroups696(const uint8_t* d, size_t offset, size_t end, uint32_t extraBytes, int approachNumber,
                             const LocalTables696& tables, ApproachEntry696& entry, size_t* after,
                             std::string* error) {
    size_t at = offset;
    for (;;) {
        // A segment header, then its groups.
        if (at + 3 > end) {
            *error = StringFormatC("approach %d runs past its part", approachNumber);
            return false;
        }
        const bool lastSegment = (d[at] & 1) == 0;
        at += 3;
        for (;;) {
            if (at >= end) {
                *error = StringFormatC("approach %d runs past its part", approachNumber);
                return false;
            }
            const uint8_t header = d[at];
            const uint32_t code = header & 0x1F;
            if (code > kMaxGroupCode696) {
                *error = StringFormatC("Unknown approach group hdr=%02x aprno=%d", header, approachNumber);
                return false;
            }
            size_t length = 0;
            if (!GroupLength696(d, at, end, &length) || at + length > end) {
                *error = StringFormatC("approach %d runs past its part", approachNumber);
                return false;
            }
            const ReferenceBytes rb = ReferenceOf(code);
            if (rb.high >= 0) {
                const uint8_t type = d[at + 1];
                uint32_t reference = d[at + 2];
                const bool whole = code == 6 || code == 14 || code == 17;
                if (Near(type) && static_cast<size_t>(rb.top) < length) {
                    reference |= static_cast<uint32_t>(d[at + rb.high]) << 8;
                    reference |= static_cast<uint32_t>((d[at + rb.top] >> rb.shift) & 3) << 16;
                }
                if (!whole) reference &= (type >> 4) <= 1 ? 0x3FFFFu : 0xFFFFu;
                if (!KeepApproachWaypoint696(entry, type, reference, tables, error)) return false;
            }
            at += length;
            if (header & 0x40) at += extraBytes;
            if ((header & 0x80) == 0) break;
        }
        if (lastSegment) break;
    }
    if (at > end) {
        *error = StringFormatC("approach %d runs past its part", approachNumber);
        return false;
    }
    *after = at;
    return true;
}

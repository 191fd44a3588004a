// The waypoint data of an approach in an airport information block: segments (3-byte header,
// bit 0 of the first byte = another segment follows) of groups (1-byte header: bits 0-4 the
// code 0-22, bit 6 = extra bytes follow, bit 7 = another group follows). The decoder walks the
// groups by their lengths and keeps the waypoints of the approach.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr int kApproachWaypoints696 = 4;
inline constexpr size_t kApproachDataBytes696 = 32;
inline constexpr uint32_t kApproachTypes696 = 17;
inline constexpr uint32_t kMaxGroupCode696 = 22;

// Image approach type -> database `ptyp`.
inline constexpr int32_t kApproachTypeTable696[kApproachTypes696] = {3, 3, 5, 4, 6, 9, 10, 0, 11,
                                                                      13, 18, 2, 15, 16, 12, 0, 0};
// The image type of a `ptyp`: the first position that holds it; -1 when none does.
int ApproachTypeOfPtyp696(int32_t ptyp);
// The `ptyp` of an image type; -1 for a type outside the table.
int32_t PtypOfApproachType696(uint32_t type);

struct ApproachWaypoint696 {
    uint32_t type = 0;                       // type code: bits 4-7 the kind
    uint32_t reference = 0;
    uint8_t data[kApproachDataBytes696] = {};  // a local waypoint's table entry
};

// One approach of an airport, as the builder fills it and the decoder gives it back.
struct ApproachEntry696 {
    uint32_t idIndex = 0;       // position in the approach ID table
    uint32_t type = 0;          // image approach type
    uint32_t navaidKind = 0;    // 1 INT, 2 NDB, 3 VOR, 7 local NDB, 8 ILS, 9 none
    uint32_t navaidReference = 0;
    uint8_t navaidData[kApproachDataBytes696] = {};
    uint32_t waypointCount = 0;
    ApproachWaypoint696 waypoints[kApproachWaypoints696];
};

// What the waypoints of a kept local intersection (kind 6) or local NDB (kind 7) copy.
struct LocalTables696 {
    const uint8_t* intersections = nullptr;   // 9-byte entries
    size_t intersectionCount = 0;
    const uint8_t* ndbs = nullptr;            // 11-byte entries
    size_t ndbCount = 0;
};

inline constexpr size_t kLocalIntersectionBytes696 = 9;
inline constexpr size_t kLocalNdbBytes696 = 11;

// The byte length of the group at `group` (header included, extra bytes not); false when the
// bytes that decide it lie at or past `end`.
bool GroupLength696(const uint8_t* data, size_t group, size_t end, size_t* length);

// Adds a decoded waypoint to the approach: only types with bit 2 set are kept, bit 1 choosing
// the second slot; local intersections and NDBs copy their table entry. False (with a message)
// for a local reference outside its table.
bool KeepApproachWaypoint696(ApproachEntry696& entry, uint32_t type, uint32_t reference, const LocalTables696& tables,
                             std::string* error);

// Decodes the segments of one approach from `offset` (just after its fixed part) to the end of
// its last segment, keeping its waypoints; `extraBytes` is what a group with bit 6 carries
// more (section 1, value 27). Returns the offset after the approach, or false with a message
// for a group code above 22, or data that runs past `end`.
bool DecodeApproachGroups696(const uint8_t* data, size_t offset, size_t end, uint32_t extraBytes, int approachNumber,
                             const LocalTables696& tables, ApproachEntry696& entry, size_t* after,
                             std::string* error);

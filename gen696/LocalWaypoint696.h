// The local waypoints of an airport information block: local intersections (9 bytes), local
// NDBs (11) and ILS records (15). Each begins with its position relative to the airport (5
// bytes: the airport's position less the waypoint's, bits 11-26 of longitude and latitude as
// u16, then bits 7-10 of latitude in the low and of longitude in the high nibble) and holds its
// ident as six-bit ident codes read backwards from the field's last byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class LocalKind696 { Intersection, Ndb, Ils };

struct LocalWaypoint696 {
    int32_t lat = 0;
    int32_t lon = 0;
    std::string ident;        // at most 5 characters (4 for an NDB or ILS)
    int32_t frequency = 0;    // NDB: kHz x 10 (15 bits); ILS: MHz x 100
    uint32_t ndbByte = 0;     // NDB: byte 10 (bits 8-15 of the LWPT type)
    uint32_t runway = 0;      // ILS: byte 9, the runway slot plus 128 for the other end
};

size_t LocalWaypointBytes696(LocalKind696 kind);

// Packs the waypoint into `out` (LocalWaypointBytes696 bytes, zeroed first) for the airport at
// (aptLat, aptLon). False with a message when its distance from the airport or its frequency
// does not fit.
bool PackLocalWaypoint696(LocalKind696 kind, const LocalWaypoint696& w, int32_t aptLat, int32_t aptLon,
                          uint8_t* out, std::string* error);

// The waypoint of a packed entry; its position is the airport's less the relative one, kept to
// 128 angle units.
LocalWaypoint696 UnpackLocalWaypoint696(LocalKind696 kind, const uint8_t* data, int32_t aptLat, int32_t aptLon);

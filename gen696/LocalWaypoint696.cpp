#include "gen696/LocalWaypoint696.h"

#include <cstring>

#include "common/CLocale.h"
#include "common/SixBitCode.h"
#include "gen/createisam/CreateIsamSource.h"

namespace {

constexpr int64_t kReach = int64_t{1} << 26;   // relative positions keep 27 bits with the sign
constexpr int32_t kIlsBase = 10800;

struct IdentField {
    size_t last;     // the field's last byte
    int length;      // characters
};

IdentField IdentOf(LocalKind696 kind) {
    return kind == LocalKind696::Intersection ? IdentField{8, 5} : IdentField{7, 4};
}

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

int32_t Difference(uint16_t high, uint32_t nibble) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int16_t>(high)) << 11 | (nibble & 15) << 7);
}

}  // namespace

size_t LocalWaypointBytes696(LocalKind696 kind) {
    switch (kind) {
    case LocalKind696::Intersection: return 9;
    case LocalKind696::Ndb: return 11;
    case LocalKind696::Ils: return 15;
    }
    return 0;
}

bool PackLocalWaypoint696(LocalKind696 kind, const LocalWaypoint696& w, int32_t aptLat, int32_t aptLon,
                          uint8_t* out, std::string* error) {
    std::memset(out, 0, LocalWaypointBytes696(kind));
    // Angles wrap: a waypoint across 180 degrees from its airport is near it.
    const int64_t dlat = static_cast<int32_t>(static_cast<uint32_t>(aptLat) - static_cast<uint32_t>(w.lat));
    const int64_t dlon = static_cast<int32_t>(static_cast<uint32_t>(aptLon) - static_cast<uint32_t>(w.lon));
    if (dlat < -kReach || dlat >= kReach || dlon < -kReach || dlon >= kReach) {
        *error = StringFormatC("local waypoint %s lies too far from its airport for its relative position",
                               w.ident.c_str());
        return false;
    }
    const auto ulat = static_cast<uint32_t>(dlat);
    const auto ulon = static_cast<uint32_t>(dlon);
    Put16(out, ulon >> 11);
    Put16(out + 2, ulat >> 11);
    out[4] = static_cast<uint8_t>((ulat >> 7 & 15) | (ulon >> 7 & 15) << 4);
    const IdentField f = IdentOf(kind);
    PackIdent6(w.ident.c_str(), out + 5, f.last - 4, f.length);
    if (kind == LocalKind696::Ndb) {
        if (w.frequency < 0 || w.frequency > 0x7FFF) {
            *error = StringFormatC("local NDB %s: frequency %d does not fit its 15 bits", w.ident.c_str(), w.frequency);
            return false;
        }
        Put16(out + 8, static_cast<uint32_t>(w.frequency));
        out[10] = static_cast<uint8_t>(w.ndbByte);
    } else if (kind == LocalKind696::Ils) {
        const int32_t step = (w.frequency - kIlsBase) / 5;
        if (step < 0 || step > 255) {
            *error = StringFormatC("ILS %s: frequency %d.%02d outside 108.00-120.75", w.ident.c_str(),
                                   w.frequency / 100, w.frequency % 100);
            return false;
        }
        out[8] = static_cast<uint8_t>(step);
        out[9] = static_cast<uint8_t>(w.runway);
    }
    return true;
}

LocalWaypoint696 UnpackLocalWaypoint696(LocalKind696 kind, const uint8_t* d, int32_t aptLat, int32_t aptLon) {
    LocalWaypoint696 w;
    w.lon = static_cast<int32_t>(static_cast<uint32_t>(aptLon) -
                                 static_cast<uint32_t>(Difference(static_cast<uint16_t>(d[0] | d[1] << 8), d[4] >> 4)));
    w.lat = static_cast<int32_t>(static_cast<uint32_t>(aptLat) -
                                 static_cast<uint32_t>(Difference(static_cast<uint16_t>(d[2] | d[3] << 8), d[4])));
    const IdentField f = IdentOf(kind);
    w.ident = ReadReversedSixBitText(d + 5, static_cast<uint32_t>(f.last - 4), static_cast<uint32_t>(f.length));
    w.ident.erase(w.ident.find_last_not_of(' ') + 1);
    if (kind == LocalKind696::Ndb) {
        w.frequency = (d[8] | d[9] << 8) & 0x7FFF;
        w.ndbByte = d[10];
    } else if (kind == LocalKind696::Ils) {
        w.frequency = (d[8] + 2160) * 5;
        w.runway = d[9];
    }
    return w;
}

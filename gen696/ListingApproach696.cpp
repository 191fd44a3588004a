// The approach lines of a 696 listing: the airports that have an information block, each with
// its approaches from the decoded block: a header line per approach, then its navaid (with
// record numbers or at a debug level above 1) and its waypoints.
#include <cmath>
#include <cstdio>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "common/CoordinateFormat.h"
#include "common/SixBitCode.h"
#include "gen696/Listing696.h"
#include "gen696/LocalWaypoint696.h"

namespace {

constexpr int kSectionApids = 11;
constexpr uint32_t kApidBytes = 4;
constexpr uint32_t kKindInt = 1;
constexpr uint32_t kKindNdb = 2;
constexpr uint32_t kKindVor = 3;
constexpr uint32_t kKindRunway = 5;
constexpr uint32_t kKindLocalInt = 6;
constexpr uint32_t kKindLocalNdb = 7;
constexpr uint32_t kKindIls = 8;
constexpr uint32_t kKindNone = 9;

const char* const kApproachTypes[kApproachTypes696] = {"ILS", "MLS",  "LOC",   "IGS",     "LOC BC", "LDA",
                                                       "SDF", "GPS",  "VOR/DME", "VOR",   "RNAV",   "LORAN",
                                                       "NDB/DME", "NDB", "TACAN", "HELO", "GLS"};

// An approach ID of section 11: five six-bit codes over the four bytes in reverse order.
std::string ApproachId(const ListedImage696& image, uint32_t index) {
    const uint8_t* e = image.Record(kSectionApids, index);
    if (!e || image.RecordSize(kSectionApids) < kApidBytes) return "";
    const uint8_t stream[4] = {e[3], e[2], e[1], e[0]};
    std::string id;
    for (uint32_t i = 0; i < 5; ++i) id.push_back(IdentCodeChar(GetBits(6 * i, 6, stream)));
    return id.erase(id.find_last_not_of(' ') + 1);
}

// A local waypoint's coordinate in decimal minutes to four places: fine enough for the approach
// compiler to find the 128-unit step the image keeps.
std::string LocalAngle(int32_t angle, bool isLongitude) {
    const double degrees = angle * (360.0 / 4294967296.0);
    const char hemisphere = isLongitude ? (degrees < 0 ? 'W' : 'E') : (degrees < 0 ? 'S' : 'N');
    const long tenThousandths = std::lround(std::fabs(degrees) * 600000.0);
    const long whole = tenThousandths / 600000;
    const double minutes = static_cast<double>(tenThousandths % 600000) / 10000.0;
    return StringFormatC(isLongitude ? "%c%03ld\xB0%07.4f" : "%c %02ld\xB0%07.4f", hemisphere, whole, minutes);
}

// A local waypoint of the airport's block, its ident padded to its field so that its position
// starts at the same column for every kind.
LocalWaypoint696 Local(const uint8_t* record, LocalKind696 kind, const uint8_t* data) {
    int32_t lat = 0;
    int32_t lon = 0;
    UnpackPosition696(record, &lat, &lon);
    LocalWaypoint696 w = UnpackLocalWaypoint696(kind, data, lat, lon);
    w.ident.resize(6, ' ');
    return w;
}

std::string LocalPosition(const LocalWaypoint696& w) { return LocalAngle(w.lat, false) + " " + LocalAngle(w.lon, true); }

std::string WaypointText(const ListingState696& state, const ListingFlags& flags, const uint8_t* record, uint32_t kind,
                         uint32_t reference, const uint8_t* data) {
    const ListedImage696& image = *state.image;
    std::string line;
    switch (kind) {
    case kKindInt:
    case kKindNdb:
    case kKindVor: {
        const int type = kind == kKindInt ? kInt696 : kind == kKindNdb ? kNdb696 : kVor696;
        const uint8_t* point = image.Point(type, reference);
        if (!point) return StringFormatC("%s %x: no such record", kPointSections696[type].name, reference);
        FormatPointLine696(image, flags, type, reference, point, line);
        return line;
    }
    case kKindRunway: {
        const uint32_t slot = reference & 127;
        const auto& runways = state.airport.runways;
        if (slot >= runways.size()) return StringFormatC("RW slot %u: no such runway", slot);
        line = "RW" + RunwayDesignator696(runways[slot], (reference & 128) != 0);
        if (runways[slot].pictureFlags & 4) {
            // A runway with both ends given: "s" at column 5.
            line.resize(5, ' ');
            line += 's';
        }
        return line;
    }
    case kKindLocalInt: {
        const LocalWaypoint696 w = Local(record, LocalKind696::Intersection, data);
        return "INT  " + w.ident + LocalPosition(w) + " (Local INT)";
    }
    case kKindLocalNdb: {
        const LocalWaypoint696 w = Local(record, LocalKind696::Ndb, data);
        return "NDB  " + w.ident + LocalPosition(w) +
               StringFormatC(" (Local NDB) %d.%d", w.frequency / 10, w.frequency % 10);
    }
    case kKindIls: {
        const LocalWaypoint696 w = Local(record, LocalKind696::Ils, data);
        const auto& runways = state.airport.runways;
        const uint32_t slot = w.runway & 127;
        std::string runway = slot < runways.size() ? RunwayDesignator696(runways[slot], (w.runway & 128) != 0) : "..";
        if (slot < runways.size() && (runways[slot].pictureFlags & 4)) runway += 's';
        return "ILS  " + w.ident + LocalPosition(w) +
               StringFormatC(" %d.%02d RW%-3s", w.frequency / 100, w.frequency % 100, runway.c_str());
    }
    case kKindNone:
        return "none";
    default:
        return StringFormatC("wpt type %x sno %x", kind, reference);
    }
}

// The detail form, which the dump writes too: the navaid line and the waypoints' type codes.
bool ShowsNavaid(const ListingFlags& flags) { return flags.recordNumbers || flags.debugLevel > 1 || flags.dump; }

uint32_t ApproachLines(const ApproachEntry696& a, const ListingFlags& flags) {
    return 1 + a.waypointCount + (ShowsNavaid(flags) ? 1 : 0);
}

std::string HeaderText(const ListingState696& state, const ListingFlags& flags, const ApproachEntry696& a) {
    const ListedImage696& image = *state.image;
    std::string text;
    if (a.type >= kApproachTypes696) {
        text = StringFormatC("Unknown Approach (type %02x) ", a.type);
    } else if (a.idIndex >= image.RecordCount(kSectionApids)) {
        text = StringFormatC("apid %x too big", a.idIndex);
    } else {
        text = StringFormatC("%s Approach: %s", kApproachTypes[a.type], ApproachId(image, a.idIndex).c_str());
        if (!flags.recordNumbers && (a.navaidKind == kKindNdb || a.navaidKind == kKindVor)) {
            const int type = a.navaidKind == kKindNdb ? kNdb696 : kVor696;
            const uint8_t* point = image.Point(type, a.navaidReference);
            if (point) {
                const uint32_t f = type == kNdb696 ? U16At(point + 10) & 0x7FFF : (point[13] + 2160u) * 5;
                const uint32_t divisor = type == kNdb696 ? 10 : 100;
                text += StringFormatC(" \"%s %u.%02u\"", image.Ident(type, a.navaidReference, point).c_str(),
                                      f / divisor, f % divisor);
            }
        }
    }
    if (ShowsNavaid(flags)) {
        text += StringFormatC(" (%x/%s)", a.type, ApproachId(image, a.idIndex).c_str());
    }
    return text;
}

}  // namespace

uint32_t ApproachLineCount696(ListingState696& state, const ListingFlags& flags, uint32_t n) {
    const uint8_t* record = state.image->Point(kApt696, n);
    if (!record || !(record[11] & 0x80)) return 0;
    const bool sound = DecodeListedAirport696(state, n);
    uint32_t lines = 1;
    for (const ApproachEntry696& a : state.airport.approaches) lines += ApproachLines(a, flags);
    if (!sound) ++lines;
    if (lines == 1) return 0;
    return std::min(lines, kApproachSubLines696);
}

void FormatApproachLine696(ListingState696& state, const ListingFlags& flags, uint32_t n, uint32_t sub,
                           std::string& out) {
    const uint8_t* record = AirportHeadLine696(state, flags, n, sub, out);
    if (!record) return;
    const bool sound = DecodeListedAirport696(state, n);
    uint32_t i = sub - 1;
    int number = 1;
    for (const ApproachEntry696& a : state.airport.approaches) {
        const uint32_t lines = ApproachLines(a, flags);
        if (i >= lines) {
            i -= lines;
            ++number;
            continue;
        }
        if (i == 0) {
            const std::string header = HeaderText(state, flags, a);
            out = flags.recordNumbers ? StringFormatC("%4d %s", number, header.c_str()) : "     " + header;
            return;
        }
        --i;
        if (ShowsNavaid(flags)) {
            if (i == 0) {
                out = StringFormatC("[%02x]   ", (a.navaidKind & 15) * 16) +
                      WaypointText(state, flags, record, a.navaidKind, a.navaidReference, a.navaidData) + " {Navaid}";
                return;
            }
            --i;
        }
        if (i >= a.waypointCount || i >= static_cast<uint32_t>(kApproachWaypoints696)) return;
        const ApproachWaypoint696& w = a.waypoints[i];
        const std::string text = WaypointText(state, flags, record, w.type >> 4 & 15, w.reference, w.data);
        out = ShowsNavaid(flags) ? StringFormatC("[%02x]   ", w.type & 0xFF) + text : "       " + text;
        return;
    }
    if (!sound) out = "     <**corrupt**>";
}

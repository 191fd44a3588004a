// The airway lines of a 696 listing: an airway's line from its record (section 45), then its
// points from section 46: a waypoint as the INT, NDB or VOR line of its record, a level item as
// its limits. The lines keep the columns the airway text compiler reads.
#include <algorithm>
#include <cstdio>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "gen696/AirwayPoints696.h"
#include "gen696/Listing696.h"

namespace {

constexpr int kSectionAirways = 45;
constexpr int kSectionPoints = 46;
constexpr uint8_t kHead = 12;
constexpr const char* kCorrupt = "<**corrupt**>";

// The five six-bit characters of bytes 4, 3, 2 and 1, trailing blanks cut.
std::string AirwayName(const uint8_t* record) {
    const uint8_t stream[4] = {record[4], record[3], record[2], record[1]};
    std::string name;
    for (uint32_t i = 0; i < 5; ++i) name.push_back(static_cast<char>(GetBits(6 * i, 6, stream) + 32));
    return name.erase(name.find_last_not_of(' ') + 1);
}

const char* LevelClass(uint8_t code) {
    switch (code) {
    case 8: return "High";
    case 6: return "Low";
    case 2: return "low";
    default: return "unk";
    }
}

// An 11-bit altitude value: flight level, hundreds of feet, "See Chart", "unknown" or nothing.
std::string AltitudeText(uint32_t value) {
    if (value & 0x400) return StringFormatC("FL%03d", static_cast<int>(value & 0x3FF));
    switch (value & 0x3FF) {
    case 0: return "";
    case 1: return "unknown";
    case 2: return "See Chart";
    default: return StringFormatC("%dALT", static_cast<int>(value & 0x3FF) * 100);
    }
}

// The airway's points: the head left out.
bool ReadPoints(const ListedImage696& image, const uint8_t* record, std::vector<AirwayPoint696>* points) {
    const ListedImage696::Span section = image.Bytes(kSectionPoints);
    const uint32_t count = image.RecordCount(kSectionPoints);
    std::string error;
    const bool sound = image.RecordSize(kSectionPoints) == kAirwayPointBytes696 &&
                       ReadAirwayPoints696(section.data, count, AirwayFirstPoint696(record), section.start, points, &error);
    if (!points->empty() && (*points)[0][0] == kHead) points->erase(points->begin());
    return sound;
}

}  // namespace

uint32_t AirwayCount696(const ListedImage696& image) {
    return image.RecordSize(kSectionAirways) == kAirwayRecordBytes696 ? image.RecordCount(kSectionAirways) : 0;
}

uint32_t AirwayLineCount696(ListingState696& state, uint32_t n) {
    const ListedImage696& image = *state.image;
    const uint8_t* record = image.Record(kSectionAirways, n);
    if (!record) return 0;
    if (!state.filter.hasStart && !state.filter.IdentBegins(AirwayName(record))) return 0;
    state.airwayOf = static_cast<int32_t>(n);
    state.airwayPoints.clear();
    state.airwaySound = ReadPoints(image, record, &state.airwayPoints);
    return std::min<uint32_t>(1 + static_cast<uint32_t>(state.airwayPoints.size()) + (state.airwaySound ? 0 : 1),
                              kMaxAirwayPoints696 + 2);
}

void FormatAirwayLine696(ListingState696& state, const ListingFlags& flags, uint32_t n, uint32_t sub,
                         std::string& out) {
    const ListedImage696& image = *state.image;
    const uint8_t* record = image.Record(kSectionAirways, n);
    if (!record) return;
    if (sub == 0) {
        out = flags.recordNumbers ? StringFormatC("%3x  %s", n, AirwayName(record).c_str())
                                  : "AWY  " + AirwayName(record);
        out += StringFormatC(" (%s)", LevelClass(record[0]));
        if (flags.extraLevel) out += StringFormatC(" [%02x]", record[5] & 0x3F);
        return;
    }
    if (state.airwayOf != static_cast<int32_t>(n)) {
        state.airwayOf = static_cast<int32_t>(n);
        state.airwayPoints.clear();
        state.airwaySound = ReadPoints(image, record, &state.airwayPoints);
    }
    const uint32_t i = sub - 1;
    if (i >= state.airwayPoints.size()) {
        if (!state.airwaySound) out = kCorrupt;
        return;
    }
    const AirwayPoint696& p = state.airwayPoints[i];
    if (p[0] & 1) {
        // A level item: lower limit over bits 4-14, upper limit in bytes 4-5.
        const uint32_t mark = U16At(&p[2]);
        const std::string upper = AltitudeText(U16At(&p[4]));
        out = mark ? StringFormatC("[%02x]", mark) : std::string();
        out.resize(10, ' ');
        out += AltitudeText(U16At(&p[0]) >> 4);
        if (!upper.empty()) out += " to " + upper;
        return;
    }
    static const int kTypes[4] = {-1, kInt696, kNdb696, kVor696};
    const int pointType = kTypes[p[0] >> 6];
    const uint32_t number = p[1] | p[2] << 8 | (p[3] & 3u) << 16;
    const uint8_t* point = pointType >= 0 ? image.Point(pointType, number) : nullptr;
    if (!point) {
        out = StringFormatC("UNK %02x %04x %02x %04x", p[0], U16At(&p[1]), p[3], U16At(&p[4]));
        return;
    }
    std::string line;
    FormatPointLine696(image, flags, pointType, number, point, line);
    out = StringFormatC("[%02x] ", p[0] & 0x37) + line;
    if (flags.extraLevel) out += StringFormatC(" {%02x}", p[3] >> 2);
}

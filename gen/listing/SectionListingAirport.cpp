// Airport lines (kind 4) and approach lines (kind 11).
#include <algorithm>

#include "common/CLocale.h"
#include "gen/listing/ListingRecords.h"
#include "gen/image/PositionField.h"
#include "gen/listing/SectionListingParts.h"

namespace {

constexpr uint32_t kRawBytesPerLine = 40;
constexpr size_t kRawLineLimit = 127;
constexpr uint8_t kInfoMarked = 0x20;

// Loads the airport's record and tables; false when the record cannot be read.
bool LoadAirport(ListingSession& s, uint32_t n, uint8_t* record, GeoPoint* position) {
    if (!s.reader->ReadRecord(kSectionApt, n, record)) return false;
    LoadAirportInfo(*s.reader, n, record, true, &s.airport);
    DecodePosition(record, &position->lat, &position->lon);
    return true;
}

// Raw sub-lines of an airport: the record's bytes at Extra level 1, its rwy/com/appr entry in
// 40-byte lines at level 2 and above.
uint32_t RawLines(const ListingFlags& flags, bool hasInfo) {
    if (flags.extraLevel >= 2 && hasInfo) return flags.extraLevel;
    return flags.extraLevel == 1 ? 1 : 0;
}

uint32_t TableLines(const AirportTables& t) { return t.LineCount() + (t.error.empty() ? 0 : 1); }

std::string RawEntryLine(const ListingSession& s, uint32_t line) {
    const AirportTables& t = s.airport;
    const std::vector<uint8_t>& table = s.info->detail;
    std::string text;
    for (uint32_t i = (line - 1) * kRawBytesPerLine; i < line * kRawBytesPerLine; ++i) {
        const uint32_t at = t.infoOffset + i;
        if (at >= t.infoEnd || at >= table.size() || text.size() + 3 > kRawLineLimit) break;
        text += StringFormatC("%c%02x", at == t.approachStart ? '|' : ' ', table[at]);
    }
    if (line == 1 && !text.empty() && (t.infoFlags & kInfoMarked)) text[0] = '*';
    return text;
}

}  // namespace

uint32_t AirportLineCount(ListingSession& s, const ListingFlags& flags, uint32_t n, bool approaches) {
    uint8_t record[kMaxImageRecord];
    if (!PointRecordPasses(s, kSectionApt, n, record)) return 0;
    LoadAirportInfo(*s.reader, n, record, true, &s.airport);
    uint32_t lines = 0;
    if (approaches) {
        GeoPoint position;
        DecodePosition(record, &position.lat, &position.lon);
        LoadApproaches(s.airport, position, &s.approaches);
        lines = s.approaches.LineCount() + (s.airport.error.empty() ? 0 : 1);
        if (lines == 0) return 0;
    } else {
        lines = RawLines(flags, s.airport.hasInfo) + TableLines(s.airport);
    }
    return std::min(1 + lines, kAirportSubLines);
}

void FormatAirportLine(ListingSession& s, const ListingFlags& flags, uint32_t n, uint32_t sub, std::string& out) {
    uint8_t record[kMaxImageRecord];
    GeoPoint position;
    if (!LoadAirport(s, n, record, &position)) {
        out = StringFormatC("APT %x: no such record", n);
        return;
    }
    const AirportTables& t = s.airport;
    if (sub == 0) {
        FormatAirportRecordLine(*s.reader, flags, n, record, t.hasInfo ? t.infoFlags : -1, out);
        return;
    }
    const uint32_t raw = RawLines(flags, t.hasInfo);
    if (sub <= raw) {
        out = flags.extraLevel == 1 ? FormatRawRecord(record, s.reader->RecordSize(kSectionApt))
                                    : RawEntryLine(s, sub);
        return;
    }
    const uint32_t index = sub - raw - 1;
    if (index < t.LineCount()) {
        ListingLine line;
        if (FormatRunwayFrequencyLine(t, index, position, flags, line)) {
            out.assign(line.Text(), static_cast<size_t>(line.Trim()));
        }
    } else if (index == t.LineCount()) {
        out = t.error;
    }
}

void FormatApproachLines(ListingSession& s, const ListingFlags& flags, uint32_t n, uint32_t sub, std::string& out) {
    uint8_t record[kMaxImageRecord];
    GeoPoint position;
    if (!LoadAirport(s, n, record, &position)) {
        out = StringFormatC("APT %x: no such record", n);
        return;
    }
    if (sub == 0) {
        FormatAirportRecordLine(*s.reader, flags, n, record, s.airport.hasInfo ? s.airport.infoFlags : -1, out);
        return;
    }
    LoadApproaches(s.airport, position, &s.approaches);
    const ApproachList& list = s.approaches;
    uint32_t left = sub - 1;
    for (uint32_t a = 0; a < list.approaches.size(); ++a) {
        if (left == 0) {
            const std::string title = FormatApproachTitle(*s.info, list, a, flags);
            out =
                flags.recordNumbers ? StringFormatC("%4d %s", static_cast<int>(a + 1), title.c_str()) : "     " + title;
            return;
        }
        --left;
        const auto& waypoints = list.approaches[a].waypoints;
        if (left < waypoints.size()) {
            const std::string text = FormatApproachWaypoint(
                s.airport, list, a, left, position, flags,
                [&](int section, uint32_t number) { return FormatWaypointLineOf(*s.reader, flags, section, number); });
            out = flags.dump ? StringFormatC("[%02x]   %s", waypoints[left].code, text.c_str()) : "       " + text;
            return;
        }
        left -= static_cast<uint32_t>(waypoints.size());
    }
    if (left == 0) out = s.airport.error;
}

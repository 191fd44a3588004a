// The airport's runway-and-frequency lines and its approach titles and waypoints.
#include <algorithm>
#include <cstring>

#include "common/ApproachTitle.h"
#include "common/CLocale.h"
#include "common/CoordinateFormat.h"
#include "common/Frequency.h"
#include "common/ListingTables.h"
#include "common/NameCode.h"
#include "common/RunwayDesignator.h"
#include "common/SixBitCode.h"
#include "gen/image/Image.h"
#include "gen/listing/ListingFormat.h"
#include "gen/listing/ListingFormatText.h"
#include "gen/image/RunwayPicture.h"

namespace {

constexpr int kFrequencyColumn = 11;
constexpr int kRunwayColumn = 46;
constexpr int kLengthColumn = 54;
constexpr uint32_t kHeightBias = 5000;
constexpr size_t kRestrictionRoom = 127;
constexpr uint8_t kFrequencyMark1 = 0x40;
constexpr uint8_t kFrequencyMark2 = 0x80;
constexpr uint32_t kRunwayNumber = 31;
constexpr uint32_t kOtherEndGiven = 0x80;
constexpr uint32_t kEndDistance = 18;  // the other end's number is 18 more

// The designator word as listed. A forward end numbered above 18 without an explicit other end
// is named from its low end (number less 18, L and R exchanged), as the batch decoders store it,
// and `swapped` tells that the ends changed places; an explicit other end above 18 is taken as
// its own number (the formatter adds 18 to the number stored).
uint32_t ListedDesignator(uint32_t word, bool* swapped) {
    *swapped = false;
    if (word & kOtherEndGiven) {
        const uint32_t other = (word >> 8) & kRunwayNumber;
        if (other > kEndDistance) word = (word & ~(kRunwayNumber << 8)) | (other - kEndDistance) << 8;
        return word;
    }
    const uint32_t number = word & kRunwayNumber;
    if (number <= kEndDistance) return word;
    uint32_t letter = (word >> 5) & 3;
    if (letter >= 2) letter ^= 1;  // L and R
    *swapped = true;
    return (word & ~0x7Fu) | letter << 5 | (number - kEndDistance);
}

// The frequency's restriction texts: sector, heights, remote VOR, "UNK20" and the coded text.
void AppendRestriction(const std::vector<uint8_t>& ext, std::string& text) {
    if (ext.size() < 2) return;
    const uint8_t flags = ext[1];
    size_t at = 2;
    auto byte = [&](size_t i) -> uint32_t { return i < ext.size() ? ext[i] : 0; };
    if (flags & 0x01) {
        const uint32_t first = (byte(at) + ((flags & 0x40) ? 256 : 0)) % 360;
        const uint32_t second = (byte(at + 1) + ((flags & 0x80) ? 256 : 0)) % 360;
        char piece[16];
        char* end = listfmt::PutUnsigned(piece, first, 3, '0');
        *end++ = '-';
        end = listfmt::PutUnsigned(end, second, 3, '0');
        *end++ = ' ';
        text.append(piece, end);
        at += 2;
    }
    // "below %u " / "above %u ": the height as an unsigned value, as stored less the bias.
    auto height = [&](const char* word) {
        char piece[24];
        char* end = listfmt::PutUnsigned(piece, static_cast<uint32_t>((byte(at) | byte(at + 1) << 8) - kHeightBias));
        *end++ = ' ';
        text += word;
        text.append(piece, end);
        at += 2;
    };
    if (flags & 0x04) height("below ");
    if (flags & 0x02) height("above ");
    if (flags & 0x08) {
        const uint8_t vor[3] = {static_cast<uint8_t>(byte(at)), static_cast<uint8_t>(byte(at + 1)),
                                static_cast<uint8_t>(byte(at + 2))};
        char piece[24] = {};
        AppendRemoteVor(piece, sizeof piece, vor);
        text += piece;
        text += ' ';
        at += 3;
    }
    if (flags & 0x20) text += "UNK20 ";
    if ((flags & 0x10) && at < ext.size() && text.size() < kRestrictionRoom) {
        // The first byte's top seven bits bound the text in units of eight bytes.
        const size_t bytes = std::min<size_t>(size_t{byte(at) >> 1} * 8, ext.size() - at);
        char name[kRestrictionRoom + 1] = {};
        DecodeName(&ext[at], bytes, name, kRestrictionRoom + 1 - text.size(), 7);
        text += name;
    }
}

// A threshold word (latitude offset in the high 16 bits, longitude offset in the low 16 bits, in
// units of 128) taken from the airport's position.
GeoPoint Threshold(const GeoPoint& airport, int32_t word) {
    GeoPoint p;
    const auto dLat = static_cast<int16_t>(static_cast<uint32_t>(word) >> 16);
    const auto dLon = static_cast<int16_t>(static_cast<uint32_t>(word) & 0xFFFF);
    p.lat = static_cast<int32_t>(static_cast<uint32_t>(airport.lat) - (static_cast<uint32_t>(dLat) << 7));
    p.lon = static_cast<int32_t>(static_cast<uint32_t>(airport.lon) - (static_cast<uint32_t>(dLon) << 7));
    return p;
}

void Thresholds(const RunwayEntry& r, const GeoPoint& airport, GeoPoint* first, GeoPoint* second) {
    uint32_t kind = 0;
    int32_t a = 0;
    int32_t b = 0;
    RunwayPicture picture;
    picture.start = static_cast<uint16_t>(r.pictureStart);
    picture.picture = r.picture;
    UnpackRunwayPicture(picture, &kind, &a, &b);
    *first = Threshold(airport, a);
    *second = Threshold(airport, b);
}

std::string PositionText(const GeoPoint& p, const ListingFlags& flags) {
    char text[kPositionPairTextSize];
    FormatPositionPair(text, p.lat, p.lon, flags.decimal, flags.RawCoordinates());
    return text;
}

// The runway's remark in parentheses: "(p)"/"(b)", its raw fields "(%02x %04x %08lx)", or in a
// dump with thresholds "<%c-%c> (%02x|lat|lon|lat|lon)". text needs kRemarkSize bytes.
constexpr size_t kRemarkSize = 16 + 4 * kCoordinateTextSize;

void RunwayRemark(const RunwayEntry& r, const GeoPoint& airport, const ListingFlags& flags, char* text) {
    const unsigned flagByte = static_cast<unsigned>(r.flag) & 0xFF;
    char* at = text;
    if (flags.dump && r.HasThresholds()) {
        GeoPoint first;
        GeoPoint second;
        Thresholds(r, airport, &first, &second);
        *at++ = '<';
        *at++ = (r.picture & 0xC0) == 0xC0 ? 'L' : 'R';
        *at++ = '-';
        *at++ = (r.picture >> 30) == 3 ? 'L' : 'R';
        *at++ = '>';
        *at++ = ' ';
        *at++ = '(';
        at = listfmt::PutHex(at, flagByte, 2, '0');
        const int32_t angles[4] = {first.lat, first.lon, second.lat, second.lon};
        for (int i = 0; i < 4; ++i) {
            *at++ = '|';
            FormatCoordinate(at, angles[i], (i & 1) != 0, kNotationDecimalMinutes, flags.RawCoordinates());
            at += std::strlen(at);
        }
        *at++ = ')';
    } else if (flags.rawReferences || flags.dump) {
        *at++ = '(';
        at = listfmt::PutHex(at, flagByte, 2, '0');
        *at++ = ' ';
        at = listfmt::PutHex(at, r.pictureStart, 4, '0');
        *at++ = ' ';
        at = listfmt::PutHex(at, r.picture, 8, '0');
        *at++ = ')';
    } else {
        at = listfmt::PutLeft(at, r.HasThresholds() ? "(p)" : "(b)");
    }
    *at = '\0';
}

}  // namespace

bool FormatRunwayFrequencyLine(const AirportTables& t, uint32_t index, const GeoPoint& airport,
                               const ListingFlags& flags, ListingLine& line) {
    line.Clear();
    if (index >= kMaxAirportEntries) return false;
    const FrequencyEntry& f = t.frequencies[index];
    const RunwayEntry& r = t.runways[index];
    if (!f.present && !r.present) return false;
    if (f.present) {
        // "%-6s%c %3u.%02u%c ", then the restriction texts.
        const uint32_t value = f.code + static_cast<uint32_t>(kFrequencyBase);
        char head[ListingLine::kSize];
        char* at = listfmt::PutLeft(head, FrequencyTypeName(f.type & 15), 6);
        *at++ = (f.type & kFrequencyMark1) ? '*' : ' ';
        *at++ = ' ';
        at = listfmt::PutUnsigned(at, value / 100, 3);
        *at++ = '.';
        at = listfmt::PutUnsigned(at, value % 100, 2, '0');
        *at++ = (f.type & kFrequencyMark2) ? '*' : ' ';
        *at++ = ' ';
        *at = '\0';
        if (f.extension.size() < 2) {
            line.Append(kFrequencyColumn, head, static_cast<size_t>(at - head));
        } else {
            std::string text(head, at);
            AppendRestriction(f.extension, text);
            line.Append(kFrequencyColumn, text.c_str());
        }
    }
    if (r.present) {
        bool swapped = false;
        const uint32_t designator = ListedDesignator(r.designator, &swapped);
        if (designator == 0) {
            line.Append(kRunwayColumn + 1, "..-..");
        } else {
            char end[kRunwayDesignatorSize];
            FormatRunwayDesignator(end, designator, false);
            line.Append(end[2] == ' ' ? kRunwayColumn + 1 : kRunwayColumn, end);
            line.Append(kRunwayColumn + 3, "-", 1);
            FormatRunwayDesignator(end, designator, true);
            line.Append(kRunwayColumn + 4, end);
        }
        const char* surface = RunwaySurfaceName(static_cast<int>(r.surfaceLights & 7));
        const char* lights = RunwayLightingName(static_cast<int>((r.surfaceLights >> 3) & 7));
        // "%5u' %-6s %-6s", or "%5ux%3u' %-6s %-6s" with a width.
        char text[ListingLine::kSize];
        char* at = listfmt::PutUnsigned(text, r.length * 100, 5);
        if (r.flag >= 0) {
            *at++ = 'x';
            at = listfmt::PutUnsigned(at, r.width * 5, 3);
        }
        *at++ = '\'';
        *at++ = ' ';
        at = listfmt::PutLeft(at, surface, 6);
        *at++ = ' ';
        at = listfmt::PutLeft(at, lights, 6);
        const int column = line.Append(kLengthColumn, text, static_cast<size_t>(at - text));
        if (r.HasThresholds() || r.flag > 0) {
            char remark[kRemarkSize];
            RunwayRemark(r, airport, flags, remark);
            line.Append(column + 1, remark);
        }
    }
    return true;
}

std::string FormatApproachTitle(const ImageInfo& info, const ApproachList& list, uint32_t index,
                                const ListingFlags& flags) {
    if (index >= list.approaches.size()) return {};
    const ApproachEntry& a = list.approaches[index];
    std::string ident =
        a.idIndex < info.approachIds.size() ? info.approachIds[a.idIndex] : StringFormatC("#%x", a.idIndex);
    char text[160];
    ApproachLineText(text, sizeof text, a.type, ident.c_str(), flags.dump || flags.debugLevel >= 2);
    return text;
}

std::string FormatApproachWaypoint(const AirportTables& t, const ApproachList& list, uint32_t index, uint32_t w,
                                   const GeoPoint& airport, const ListingFlags& flags,
                                   const RecordLineFormatter& recordLine) {
    if (index >= list.approaches.size() || w >= list.approaches[index].waypoints.size()) return {};
    const ApproachWaypointRef& ref = list.approaches[index].waypoints[w];
    const uint32_t kind = ref.code & 0xF0;
    ListingLine line;
    switch (kind) {
        case 0x20:
        case 0x40:
        case 0x60:
            return recordLine(static_cast<int>(kind / 0x20), ref.reference);
        case 0xA0: {
            const uint32_t runway = ref.reference & 0x7F;
            if (runway >= t.runwayCount) break;
            const RunwayEntry& r = t.runways[runway];
            const bool reciprocal = (ref.reference & 0x80) != 0;
            GeoPoint first;
            GeoPoint second;
            Thresholds(r, airport, &first, &second);
            bool swapped = false;
            const uint32_t designator = ListedDesignator(r.designator, &swapped);
            line.Append(0, "RW");
            line.Append(2, FormatRunwayId(designator, reciprocal != swapped).c_str());
            line.Format(5, "      %s", PositionText(reciprocal ? second : first, flags).c_str());
            if (r.designator & 0x80) line.Append(5, "S");
            line.Trim();
            return line.Text();
        }
        case 0xC0:
            line.Format(0, "INT  %s", ref.ident.c_str());
            line.Format(10, " %s (Local INT)", PositionText(ref.position, flags).c_str());
            line.Trim();
            return line.Text();
        case 0xE0: {
            char frequency[kFrequencyTextSize];
            FormatFrequency(frequency, static_cast<int32_t>(ref.frequency), 10);
            line.Format(0, "NDB  %s", ref.ident.c_str());
            const int column = line.Format(8, "   %s", PositionText(ref.position, flags).c_str());
            line.Format(column, " (Local NDB) %s", frequency);
            line.Trim();
            return line.Text();
        }
        default:
            break;
    }
    return StringFormatC("wpt %x sno %x", ref.code, ref.reference);
}

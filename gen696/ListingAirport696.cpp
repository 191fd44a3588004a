// The sub-lines of an airport in a 696 listing: its record and block bytes at the extra debug
// levels, then one line per index i while there is a frequency i or a runway i: the frequency
// from column 11, the runway from column 48.
#include <algorithm>
#include <cstdio>

#include "common/CoordinateFormat.h"

#include "common/NameCode.h"
#include "common/SixBitCode.h"
#include "gen/listing/ListingFormatText.h"
#include "gen696/Listing696.h"
#include "gen696/Words696.h"

namespace {

constexpr int kSectionInfo = 10;
constexpr int kFrequencyColumn = 11;
constexpr int kDesignatorEnd = 48;
constexpr int kRunwayColumn = 54;
constexpr uint32_t kBlockBytesPerLine = 40;
constexpr size_t kBlockLineLimit = 128;
constexpr const char* kCorrupt = "<**corrupt**>";

const auto& kFrequencyTypes = kFrequencyTypes696;
const auto& kSurfaces = kSurfaces696;
const auto& kLights = kLights696;

}  // namespace

std::string RunwayDesignator696(const RunwaySlot696& r, bool other) {
    const uint32_t d = r.designator;
    uint32_t number = d & 31;
    uint32_t letter = d >> 5 & 3;
    bool t = (d & 0x80) != 0;
    if (number == 0) return "..";
    if (other) {
        // A given other end is kept as the first is: its number less 18, its letter as the
        // first end's (none: the first end's own).
        if (r.pictureFlags & 4) {
            number = d >> 8 & 31;
            if ((d >> 13 & 3) != 0) letter = d >> 13 & 3;
            t = (d & 0x8000) != 0;
            if (number == 0) return "..";
        }
        number += 18;
        if (letter == 2 || letter == 3) letter ^= 1;
    }
    char text[8];
    std::snprintf(text, sizeof text, "%02u", number);
    std::string out = text;
    if (t) out += 'T';
    if (letter) out += " CLR"[letter];
    return out;
}

namespace {

// A threshold: the airport's position minus a picture word's offsets times 128; the dump form
// parts latitude and longitude with '|', as fields of the batch line.
std::string Threshold(int32_t lat, int32_t lon, uint32_t word, bool dump) {
    const auto dlat = static_cast<int32_t>(static_cast<int16_t>(word >> 16)) * 128;
    const auto dlon = static_cast<int32_t>(static_cast<int16_t>(word & 0xFFFF)) * 128;
    char text[kPositionPairTextSize];
    FormatPositionPair(text, lat - dlat, lon - dlon, false);
    std::string out = text;
    const size_t blank = out.rfind(' ');
    if (dump && blank != std::string::npos) out[blank] = '|';
    return out;
}

// The runway from its designator on; the dump form puts the '-' one column further and a blank
// before the picture sides, where Save As reads them, and shows the other end only where the
// runway holds one (picture-flag bit 2), so that the batch line gives the same designator.
void RunwayPart(const RunwaySlot696& r, const ListingFlags& flags, const uint8_t* record, ListingLine& line) {
    const std::string first = RunwayDesignator696(r, false);
    const int dash = kDesignatorEnd + (flags.dump ? 1 : 0);
    line.Append(dash - static_cast<int>(first.size()), first.c_str());
    if (!flags.dump || (r.pictureFlags & 4)) {
        line.Append(dash, "-");
        line.Append(dash + 1, RunwayDesignator696(r, true).c_str());
    }
    int at = kRunwayColumn;
    const char* surface = kSurfaces[r.surface & 15];
    const char* lights = kLights[r.surface >> 4 & 3];
    // "%5u' %-6s %-6s", or "%5ux%3u' ..." with the width, then "<%c-%c>".
    char text[64];
    char* end = listfmt::PutUnsigned(text, r.length, 5);
    if (r.flags != -1) end = listfmt::PutUnsigned(listfmt::PutLeft(end, "x"), r.width, 3);
    end = listfmt::PutLeft(listfmt::PutLeft(listfmt::PutLeft(end, "' "), surface, 6), " ");
    end = listfmt::PutLeft(end, lights, 6);
    const bool pictures = (r.pictureFlags & 8) || r.flags != -1;
    // The batch form leaves out R-R sides when the airport's all-sides-given bit (byte 22 bit 4)
    // is clear: a line with sides would set that bit again when read back.
    const bool sides = pictures && (!flags.dump || (record[22] & 0x10) || (r.pictureFlags & 3));
    if (pictures && flags.dump) *end++ = ' ';
    if (sides) {
        *end++ = '<';
        *end++ = (r.pictureFlags & 1) ? 'L' : 'R';
        *end++ = '-';
        *end++ = (r.pictureFlags & 2) ? 'L' : 'R';
        *end++ = '>';
        if (flags.dump) *end++ = ' ';
    }
    at = line.Append(at, text, static_cast<size_t>(end - text));
    if (!pictures) return;
    const unsigned flagsByte = r.flags < 0 ? 0xFFu : static_cast<unsigned>(r.flags);
    if (flags.recordNumbers && (r.picture[0] || r.picture[1])) {
        int32_t lat = 0;
        int32_t lon = 0;
        UnpackPosition696(record, &lat, &lon);
        line.Format(at, "(%02x|%s|%s)", flagsByte, Threshold(lat, lon, r.picture[0], flags.dump).c_str(),
                    Threshold(lat, lon, r.picture[1], flags.dump).c_str());
    } else if (flags.recordNumbers || flags.rawReferences) {
        line.Format(at, "(%02x %08x %08x)", flagsByte, r.picture[0], r.picture[1]);
    } else {
        line.Append(at, (r.pictureFlags & 8) ? "(p)" : "(b)");
    }
}

// The parts of a remarks blob (length byte, flags byte F, then the parts F names).
std::string RemarksText(const std::vector<uint8_t>& blob) {
    std::string out;
    if (blob.size() < 2) return out;
    const uint8_t f = blob[1];
    size_t at = 2;
    char text[80];
    auto have = [&](size_t n) { return at + n <= blob.size(); };
    if ((f & 1) && have(3)) {
        const unsigned from = (blob[at] + ((blob[at + 2] & 1) ? 256u : 0u)) % 360;
        const unsigned to = (blob[at + 1] + ((blob[at + 2] & 2) ? 256u : 0u)) % 360;
        out += (std::snprintf(text, sizeof text, "%03u-%03u ", from, to), text);
        at += 3;
    }
    for (const auto& [bit, word] : {std::pair<int, const char*>{4, "BELOW"}, {2, "ABOVE"}}) {
        if ((f & bit) && have(2)) {
            const uint32_t v = U16At(&blob[at]);
            long feet = static_cast<long>(v & 0x7FFF) - 5000;
            if (v & 0x8000) feet *= 100;
            out += (std::snprintf(text, sizeof text, "%s %ld ", word, feet), text);
            at += 2;
        }
    }
    if ((f & 8) && have(3)) {
        char ident[8];
        SixBitIdentText(blob[at + 2] << 16 | blob[at + 1] << 8 | blob[at], ident);
        out += std::string("REMOTEVOR ") + ident + " ";
        at += 3;
    }
    if (f & 0x80) out += "UNK80 ";
    if ((f & 16) && have(1)) {
        const size_t c = blob[at];
        if (have(1 + c) && c > 0) {
            DecodeName(&blob[at + 1], c, text, sizeof text, 7);
            out += std::string("\"") + text + "\"";
        }
    }
    return out;
}

// The frequency part. The dump form keeps a third decimal only where it carries the mark the two
// decimals do not give, and puts the '*' of bit 6 and the restrictions where Save As reads them.
void FrequencyPart(const FrequencyEntry696& e, const ListingFlags& flags, ListingLine& line) {
    const uint32_t f = e.value + kFrequencyBase696;
    const bool remarks = !e.remarks.empty();
    const bool fiveRule = f % 10 == 2 || f % 10 == 7;
    // "%-6s%c %03u.%02u", the third decimal, then the '*' of bit 6.
    char text[32];
    char* end = listfmt::PutLeft(text, kFrequencyTypes[e.type & 63], 6);
    *end++ = (e.type & 0x80) && remarks ? '*' : ' ';
    *end++ = ' ';
    end = listfmt::PutUnsigned(end, f / 100, 3, '0');
    *end++ = '.';
    end = listfmt::PutUnsigned(end, f % 100, 2, '0');
    if (flags.dump) {
        if (!fiveRule && (e.flagBits & 2)) *end++ = '5';
    } else {
        *end++ = (fiveRule || (e.flagBits & 2)) ? '5' : '0';
    }
    end = listfmt::PutLeft(end, (e.type & 0x40) ? "* " : "  ");
    const int at = line.Append(kFrequencyColumn, text, static_cast<size_t>(end - text));
    if (!remarks) return;
    std::string out;
    const uint8_t flagsByte = e.remarks.size() > 1 ? e.remarks[1] : 0;
    if (flagsByte & 0x20) out += "TX ";
    if (flagsByte & 0x40) out += "RX ";
    out += RemarksText(e.remarks);
    line.Append(at, out.c_str());
}

}  // namespace

bool DecodeListedAirport696(ListingState696& state, uint32_t n) {
    if (state.airportOf == static_cast<int32_t>(n)) return state.airportSound;
    const ListedImage696& image = *state.image;
    state.airportOf = static_cast<int32_t>(n);
    state.airport = AirportInfo696();
    std::string error;
    const ListedImage696::Span info = image.Bytes(kSectionInfo);
    const uint8_t* record = image.Point(kApt696, n);
    state.airportSound = record && DecodeAirportInfo696(record, info.data, info.size, InfoLayoutOf696(image.Source()),
                                                         &state.airport, &error);
    if (state.airportSound && (state.airport.mask & 0x40)) {
        state.airportSound = DecodeAirportApproaches696(info.data, info.size, InfoLayoutOf696(image.Source()),
                                                        &state.airport, &error);
    }
    return state.airportSound;
}

uint32_t AirportBlockLines696(const ListingState696& state, const ListingFlags& flags) {
    if (flags.extraLevel == 0) return 0;
    if (flags.extraLevel == 1 || !state.airport.hasBlock) return 1;
    return 1 + (BlockBytes696(state).size() + kBlockBytesPerLine - 1) / kBlockBytesPerLine;
}

std::vector<uint8_t> BlockBytes696(const ListingState696& state) {
    const AirportInfo696& a = state.airport;
    const ListedImage696::Span info = state.image->Bytes(kSectionInfo);
    if (!a.hasBlock || a.offset >= info.size) return {};
    uint32_t length = 2;
    for (int k = 0; k < 16; ++k) {
        if (a.mask & (1u << k)) length += 2 + a.partLength[k];
    }
    const uint32_t end = std::min<uint32_t>(info.size, a.offset + length);
    return std::vector<uint8_t>(info.data + a.offset, info.data + end);
}

uint32_t AirportLineCount696(ListingState696& state, const ListingFlags& flags, uint32_t n) {
    const bool sound = DecodeListedAirport696(state, n);
    const AirportInfo696& a = state.airport;
    const uint32_t details = static_cast<uint32_t>(std::max(a.runways.size(), a.frequencies.size()));
    const uint32_t lines = 1 + AirportBlockLines696(state, flags) + details + (sound ? 0 : 1);
    return std::min(lines, kApproachSubLines696);
}

const uint8_t* AirportHeadLine696(ListingState696& state, const ListingFlags& flags, uint32_t n, uint32_t sub,
                                  std::string& out) {
    const uint8_t* record = state.image->Point(kApt696, n);
    if (record && sub == 0) {
        FormatPointLine696(*state.image, flags, kApt696, n, record, out);
        return nullptr;
    }
    return record;
}

void FormatAirportLine696(ListingState696& state, const ListingFlags& flags, uint32_t n, uint32_t sub,
                          std::string& out) {
    const uint8_t* record = AirportHeadLine696(state, flags, n, sub, out);
    if (!record) return;
    const bool sound = DecodeListedAirport696(state, n);
    uint32_t i = sub - 1;
    const uint32_t raw = AirportBlockLines696(state, flags);
    if (i < raw) {
        if (flags.extraLevel == 1 || !state.airport.hasBlock) {
            out = RecordBytesLine696(record, kPointSections696[kApt696].recordSize);
            return;
        }
        if (i == 0) {
            out = RecordBytesLine696(record, kPointSections696[kApt696].recordSize);
            return;
        }
        // The block, 40 bytes a line, '|' before each byte that starts a part.
        const std::vector<uint8_t> bytes = BlockBytes696(state);
        const AirportInfo696& a = state.airport;
        for (uint32_t k = (i - 1) * kBlockBytesPerLine; k < bytes.size() && k < i * kBlockBytesPerLine; ++k) {
            bool starts = k == 0;
            for (int p = 0; p < 16 && !starts; ++p) starts = (a.mask & (1u << p)) && a.partOffset[p] == k;
            char text[8];
            std::snprintf(text, sizeof text, "%c%02x", starts ? '|' : ' ', bytes[k]);
            if (out.size() + 3 > kBlockLineLimit) break;
            out += text;
        }
        return;
    }
    i -= raw;
    const AirportInfo696& a = state.airport;
    if (i >= a.runways.size() && i >= a.frequencies.size()) {
        if (!sound) {
            out.assign(kFrequencyColumn, ' ');
            out += kCorrupt;
        }
        return;
    }
    ListingLine line;
    if (i < a.frequencies.size()) FrequencyPart(a.frequencies[i], flags, line);
    if (i < a.runways.size()) RunwayPart(a.runways[i], flags, record, line);
    out.assign(line.Text(), static_cast<size_t>(line.Trim()));
}

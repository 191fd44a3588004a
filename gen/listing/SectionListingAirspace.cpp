// SUA lines (kind 8), FSS lines (kind 9) and TCC lines (kind 10).
#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/CLocale.h"
#include "common/LineWriter.h"
#include "common/ListingLine.h"
#include "common/RawBytes.h"
#include "gen/image/Image.h"
#include "gen/image/SuaTypeNames.h"
#include "gen/listing/ListingFormatSua.h"
#include "gen/listing/ListingFormatText.h"
#include "gen/listing/ListingRecords.h"
#include "gen/listing/SectionListingParts.h"
#include "platform/FileSystem.h"

namespace {

constexpr int kAirspacePositionColumn = 5;
constexpr int kSuaNameColumn = 8;
constexpr int kTccFrequencyColumn = 21;
constexpr int kFssColumnLimit = 152;
constexpr uint32_t kRawBytesPerLine = 40;
constexpr uint32_t kRawDataLimit = 160;
constexpr size_t kRawLineLimit = 127;
constexpr uint32_t kTccBlockBytes = 24;
constexpr uint32_t kTccFrequenciesPerLine = 8;
constexpr uint32_t kMaxTccGroups = 255;
constexpr uint32_t kMaxTccEntries = 255;
constexpr uint32_t kFrequencyBase = 10800;  // frequency codes count from 108.00 MHz
constexpr uint32_t kMoreFollows = 0x8000;
constexpr uint32_t kDebugRawWords = 2;

std::string MegahertzText(uint32_t code) {
    const uint32_t value = code + kFrequencyBase;
    return StringFormatC("%3u.%02u", value / 100, value % 100);
}

// ---- SUA ----

// Room for an SUA line's fixed part: its pieces take at most 160 bytes in a vertex line and 180
// in a header line (which is then cut to the listing's width).
constexpr size_t kSuaLineRoom = 256;
constexpr size_t kRawGroupRoom = 64;
constexpr size_t kIdentRoom = 32;

// The record and vertex stream of `area`, read and decoded once for all its lines.
const SuaVertexList* LoadSuaArea(ListingSession& s, uint32_t area) {
    return ReadSuaArea(*s.reader, area, &s.sua) ? &s.sua : nullptr;
}

char* PutText(char* at, const char* text, size_t length) {
    std::memcpy(at, text, length);
    return at + length;
}

// Raw sub-lines: the record (line 1), then its vertex data, 40 bytes a line, at most 160 bytes.
uint32_t SuaRawLines(const ListingFlags& flags, const SuaVertexList& a) {
    const uint32_t level = flags.extraLevel ? flags.extraLevel : (flags.debugLevel ? 1 : 0);
    if (level == 0) return 0;
    const uint32_t bytes = std::min(a.DataLength(), kRawDataLimit);
    return std::min(level, 1 + (bytes + kRawBytesPerLine - 1) / kRawBytesPerLine);
}

void SuaHeader(const ListingSession& s, const ListingFlags& flags, const SuaVertexList& a, std::string& out) {
    const ImageReader& reader = *s.reader;
    const AirspaceLayouts& air = reader.Airspace();
    const uint8_t* record = a.record;
    const bool tableA = reader.IsSuaA(a.area);
    char line[kSuaLineRoom];
    char* at = flags.recordNumbers ? listfmt::PutHex(line, a.area, 6)
                                   : listfmt::PutLeft(line, tableA ? "SUA(a)" : "SUA(b)");
    while (at < line + kSuaNameColumn) *at++ = ' ';
    at += FormatNameTo(*s.info, AirspaceName(reader.Params(), SuaAreaName(air), record), at);
    at = listfmt::PutLeft(listfmt::PutLeft(at, " {"), SuaTypeName(reader.Params().suaTypesB, tableA, SuaType(record)));
    at = listfmt::PutUnsigned(listfmt::PutLeft(at, " P"), SuaPriority(air, record));
    at = listfmt::PutSigned(listfmt::PutLeft(at, "} "), int64_t{SuaLower(record)} * 100, 5);
    at = listfmt::PutSigned(listfmt::PutLeft(at, " to "), int64_t{SuaUpper(record)} * 100, 6);
    const NamePosition agency = AirspaceName(reader.Params(), SuaAgencyName(air), record);
    if (!agency.absent) {
        char name[kListingNameLimit];
        const size_t length = FormatNameTo(*s.info, agency, name);
        if (length > 0) at = listfmt::PutLeft(PutText(listfmt::PutLeft(at, " ("), name, length), ")");
    }
    if (tableA) {
        const uint32_t airport = GetU16(record + air.suaA->airportByte);
        uint8_t apt[kMaxImageRecord];
        if (reader.ReadRecord(kSectionApt, airport, apt)) {
            const std::string ident = FormatIdent(reader, kSectionApt, airport, apt);
            at = PutText(listfmt::PutLeft(at, " {"), ident.data(), std::min(ident.size(), kIdentRoom));
            *at++ = '}';
        }
    }
    if (flags.debugLevel & kDebugRawWords) {
        const GeoBox box = SuaBox(record);
        at = listfmt::PutHex(listfmt::PutLeft(at, " "), static_cast<uint32_t>(box.sw.lat), 8, '0');
        at = listfmt::PutHex(listfmt::PutLeft(at, "/"), static_cast<uint32_t>(box.sw.lon), 8, '0');
    }
    // The listing's width, and no trailing blanks.
    at = std::min(at, line + ListingLine::kWidth);
    while (at > line && static_cast<unsigned char>(at[-1]) <= ' ') --at;
    out.assign(line, at);
}

// The header of an area whose outline does not close goes to "duff_suas.txt", once a listing.
void ReportDuffSua(ListingSession& s, const ListingFlags& flags, const SuaVertexList& a) {
    if (!s.duffReported.insert(a.area).second) return;
    const int fd = platform::OpenFile(kDuffSuasFile, O_WRONLY | O_CREAT | O_APPEND, platform::Share::DenyNone);
    if (fd < 0) return;
    {
        std::string header;
        SuaHeader(s, flags, a, header);
        LineWriter out(fd);
        out.WriteLine(header);
    }
    platform::CloseFile(fd);
}

// "        [%02x %02x ... %02x]" of the record.
void SuaRawRecordLine(const ImageReader& reader, const SuaVertexList& a, std::string& out) {
    char line[kSuaLineRoom];
    char* at = listfmt::PutLeft(line, "        [");
    const uint32_t size = std::min<uint32_t>(reader.SuaRecordSize(a.area), kMaxImageRecord);
    for (uint32_t i = 0; i < size; ++i) {
        if (i > 0) *at++ = ' ';
        at = listfmt::PutHex(at, a.record[i], 2, '0');
    }
    *at++ = ']';
    out.assign(line, at);
}

// " %02x" of each of the line's bytes of vertex data.
void SuaRawDataLine(const SuaVertexList& a, uint32_t line, std::string& out) {
    const uint32_t end = std::min({a.DataLength(), kRawDataLimit, (line - 1) * kRawBytesPerLine});
    char text[kRawLineLimit + 1];
    char* at = text;
    for (uint32_t byte = (line - 2) * kRawBytesPerLine; byte < end; ++byte) {
        if (static_cast<size_t>(at - text) + 3 > kRawLineLimit) break;
        at = listfmt::PutHex(listfmt::PutLeft(at, " "), a.data[byte], 2, '0');
    }
    out.assign(text, at);
}

void SuaVertexLine(ListingSession& s, const ListingFlags& flags, const SuaVertexList& a, uint32_t v,
                   std::string& out) {
    const auto count = static_cast<uint32_t>(a.entries.size());
    if (count < 2) {
        out = " ********* corrupt pointers ***********";
        return;
    }
    if (v >= count) {
        out.clear();
        return;
    }
    const SuaVertex& e = a.entries[v];
    const bool last = v + 1 == count;
    char line[kSuaLineRoom];
    // "       %3u " of the vertex number.
    char* at = listfmt::PutLeft(listfmt::PutUnsigned(listfmt::PutLeft(line, "       "), v, 3), " ");
    const bool rawWords = (flags.debugLevel & kDebugRawWords) != 0;
    if (flags.debugLevel) {
        if (v == 0) {
            const size_t blanks = rawWords ? 21 : 11;
            std::memset(at, ' ', blanks);
            at += blanks;
        } else {
            const bool flagged = e.positioned && ((e.KindByte() & 1) != 0) == last;
            FormatRawBytes(at, kRawGroupRoom, e.bytes, std::min<uint32_t>(e.length, kSuaVertexBytes), flagged);
            at += std::strlen(at);
        }
        if (rawWords && (e.positioned || e.radius || e.subKind == kSuaCircle)) {
            const auto word = [&at](uint32_t value, int width) {
                at = listfmt::PutLeft(listfmt::PutHex(at, value, width, '0'), " ");
            };
            const auto step = [](int32_t value) { return static_cast<uint32_t>(value) & 0xFFFFF; };
            if (e.positioned && v > 0 && e.extra == 0) {
                word(static_cast<uint32_t>(e.latStep) & 0xFFFF, 4);
                word(static_cast<uint32_t>(e.lonStep) & 0xFFFF, 4);
            }
            word(step(e.latStep), 5);
            word(step(e.lonStep), 5);
            if (e.positioned) {
                word(static_cast<uint32_t>(e.lat), 8);
                word(static_cast<uint32_t>(e.lon), 8);
            }
        }
    }
    if (!e.positioned) {
        out.assign(line, at);
        AppendSuaEntryText(a, v, flags, out);
        return;
    }
    at = PutPositionText(at, GeoPoint{e.lat, e.lon}, flags);
    const SuaVertex& first = a.entries[0];
    const bool open = last && (e.lat != first.lat || e.lon != first.lon);
    if (open) at = listfmt::PutLeft(at, "*********");
    out.assign(line, at);
    if (open) ReportDuffSua(s, flags, a);
}

// ---- TCC ----

uint32_t ByteListEnd(const ListingSession& s, uint32_t n, uint32_t start) {
    uint32_t end = s.info->map.fss.tccStart;
    uint8_t next[kMaxImageRecord];
    if (s.reader->ReadTcc(n + 1, next)) {
        const uint32_t nextStart = TccByteList(next);
        if (nextStart > start && nextStart < end) end = nextStart;
    }
    return end > start ? end : start;
}

uint32_t TccWord(const ListingSession& s, uint32_t index, bool* ok) {
    uint8_t b[2];
    *ok = s.reader->Read(uint64_t{s.info->map.fss.tccFreqStart} + 2ull * index, b, 2);
    return GetU16(b);
}

// The number of frequency words of a group's list from `first` on (at least 1).
uint32_t GroupFrequencies(const ListingSession& s, uint32_t first) {
    uint32_t count = 0;
    bool ok = true;
    while (count < kMaxTccEntries * kTccFrequenciesPerLine) {
        const uint32_t word = TccWord(s, first + count, &ok);
        ++count;
        if (!ok || !(word & kMoreFollows)) break;
    }
    return count;
}

bool TccNamePasses(const ListingSession& s, const uint8_t* record) {
    if (s.filter.name.empty()) return true;
    return s.filter.NameBegins(
        FormatName(*s.info, AirspaceName(s.reader->Params(), TccName(s.reader->Airspace()), record)));
}

}  // namespace

uint32_t SuaLineCount(ListingSession& s, const ListingFlags& flags, uint32_t area) {
    uint8_t record[kMaxImageRecord];
    if (!s.reader->ReadSua(area, record)) return 0;
    if (!s.filter.name.empty()) {
        const ImageParams& params = s.reader->Params();
        const AirspaceLayouts& air = s.reader->Airspace();
        if (!s.filter.NameContains(FormatName(*s.info, AirspaceName(params, SuaAreaName(air), record))) &&
            !s.filter.NameContains(FormatName(*s.info, AirspaceName(params, SuaAgencyName(air), record)))) {
            return 0;
        }
    }
    if (!s.filter.PassesBox(SuaBox(record))) return 0;
    const uint32_t vertices = ReadSuaVertices(*s.reader, area, record, &s.sua);
    return std::min(1 + SuaRawLines(flags, s.sua) + vertices, kSuaSubLines);
}

void ListSuaSection(ListingSession& s, const ListingFlags& flags, uint32_t area, uint32_t sub, std::string& out) {
    const SuaVertexList* a = LoadSuaArea(s, area);
    if (!a) {
        out = StringFormatC("SUA %x: no such record", area);
        return;
    }
    if (sub == 0) {
        SuaHeader(s, flags, *a, out);
        return;
    }
    const uint32_t raw = SuaRawLines(flags, *a);
    if (sub == 1 && raw >= 1) {
        SuaRawRecordLine(*s.reader, *a, out);
    } else if (sub <= raw) {
        SuaRawDataLine(*a, sub, out);
    } else {
        SuaVertexLine(s, flags, *a, sub - 1 - raw, out);
    }
}

bool FssPasses(const ListingSession& s, uint32_t n) {
    uint8_t record[kMaxImageRecord];
    if (!s.reader->ReadFss(n, record)) return false;
    if (!s.filter.name.empty() &&
        !s.filter.NameBegins(
            FormatName(*s.info, AirspaceName(s.reader->Params(), FssName(s.reader->Airspace()), record)))) {
        return false;
    }
    return s.filter.PassesPoint(FssPosition(record));
}

void FormatFssLine(const ListingSession& s, const ListingFlags& flags, uint32_t n, std::string& out) {
    uint8_t record[kMaxImageRecord];
    if (!s.reader->ReadFss(n, record)) {
        out = StringFormatC("FSS %x: no such record", n);
        return;
    }
    ListingLine line;
    if (flags.recordNumbers) {
        line.Format(0, "%4lx", static_cast<unsigned long>(n));
    } else {
        line.Append(0, "FSS");
    }
    int column = line.Append(kAirspacePositionColumn, PositionPairText(FssPosition(record), flags).c_str());
    column = line.Format(
        column, " %s",
        FormatName(*s.info, AirspaceName(s.reader->Params(), FssName(s.reader->Airspace()), record)).c_str());
    const uint64_t words = uint64_t{s.info->map.fss.fssFreqStart} + GetU16(record + 4);
    uint32_t word = kMoreFollows;
    for (uint32_t i = 0; (word & kMoreFollows) && column < kFssColumnLimit; ++i) {
        uint8_t b[2];
        if (!s.reader->Read(words + 2ull * i, b, 2)) break;
        word = GetU16(b);
        column = line.Format(column, ",%c%s", (word & 0x4000) ? ' ' : '*', MegahertzText(word & 0x3FFF).c_str());
    }
    line.Trim();
    out = line.Text();
}

uint32_t TccLineCount(ListingSession& s, const ListingFlags& flags, uint32_t n) {
    s.tccLines.clear();
    uint8_t record[kMaxImageRecord];
    if (!s.reader->ReadTcc(n, record) || !TccNamePasses(s, record) || !s.filter.PassesBox(TccBox(record))) return 0;
    s.tccLines.push_back(0);
    if (flags.dump || flags.extraLevel) {
        const uint32_t start = TccByteList(record);
        const uint32_t blocks = (ByteListEnd(s, n, start) - start + kTccBlockBytes - 1) / kTccBlockBytes;
        for (uint32_t e = 1; e <= std::min(blocks, kMaxTccEntries); ++e) s.tccLines.push_back(static_cast<uint16_t>(e));
    }
    const uint32_t first = TccFirstGroup(record);
    bool more = true;
    for (uint32_t g = 1; more && g <= kMaxTccGroups; ++g) {
        uint8_t group[kTccGroupSize];
        if (!s.reader->ReadTccGroup(first + g - 1, group)) break;
        more = (GetU16(group + 4) & kMoreFollows) != 0;
        const uint32_t words = GroupFrequencies(s, GetU16(group + 4) & 0x7FFF);
        const uint32_t entries =
            std::min((words + kTccFrequenciesPerLine - 1) / kTccFrequenciesPerLine, kMaxTccEntries);
        for (uint32_t e = 1; e <= entries; ++e) s.tccLines.push_back(static_cast<uint16_t>(g << 8 | e));
    }
    return static_cast<uint32_t>(s.tccLines.size());
}

void ListTccSection(const ListingSession& s, const ListingFlags& flags, uint32_t n, uint32_t group, uint32_t entry,
                    std::string& out) {
    uint8_t record[kMaxImageRecord];
    if (!s.reader->ReadTcc(n, record)) {
        out = StringFormatC("TCC %x: no such record", n);
        return;
    }
    ListingLine line;
    if (group == 0 && entry == 0) {
        if (flags.recordNumbers) {
            line.Format(0, "%4lx", static_cast<unsigned long>(n));
        } else {
            line.Append(0, "TCC");
        }
        const GeoBox box = TccBox(record);
        int column = line.Append(kAirspacePositionColumn, PositionPairText(box.sw, flags).c_str());
        column = line.Format(column, " to %s", PositionPairText(box.ne, flags).c_str());
        column = line.Format(
            column, " %s",
            FormatName(*s.info, AirspaceName(s.reader->Params(), TccName(s.reader->Airspace()), record)).c_str());
        if (flags.dump) line.Format(column, " { %04x }", GetU16(record + 8));
    } else if (group == 0) {
        const uint32_t start = TccByteList(record) + (entry - 1) * kTccBlockBytes;
        const uint32_t end = std::min(ByteListEnd(s, n, TccByteList(record)), start + kTccBlockBytes);
        int column = line.Append(kAirspacePositionColumn, "{");
        for (uint32_t at = start; at < end; ++at) {
            uint8_t byte = 0;
            s.reader->Read(at, &byte, 1);
            column = line.Format(column, " %02x", byte);
        }
        line.Append(column, " }");
    } else {
        uint8_t g[kTccGroupSize];
        if (!s.reader->ReadTccGroup(TccFirstGroup(record) + group - 1, g)) {
            out = StringFormatC("TCC %x: group %x outside the table", n, group);
            return;
        }
        int column = kTccFrequencyColumn;
        if (entry == 1)
            column = line.Append(kAirspacePositionColumn, PositionPairText(TccGroupPosition(g), flags).c_str());
        column = line.Append(column, " F=");
        static const char kMarks[4] = {' ', 'r', '*', 'R'};
        const uint32_t first = (GetU16(g + 4) & 0x7FFF) + (entry - 1) * kTccFrequenciesPerLine;
        for (uint32_t i = 0; i < kTccFrequenciesPerLine; ++i) {
            bool ok = true;
            const uint32_t word = TccWord(s, first + i, &ok);
            if (!ok) break;
            column = line.Format(column, "%s%c%s", i ? "," : "", kMarks[(word >> 13) & 3],
                                 MegahertzText(word & 0x1FFF).c_str());
            if (!(word & kMoreFollows)) break;
        }
    }
    line.Trim();
    out = line.Text();
}

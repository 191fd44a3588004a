// SUA lines (kind 8), FSS lines (kind 9) and TCC lines (kind 10).
#include <fcntl.h>

#include <algorithm>
#include <string>

#include "common/CLocale.h"
#include "common/LineWriter.h"
#include "common/ListingLine.h"
#include "common/RawBytes.h"
#include "gen/Image.h"
#include "gen/ListingRecords.h"
#include "gen/SectionListingParts.h"
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

const char* const kSuaTypes[16][2] = {
    {"Class C", "Alert Area"},          {"Control Area", "Caution Area"},
    {"Terminal Ctrl", "Danger Area"},   {"TRSA", "MOA"},
    {"Class B", "Prohibited Area"},     {"Control Zone", "Restricted Area"},
    {"Control Tower", "Training Area"}, {"ATZ", "ADIZ"},
    {"Class A", "Warning Area"},        {"Class D", "Mode C Veil"},
    {"Class E", "Mode-C Veil"},         {"MATZ", "Unknown AreaB"},
    {"TIZ", "Unknown AreaC"},           {"Unknown ZoneD", "Unknown AreaD"},
    {"Unknown ZoneE", "Unknown AreaE"}, {"Unknown ZoneF", "Unknown AreaF"},
};

std::string MegahertzText(uint32_t code) {
    const uint32_t value = code + kFrequencyBase;
    return StringFormatC("%3u.%02u", value / 100, value % 100);
}

// ---- SUA ----

// Raw sub-lines: the record (line 1), then its vertex data, 40 bytes a line, at most 160 bytes.
uint32_t SuaRawLines(const ListingSession& s, const ListingFlags& flags, uint32_t area, const uint8_t* record) {
    const uint32_t level = flags.extraLevel ? flags.extraLevel : (flags.debugLevel ? 1 : 0);
    if (level == 0) return 0;
    uint32_t from = 0;
    uint32_t to = 0;
    SuaDataRange(*s.reader, area, record, &from, &to);
    const uint32_t bytes = std::min(to - from, kRawDataLimit);
    return std::min(level, 1 + (bytes + kRawBytesPerLine - 1) / kRawBytesPerLine);
}

std::string SuaHeader(const ListingSession& s, const ListingFlags& flags, uint32_t area, const uint8_t* record) {
    const ImageReader& reader = *s.reader;
    const AirspaceLayouts& air = reader.Airspace();
    const bool tableA = reader.IsSuaA(area);
    ListingLine line;
    if (flags.recordNumbers) {
        line.Format(0, "%6x", area);
    } else {
        line.Append(0, tableA ? "SUA(a)" : "SUA(b)");
    }
    int column = line.Append(kSuaNameColumn,
                             FormatName(*s.info, AirspaceName(reader.Params(), SuaAreaName(air), record)).c_str());
    column = line.Format(column, " {%s P%u} %5ld to %6ld", kSuaTypes[SuaType(record)][tableA ? 0 : 1],
                         SuaPriority(air, record), static_cast<long>(SuaLower(record)) * 100,
                         static_cast<long>(SuaUpper(record)) * 100);
    const NamePosition agency = AirspaceName(reader.Params(), SuaAgencyName(air), record);
    if (!agency.absent) {
        const std::string text = FormatName(*s.info, agency);
        if (!text.empty()) column = line.Format(column, " (%s)", text.c_str());
    }
    if (tableA) {
        const uint32_t airport = GetU16(record + air.suaA->airportByte);
        uint8_t apt[kMaxImageRecord];
        if (reader.ReadRecord(kSectionApt, airport, apt)) {
            column = line.Format(column, " {%s}", FormatIdent(reader, kSectionApt, airport, apt).c_str());
        }
    }
    if (flags.debugLevel & kDebugRawWords) {
        const GeoBox box = SuaBox(record);
        line.Format(column, " %08lx/%08lx", static_cast<unsigned long>(static_cast<uint32_t>(box.sw.lat)),
                    static_cast<unsigned long>(static_cast<uint32_t>(box.sw.lon)));
    }
    line.Trim();
    return line.Text();
}

// The header of an area whose outline does not close goes to "duff_suas.txt", once a listing.
void ReportDuffSua(ListingSession& s, uint32_t area, const std::string& header) {
    if (!s.duffReported.insert(area).second) return;
    const int fd = platform::OpenFile(kDuffSuasFile, O_WRONLY | O_CREAT | O_APPEND, platform::Share::DenyNone);
    if (fd < 0) return;
    {
        LineWriter out(fd);
        out.WriteLine(header);
    }
    platform::CloseFile(fd);
}

std::string SuaRawRecordLine(const uint8_t* record, uint32_t size) {
    std::string text = StringFormatC("        [%02x", record[0]);
    for (uint32_t i = 1; i < size; ++i) text += StringFormatC(" %02x", record[i]);
    return text + "]";
}

std::string SuaRawDataLine(const ListingSession& s, uint32_t area, const uint8_t* record, uint32_t line) {
    uint32_t from = 0;
    uint32_t to = 0;
    SuaDataRange(*s.reader, area, record, &from, &to);
    const uint32_t end = from + std::min(to - from, kRawDataLimit);
    std::string text;
    for (uint32_t at = from + (line - 2) * kRawBytesPerLine; at < end && at < from + (line - 1) * kRawBytesPerLine;
         ++at) {
        if (text.size() + 3 > kRawLineLimit) break;
        uint8_t byte = 0;
        s.reader->Read(at, &byte, 1);
        text += StringFormatC(" %02x", byte);
    }
    return text;
}

std::string SuaVertexLine(ListingSession& s, const ListingFlags& flags, uint32_t area, const uint8_t* record,
                          uint32_t v) {
    const uint32_t count = ReadSuaVertices(*s.reader, area, record, &s.sua);
    if (count < 2) return " ********* corrupt pointers ***********";
    if (v >= count) return {};
    const SuaVertex& e = s.sua.entries[v];
    const bool last = v + 1 == count;
    // "       %3d " of the vertex number.
    std::string text(v < 10 ? 9 : v < 100 ? 8 : 7, ' ');
    text += std::to_string(v);
    text += ' ';
    const bool rawWords = (flags.debugLevel & kDebugRawWords) != 0;
    if (flags.debugLevel) {
        if (v == 0) {
            text.append(rawWords ? 21 : 11, ' ');
        } else {
            const bool flagged = e.positioned && ((e.KindByte() & 1) != 0) == last;
            char raw[80];
            FormatRawBytes(raw, sizeof raw, e.bytes, std::min<uint32_t>(e.length, kSuaVertexBytes), flagged);
            text += raw;
        }
        if (rawWords && (e.positioned || e.radius || e.subKind == kSuaCircle)) {
            const auto step = [](int32_t value) {
                return static_cast<unsigned long>(static_cast<uint32_t>(value) & 0xFFFFF);
            };
            if (e.positioned) {
                if (v > 0 && e.extra == 0) {
                    text += StringFormatC("%04lx %04lx ", static_cast<unsigned long>(e.latStep & 0xFFFF),
                                          static_cast<unsigned long>(e.lonStep & 0xFFFF));
                }
                text += StringFormatC("%05lx %05lx %08lx %08lx ", step(e.latStep), step(e.lonStep),
                                      static_cast<unsigned long>(static_cast<uint32_t>(e.lat)),
                                      static_cast<unsigned long>(static_cast<uint32_t>(e.lon)));
            } else {
                text += StringFormatC("%05lx %05lx ", step(e.latStep), step(e.lonStep));
            }
        }
    }
    if (e.positioned) {
        text += PositionPairText(GeoPoint{e.lat, e.lon}, flags);
        const SuaVertex& first = s.sua.entries[0];
        if (last && (e.lat != first.lat || e.lon != first.lon)) {
            text += "*********";
            ReportDuffSua(s, area, SuaHeader(s, flags, area, record));
        }
    } else {
        AppendSuaEntryText(s.sua, v, flags, text);
    }
    return text;
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
    return std::min(1 + SuaRawLines(s, flags, area, record) + vertices, kSuaSubLines);
}

void ListSuaSection(ListingSession& s, const ListingFlags& flags, uint32_t area, uint32_t sub, std::string& out) {
    uint8_t record[kMaxImageRecord];
    if (!s.reader->ReadSua(area, record)) {
        out = StringFormatC("SUA %x: no such record", area);
        return;
    }
    if (sub == 0) {
        out = SuaHeader(s, flags, area, record);
        return;
    }
    const uint32_t raw = SuaRawLines(s, flags, area, record);
    if (sub == 1 && raw >= 1) {
        out = SuaRawRecordLine(record, s.reader->SuaRecordSize(area));
    } else if (sub <= raw) {
        out = SuaRawDataLine(s, area, record, sub);
    } else {
        out = SuaVertexLine(s, flags, area, record, sub - 1 - raw);
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

// Kind 38: the obstacle file with its table directory, header record, text tables and the run
// of obstacle (0x103) and line obstacle (0x104) records.
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_set>

#include "common/CLocale.h"
#include "common/CoordinateFormat.h"
#include "sidedata/obstacles/CTrevossaDoc.h"

namespace obstacles {

namespace {

constexpr size_t kDirEntrySize = 10;
constexpr size_t kMaxDirEntries = 48;
constexpr uint32_t kNoOffset = 0xFFFFFFFF;
constexpr uint16_t kTypeObstacle = 0x103;
constexpr uint16_t kTypeLineObstacle = 0x104;
constexpr size_t kObstacleSize = 37;      // with the type word; 38 with the extra byte
constexpr size_t kLineObstacleBase = 39;  // with the type word; + 8 per point

// Tables of the directory.
constexpr int kTableHeader = 1;
constexpr int kTableType = 6;
constexpr int kTableLine = 7;
constexpr int kTableSecond = 8;
constexpr int kTableThird = 9;

std::string TrimRight(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string Padded(const std::string& text, size_t width) {
    std::string out = text;
    if (out.size() < width) out.resize(width, ' ');
    return out;
}

void AppendHex(std::string& out, unsigned value, int digits) {
    char text[8];
    out.append(text, static_cast<size_t>(PutHexDigits(text, value, digits) - text));
}

}  // namespace

std::string CTrevossaDoc::TableText(int table, unsigned index, size_t at, size_t maxLength) const {
    if (table >= static_cast<int>(directory_.size())) return {};
    const DirEntry& e = directory_[static_cast<size_t>(table)];
    if (e.offset == kNoOffset || index >= e.count || at >= e.size) return {};
    uint64_t where = static_cast<uint64_t>(e.offset) + static_cast<uint64_t>(index) * e.size + at;
    if (where >= data_.size()) return {};
    return CleanText(data_.Text(static_cast<size_t>(where), std::min<size_t>(maxLength, e.size - at)));
}

void CTrevossaDoc::FillTextCache() {
    for (auto& column : textCache_) column.assign(256, std::string());
    for (unsigned i = 0; i < 256; ++i) {
        textCache_[kTypeText][i] = TableText(kTableType, i, 0, 30);
        textCache_[kTypeTrimmed][i] = TrimRight(textCache_[kTypeText][i]);
        textCache_[kTypeShort][i] = TableText(kTableType, i, 30, 8);
        textCache_[kLineText][i] = TableText(kTableLine, i, 0, 255);
        textCache_[kSecondText][i] = TableText(kTableSecond, i, 0, 255);
        textCache_[kSecondTrimmed][i] = TrimRight(textCache_[kSecondText][i]);
        textCache_[kThirdText][i] = TableText(kTableThird, i, 0, 255);
    }
}

void CTrevossaDoc::DumpFileHeader(const Bytes& h) {
    EmitText(1, "Area:" + CleanText(h.Text(43, 30)) + "\n");
    EmitText(1, "Cycle:" + CleanText(h.Raw(4, 4)) + "\n");
    std::string dates = "Dates:";
    for (size_t at : {8, 12, 20}) {
        dates += StringFormatC("%d/%02d/%4d ", h.U8(at + 1), h.U8(at), h.U16(at + 2));
    }
    EmitText(1, dates + "\n");
    if (!batchFormat) return;
    std::string pad = "Pad:";
    for (size_t i = 0; i < 7; ++i) pad += StringFormatC("%02x ", h.U8(24 + i));
    EmitText(1, pad + "\n");
    EmitText(1, "PartNo:" + CleanText(h.Raw(31, 12)) + "\n");
    EmitText(1, "Copyright1:" + CleanText(h.Text(73, 25)) + "\n");
    EmitText(1, "Copyright2:" + CleanText(h.Text(98, 54)) + "\n");
    EmitText(1, "Copyright3:" + CleanText(h.Text(152, 64)) + "\n");
    EmitText(1, std::string("Height Units:") + (heightUnits == HeightUnits::Metres ? "meters" : "feet") + "\n");
}

void CTrevossaDoc::DumpTables() {
    static const struct {
        int table;
        const char* name;
    } kTables[] = {{kTableType, "Type"}, {kTableLine, "Line"}, {kTableSecond, "Second"}, {kTableThird, "Third"}};
    for (const auto& t : kTables) {
        if (t.table >= static_cast<int>(directory_.size())) continue;
        const DirEntry& e = directory_[static_cast<size_t>(t.table)];
        if (e.offset == kNoOffset) continue;
        if (e.size == 0 || e.offset >= data_.size()) continue;
        // Only the entries inside the data.
        uint64_t count = std::min<uint64_t>(e.count, (data_.size() - e.offset) / e.size);
        for (uint32_t i = 0; i < count && !ScreenFull(); ++i) {
            std::string line = StringFormatC("%s %02x: %s", t.name, i, TableText(t.table, i, 0, e.size).c_str());
            if (t.table == kTableType) line += " (" + TableText(t.table, i, 30, 8) + ")";
            EmitText(1, line + "\n");
        }
    }
}

void CTrevossaDoc::PurgeDuplicateSections(size_t recordsStart) {
    // The first of equal line obstacles stays: equal means the same three words at 14, 18
    // and 22 and the same bytes from 27 to the end.
    purged_.clear();
    std::unordered_set<std::string> seen;
    size_t at = recordsStart;
    while (data_.Has(at, 2)) {
        uint16_t type = data_.U16(at);
        size_t length;
        if (type == kTypeObstacle) {
            length = kObstacleSize + ((data_.U8(at + 2 + 33) & 1) ? 1 : 0);
        } else if (type == kTypeLineObstacle) {
            length = kLineObstacleBase + 8 * static_cast<size_t>(data_.U8(at + 2 + 14));
            if (data_.Has(at, length)) {
                std::string key = data_.Raw(at + 2 + 14, 12);
                key += data_.Raw(at + 2 + 27, length - 2 - 27);
                if (!seen.insert(std::move(key)).second) purged_.insert(at);
            }
        } else {
            break;
        }
        if (!data_.Has(at, length)) break;
        at += length;
    }
}

namespace {

// A line built in a character buffer: the record writers run once per record.
class LineBuffer {
public:
    void Put(char c) { *p_++ = c; }
    void Put(std::string_view text) {
        size_t n = std::min(text.size(), static_cast<size_t>(end_ - p_) - kReserve);
        const char* from = text.data();
        // Short texts in two overlapping moves of fixed size.
        if (n >= 8 && n <= 16) {
            std::memcpy(p_, from, 8);
            std::memcpy(p_ + n - 8, from + n - 8, 8);
        } else if (n >= 4 && n < 8) {
            std::memcpy(p_, from, 4);
            std::memcpy(p_ + n - 4, from + n - 4, 4);
        } else if (n < 4) {
            for (size_t i = 0; i < n; ++i) p_[i] = from[i];
        } else {
            std::memcpy(p_, from, n);
        }
        p_ += n;
    }
    // The text at `at` as CleanText(bytes.Text(at, maxLength)) gives it.
    void PutCleanText(const Bytes& bytes, size_t at, size_t maxLength) {
        const size_t n = at < bytes.size() ? std::min(maxLength, bytes.size() - at) : 0;
        const uint8_t* from = bytes.Data() + at;
        for (size_t i = 0; i < n && from[i] != 0; ++i) *p_++ = from[i] < 0x20 ? ' ' : static_cast<char>(from[i]);
    }
    void Hex(unsigned value, int digits) { p_ = PutHexDigits(p_, value, digits); }
    void Number(int value) {
        if (value < 0) *p_++ = '-';
        p_ = PutDecimalDigits(p_, static_cast<uint64_t>(value < 0 ? -static_cast<int64_t>(value) : value), 1);
    }
    void Position(int32_t value, bool isLongitude, PositionEnd end, bool raw) {
        p_ = raw ? PutRawPosition(p_, value) : PutPosition(p_, value, isLongitude, end);
    }
    std::string_view Text() const { return {buffer_, static_cast<size_t>(p_ - buffer_)}; }

private:
    // Room kept for the fixed parts of a line after its texts.
    static constexpr size_t kReserve = 160;
    char buffer_[1024];
    char* p_ = buffer_;
    char* end_ = buffer_ + sizeof buffer_;
};

}  // namespace

size_t CTrevossaDoc::WriteObstacleLine(const Bytes& r) {
    // r starts after the type word.
    uint8_t flags = r.U8(33);
    bool raw = (DebugLevel() & 16) != 0;
    LineBuffer line;
    line.Put("OB|");
    line.PutCleanText(r, 0, 14);
    line.Put('|');
    line.Position(r.I32(14), false, PositionEnd::Bar, raw);
    line.Position(r.I32(18), true, PositionEnd::Bar, raw);
    line.Hex(r.U16(22), 4);
    line.Put('|');
    line.Hex(r.U16(28), 4);
    line.Put('|');
    line.Hex(r.U16(33), 4);
    line.Put('|');
    int ground = r.I16(24), agl = r.I16(26);
    line.Number(Height(ground + agl));
    line.Put('|');
    line.Number(Height(agl));
    line.Put('|');
    if (raw) {
        line.Put("  ");
        for (size_t i = 30; i <= 32; ++i) {
            line.Hex(r.U8(i), 2);
            line.Put('|');
        }
    } else {
        line.Put(Cached(kTypeTrimmed, r.U8(30)));
        line.Put('(');
        line.Put(Cached(kTypeShort, r.U8(30)));
        line.Put(")|");
        line.Put(Cached(kSecondTrimmed, r.U8(31)));
        line.Put('|');
        line.Put(Cached(kThirdText, r.U8(32)));
        line.Put('|');
    }
    if (flags & 1) {
        line.Hex(r.U8(35), 2);
        line.Put('|');
    }
    line.Put('\n');
    EmitWholeLine(line.Text());
    return kObstacleSize + ((flags & 1) ? 1 : 0);
}

size_t CTrevossaDoc::WriteLineObstacle(const Bytes& r, size_t recordOffset) {
    unsigned points = r.U8(14);
    size_t length = kLineObstacleBase + 8 * static_cast<size_t>(points);
    if (purge && purged_.count(recordOffset)) return length;
    std::string name = CleanText(r.Text(0, 14));
    const std::string& text = Cached(kLineText, r.U8(39));
    std::string line = "PL|" + name + "|" + std::to_string(points) + "|";
    AppendHex(line, r.U16(23), 4);
    line += '|';
    AppendHex(line, r.U16(25), 4);
    line += '|';
    AppendHex(line, r.U8(40), 2);
    line += "|" + text + "|\n";
    EmitText(1, line);
    int32_t lat = r.I32(27), lon = r.I32(31);
    int ground = r.U16(35), agl = r.U16(37);
    for (unsigned k = 0; k < points; ++k) {
        if (k > 0) {
            size_t p = 37 + 8 * static_cast<size_t>(k);
            lat = static_cast<int32_t>(static_cast<uint32_t>(lat) + static_cast<uint32_t>(r.I16(p) * 64));
            lon = static_cast<int32_t>(static_cast<uint32_t>(lon) + static_cast<uint32_t>(r.I16(p + 2) * 64));
            ground = r.U16(p + 4);
            agl = r.U16(p + 6);
        }
        bool raw = (DebugLevel() & 16) != 0;
        LineBuffer pp;
        pp.Put("PP|");
        pp.Position(lat, false, PositionEnd::Bar, raw);
        pp.Position(lon, true, PositionEnd::Bar, raw);
        pp.Number(Height(ground + agl));
        pp.Put('|');
        pp.Number(Height(agl));
        pp.Put("|\n");
        EmitWholeLine(pp.Text());
    }
    return length;
}

void CTrevossaDoc::ListObstacleFile() {
    // The directory: entry 0's count is the number of entries, at most 48.
    directory_.clear();
    size_t entries = std::min<size_t>(data_.U32(6), kMaxDirEntries);
    for (size_t i = 0; i < entries && data_.Has(i * kDirEntrySize, kDirEntrySize); ++i) {
        size_t at = i * kDirEntrySize;
        directory_.push_back({data_.U32(at), data_.U16(at + 4), data_.U32(at + 6)});
    }
    // The records start where the last table ends.
    uint64_t recordsStart = 0;
    for (const DirEntry& e : directory_) {
        if (e.offset != kNoOffset) recordsStart = static_cast<uint64_t>(e.offset) + static_cast<uint64_t>(e.size) * e.count;
    }
    if (directory_.size() > kTableHeader && directory_[kTableHeader].offset != kNoOffset) {
        const DirEntry& e = directory_[kTableHeader];
        uint64_t header = static_cast<uint64_t>(e.offset) + static_cast<uint64_t>(e.size) * e.count;
        if (header < data_.size()) DumpFileHeader(data_.Sub(static_cast<size_t>(header), data_.size()));
    }
    FillTextCache();
    if ((DebugLevel() & 1) && !batchFormat) DumpTables();
    if (recordsStart > data_.size()) {
        EmitDamaged(0);
        return;
    }
    size_t at = static_cast<size_t>(recordsStart);
    if (purge) PurgeDuplicateSections(at);
    while (data_.Has(at, 2)) {
        uint16_t type = data_.U16(at);
        if (type != kTypeObstacle && type != kTypeLineObstacle) break;
        size_t length = type == kTypeObstacle ? kObstacleSize + ((data_.U8(at + 2 + 33) & 1) ? 1 : 0)
                                              : kLineObstacleBase + 8 * static_cast<size_t>(data_.U8(at + 2 + 14));
        if (!data_.Has(at, length)) {
            EmitDamaged(at);
            return;
        }
        // A line obstacle without points has its last two fields beyond its length.
        Bytes r = data_.Sub(at + 2, length - 2 + (type == kTypeLineObstacle ? 4 : 0));
        if (type == kTypeObstacle) {
            if (batchFormat) {
                WriteObstacleLine(r);
            } else {
                int ground = r.I16(24), agl = r.I16(26);
                std::string line = Padded(CleanText(r.Text(0, 14)), 13) + "  ";
                line += FormatPosition(r.I32(14), false, PositionEnd::Blank);
                line += FormatPosition(r.I32(18), true, PositionEnd::Blank);
                line += StringFormatC(" %4d %4d ", Height(ground + agl), Height(agl));
                line += Padded(Cached(kTypeText, r.U8(30)), 24);
                line += Padded(Cached(kSecondText, r.U8(31)), 30);
                line += Cached(kThirdText, r.U8(32)) + "\n";
                EmitText(1, line);
            }
        } else if (batchFormat) {
            WriteLineObstacle(r, at);
        } else {
            std::string line = Padded(CleanText(r.Text(0, 14)), 13) + "  ";
            line += FormatPosition(static_cast<int32_t>(static_cast<uint32_t>(r.U16(15)) << 16), false, PositionEnd::Blank);
            line += FormatPosition(static_cast<int32_t>(static_cast<uint32_t>(r.U16(17)) << 16), true, PositionEnd::Blank);
            line += Cached(kLineText, r.U8(39)) + StringFormatC(" with %d sections\n", r.U8(14));
            EmitText(1, line);
        }
        at += length;
        if (ScreenFull()) {
            EmitText(1, kScreenLimitLine);
            return;
        }
    }
}

}  // namespace obstacles

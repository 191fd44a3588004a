// The FSS and TCC lines of a 696 listing: an FSS record (section 29) with its frequency items
// (section 30); a TCC record (section 33) with its corners and name, then one line per sector of
// its chain (section 35) with the sector's frequency words (section 36), and at the extra level
// or with record numbers its byte list (section 34) in blocks of 24 bytes.
#include <algorithm>

#include "common/CLocale.h"
#include "common/ListingLine.h"
#include "gen/listing/ListingFormat.h"
#include "gen696/Listing696.h"

namespace {

constexpr int kSectionFss = 29;
constexpr int kSectionFssFrequencies = 30;
constexpr int kSectionTcc = 33;
constexpr int kSectionByteLists = 34;
constexpr int kSectionSectors = 35;
constexpr int kSectionTccFrequencies = 36;
constexpr uint32_t kFssBytes = 9;
constexpr uint32_t kTccBytes = 19;
constexpr uint32_t kSectorBytes = 6;
constexpr uint32_t kBlockBytes = 24;
constexpr int kPositionColumn = 5;
constexpr int kFssColumnLimit = 152;
constexpr int kTccColumnLimit = 80;
constexpr int kFrequencyBase = 10800;
constexpr uint32_t kMoreFollows = 0x8000;
constexpr uint32_t kThirdByte = 0x4000;
constexpr uint32_t kTccSubLines = 255;
constexpr const char* kCorrupt = "<**corrupt**>";

// The name pointer of an FSS record: offset bits 0-15 in bytes 6-7, bits 16-18 in byte 8 bits
// 0-2, start bit in byte 8 bits 3-5.
uint32_t FssNamePointer(const uint8_t* r) {
    return U16At(r + 6) | (r[8] & 7u) << 16 | (r[8] >> 3 & 7u) << 21;
}

// The name pointer of a TCC record: offset bits 0-15 in bytes 10-11, bits 16-20 in byte 18 bits
// 0-4, start bit in byte 18 bits 5-7.
uint32_t TccNamePointer(const uint8_t* r) {
    return U16At(r + 10) | (r[18] & 0x1Fu) << 16 | static_cast<uint32_t>(r[18] >> 5) << 21;
}

// A position of bytes 0-3: longitude bits 16-31, latitude bits 15-30.
GeoPoint CoarsePosition(const uint8_t* p) {
    return GeoPoint{static_cast<int32_t>(U16At(p + 2) << 16) >> 1, static_cast<int32_t>(U16At(p) << 16)};
}

std::string Megahertz(uint32_t code) {
    const int value = static_cast<int>(code) + kFrequencyBase;
    return StringFormatC("%3d.%02d", value / 100, value % 100);
}

// Record n of a section whose records are at least `bytes` long (null otherwise).
const uint8_t* RecordOf(const ListedImage696& image, int section, uint32_t bytes, uint32_t n) {
    return image.RecordSize(section) >= bytes ? image.Record(section, n) : nullptr;
}

// The byte offsets, within section 36, of its frequency entries: 2 bytes each, 3 when bit 6 of
// the second byte is set.
std::vector<uint32_t> TccFrequencyEntries(const ListedImage696& image) {
    const ListedImage696::Span words = image.Bytes(kSectionTccFrequencies);
    std::vector<uint32_t> entries;
    for (uint32_t at = 0; at + 2 <= words.size;) {
        entries.push_back(at);
        at += (words.data[at + 1] & 0x40) ? 3 : 2;
    }
    return entries;
}

// The sectors of a TCC record: their byte offsets within section 35; false when the chain
// leaves the section.
bool TccSectors(const ListedImage696& image, const uint8_t* record, std::vector<uint32_t>* sectors) {
    const ListedImage696::Span table = image.Bytes(kSectionSectors);
    sectors->clear();
    uint64_t at = static_cast<uint64_t>(U16At(record + 12) & 0x1FFF) * kSectorBytes;
    while (sectors->size() < kTccSubLines) {
        if (at + kSectorBytes > table.size) return false;
        sectors->push_back(static_cast<uint32_t>(at));
        if (!(U16At(table.data + at + 4) & kMoreFollows)) return true;
        at += kSectorBytes;
    }
    return true;
}

// The record's byte list in section 34: from its position (bytes 14-16) to the next record's,
// or to the section's end.
ListedImage696::Span ByteList(const ListedImage696& image, uint32_t n, const uint8_t* record) {
    const ListedImage696::Span lists = image.Bytes(kSectionByteLists);
    ListedImage696::Span span;
    const uint32_t start = U24At(record + 14);
    if (start < lists.start || start >= lists.start + lists.size) return span;
    uint32_t end = lists.start + lists.size;
    const uint8_t* next = RecordOf(image, kSectionTcc, kTccBytes, n + 1);
    if (next && U24At(next + 14) > start && U24At(next + 14) < end) end = U24At(next + 14);
    span.start = start;
    span.data = lists.data + (start - lists.start);
    span.size = end - start;
    return span;
}

uint32_t ByteListLines(const ListingFlags& flags, const ListedImage696::Span& list) {
    if (!flags.extraLevel && !flags.recordNumbers) return 0;
    return (list.size + kBlockBytes - 1) / kBlockBytes;
}

// Loads the sectors of TCC n into the state.
void LoadTcc(ListingState696& s, uint32_t n, const uint8_t* record) {
    if (s.tccOf == static_cast<int32_t>(n)) return;
    if (!s.tccEntriesLoaded) {
        s.tccEntries = TccFrequencyEntries(*s.image);
        s.tccEntriesLoaded = true;
    }
    s.tccOf = static_cast<int32_t>(n);
    s.tccSound = TccSectors(*s.image, record, &s.tccSectors);
}

void SectorLine(const ListingState696& s, const ListingFlags& flags, uint32_t sector, std::string& out) {
    const ListedImage696& image = *s.image;
    const uint8_t* item = image.Bytes(kSectionSectors).data + sector;
    const ListedImage696::Span words = image.Bytes(kSectionTccFrequencies);
    ListingLine line;
    int column = line.Append(kPositionColumn, PositionPairText(CoarsePosition(item), flags).c_str());
    column = line.Append(column, " F=");
    uint32_t index = U16At(item + 4) & 0x7FFF;
    for (bool first = true; column < kTccColumnLimit; first = false, ++index) {
        if (index >= s.tccEntries.size()) {
            column = line.Append(column, kCorrupt);
            break;
        }
        const uint32_t word = U16At(words.data + s.tccEntries[index]);
        column = line.Format(column, "%s%s%s", first ? "" : ",", (word >> 13 & 3) == 1 ? "r" : "",
                             Megahertz(word & 0x1FFF).c_str());
        if (!(word & kMoreFollows)) break;
    }
    out.assign(line.Text(), static_cast<size_t>(line.Trim()));
}

// "%4lx" with the record number, or the type name; then the record's first position.
int RecordStart(const ListingFlags& flags, const char* type, uint32_t n, const uint8_t* record, ListingLine& line) {
    if (flags.recordNumbers) {
        line.Format(0, "%4lx", static_cast<unsigned long>(n));
    } else {
        line.Append(0, type);
    }
    return line.Append(kPositionColumn, PositionPairText(CoarsePosition(record), flags).c_str());
}

void BlockLine(const ListedImage696::Span& list, uint32_t block, std::string& out) {
    out = "     {";
    const uint32_t end = std::min(list.size, (block + 1) * kBlockBytes);
    for (uint32_t at = block * kBlockBytes; at < end; ++at) out += StringFormatC(" %02x", list.data[at]);
    out += " }";
}

}  // namespace

uint32_t FssCount696(const ListedImage696& image) {
    return image.RecordSize(kSectionFss) >= kFssBytes ? image.RecordCount(kSectionFss) : 0;
}

bool FssListed696(const ListingState696& s, uint32_t n) {
    const uint8_t* record = RecordOf(*s.image, kSectionFss, kFssBytes, n);
    if (!record) return false;
    const bool passes = (s.filter.name.empty() || s.filter.NameBegins(s.image->NamePointerText(FssNamePointer(record)))) &&
                        RectanglePasses696(s.filter.rect, FssBox696(record));
    return s.filter.Listed(passes);
}

void FormatFssLine696(const ListedImage696& image, const ListingFlags& flags, uint32_t n, std::string& out) {
    const uint8_t* record = RecordOf(image, kSectionFss, kFssBytes, n);
    if (!record) return;
    ListingLine line;
    int column = RecordStart(flags, "FSS", n, record, line);
    column = line.Format(column, " %s", image.NamePointerText(FssNamePointer(record)).c_str());
    const ListedImage696::Span items = image.Bytes(kSectionFssFrequencies);
    uint32_t at = U16At(record + 4);
    for (bool first = true; column < kFssColumnLimit; first = false) {
        if (at + 2 > items.size) {
            column = line.Append(column, first ? " " : ",");
            line.Append(column, kCorrupt);
            break;
        }
        const uint32_t word = U16At(items.data + at);
        column = line.Format(column, "%s%s%s%s", first ? " " : ",", Megahertz(word & 0xFFF).c_str(),
                             (word & 0x2000) ? "5" : "", (word & 0x1000) ? "*" : "");
        if (!(word & kMoreFollows)) break;
        at += (word & kThirdByte) ? 3 : 2;
    }
    out.assign(line.Text(), static_cast<size_t>(line.Trim()));
}

uint32_t TccCount696(const ListedImage696& image) {
    return image.RecordSize(kSectionTcc) >= kTccBytes ? image.RecordCount(kSectionTcc) : 0;
}

uint32_t TccLineCount696(ListingState696& s, const ListingFlags& flags, uint32_t n) {
    const uint8_t* record = RecordOf(*s.image, kSectionTcc, kTccBytes, n);
    if (!record) return 0;
    const bool passes = (s.filter.name.empty() || s.filter.NameBegins(s.image->NamePointerText(TccNamePointer(record)))) &&
                        RectanglePasses696(s.filter.rect, TccBox696(record));
    if (!s.filter.Listed(passes)) return 0;
    LoadTcc(s, n, record);
    const uint32_t lines = 1 + ByteListLines(flags, ByteList(*s.image, n, record)) +
                           static_cast<uint32_t>(s.tccSectors.size()) + (s.tccSound ? 0 : 1);
    return std::min(lines, kTccSubLines);
}

void FormatTccLine696(ListingState696& s, const ListingFlags& flags, uint32_t n, uint32_t sub, std::string& out) {
    const ListedImage696& image = *s.image;
    const uint8_t* record = RecordOf(image, kSectionTcc, kTccBytes, n);
    if (!record) return;
    if (sub == 0) {
        ListingLine line;
        int column = RecordStart(flags, "TCC", n, record, line);
        column = line.Format(column, " to %s", PositionPairText(CoarsePosition(record + 4), flags).c_str());
        column = line.Format(column, " %s", image.NamePointerText(TccNamePointer(record)).c_str());
        if (flags.recordNumbers) line.Format(column, " { %04x }", U16At(record + 8));
        out.assign(line.Text(), static_cast<size_t>(line.Trim()));
        return;
    }
    const ListedImage696::Span list = ByteList(image, n, record);
    const uint32_t blocks = ByteListLines(flags, list);
    if (sub <= blocks) {
        BlockLine(list, sub - 1, out);
        return;
    }
    LoadTcc(s, n, record);
    const uint32_t i = sub - 1 - blocks;
    if (i < s.tccSectors.size()) {
        SectorLine(s, flags, s.tccSectors[i], out);
    } else if (!s.tccSound) {
        out = kCorrupt;
    }
}

#include "sidedata/flarm/ButterflyFile.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/Bits.h"
#include "sidedata/flarm/AircraftModelCache.h"
#include "sidedata/flarm/AircraftModelTable.h"
#include "sidedata/flarm/FlarmHex.h"
#include "sidedata/flarm/FlarmInput.h"
#include "sidedata/flarm/FlarmMemory.h"

namespace {

constexpr int kVersionChar = kButterflyBlockChars - 6;
constexpr int kLinesPerSegment = 4096;
constexpr int kLastSegmentRecord = 13;  // segment 0xF000: the highest an address record holds
constexpr unsigned kFirstMhz = 117;
constexpr unsigned kLastMhz = 148;
constexpr int kLineChars = 44;  // ":10AAAA00", 16 data bytes, the sum and LF

// Field widths in characters, in packing order.
constexpr int kNameChars = 9;
constexpr int kAirfieldChars = 4;
constexpr int kTypeBits = 14;
constexpr int kRegChars = 6;
constexpr int kCompIdChars = 3;

const char kFiveBitChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ .+-dx";

char SixBitChar(unsigned code) {
    if (code < 26) return static_cast<char>('A' + code);
    if (code < 36) return static_cast<char>('0' + code - 26);
    if (code <= 40) return " .+-d"[code - 36];
    if (code <= 52) return 'x';
    return '?';
}

// The code of a character in a field of 5 or 6 bits: blank . + - d x after the letters, digits
// after the letters, letters of either case as their distance from "A", any other character
// from "A" upward as its distance from "A", and below "A" as its own code; cut to the width.
constexpr unsigned CharCodeOf(unsigned char c, int bits) {
    constexpr std::string_view specials = " .+-dx";
    const unsigned special = bits == 5 ? 26 : 36;
    unsigned code;
    if (size_t at = specials.find(static_cast<char>(c)); c != 0 && at != std::string_view::npos) {
        code = special + static_cast<unsigned>(at);
    } else if (c >= '0' && c <= '9') {
        code = 26u + (c - '0');
    } else {
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
        code = c >= 'A' ? static_cast<unsigned>(c - 'A') : c;
    }
    return code & ((1u << bits) - 1);
}

template <int Bits>
constexpr std::array<uint8_t, 256> kCharCodes = [] {
    std::array<uint8_t, 256> codes{};
    for (int c = 0; c < 256; ++c) codes[static_cast<size_t>(c)] = static_cast<uint8_t>(CharCodeOf(static_cast<unsigned char>(c), Bits));
    return codes;
}();

// Packs fields most significant bit first into the record's bytes, four bytes at a time.
class BitPacker {
public:
    explicit BitPacker(uint8_t* out) : out_(out) {}
    // At most 32 bits.
    void Put(unsigned bits, uint32_t value) {
        acc_ = acc_ << bits | (value & ((uint64_t{1} << bits) - 1));
        count_ += bits;
        if (count_ >= 32) {
            count_ -= 32;
            const auto word = static_cast<uint32_t>(acc_ >> count_);
            out_[0] = static_cast<uint8_t>(word >> 24);
            out_[1] = static_cast<uint8_t>(word >> 16);
            out_[2] = static_cast<uint8_t>(word >> 8);
            out_[3] = static_cast<uint8_t>(word);
            out_ += 4;
        }
    }
    // Blanks after the text's end.
    template <int Bits>
    void Text(const char* text, int chars) {
        bool ended = false;
        // Unrolled, the fill of the accumulator is known at every step.
#pragma GCC unroll 16
        for (int i = 0; i < chars; ++i) {
            ended = ended || text[i] == '\0';
            Put(Bits, kCharCodes<Bits>[ended ? ' ' : static_cast<unsigned char>(text[i])]);
        }
    }
    // The whole bytes still held.
    void Flush() {
        for (; count_ >= 8; count_ -= 8) *out_++ = static_cast<uint8_t>(acc_ >> (count_ - 8));
    }

private:
    uint8_t* out_;
    uint64_t acc_ = 0;
    unsigned count_ = 0;
};

uint32_t GetText(uint32_t p, const uint8_t* packed, char* out, int chars, int bits) {
    for (int i = 0; i < chars; ++i) {
        unsigned code = GetBits(p, static_cast<uint32_t>(bits), packed);
        out[i] = bits == 5 ? kFiveBitChars[code] : SixBitChar(code);
        p += static_cast<uint32_t>(bits);
    }
    out[chars] = '\0';
    return p;
}

// MHz and kHz of a frequency text "MHz[.fraction]"; false when it is not one.
bool ParseFrequency(const char* text, unsigned& mhz, unsigned& khz) {
    const char* p = text;
    if (*p < '0' || *p > '9') return false;
    unsigned long whole = 0;
    while (*p >= '0' && *p <= '9' && whole < 100000) whole = whole * 10 + static_cast<unsigned>(*p++ - '0');
    unsigned fraction = 0;
    if (*p == '.') {
        ++p;
        unsigned scale = 100;
        while (*p >= '0' && *p <= '9') {
            fraction += static_cast<unsigned>(*p++ - '0') * scale;
            scale /= 10;
        }
    }
    if (*p != '\0') return false;
    mhz = static_cast<unsigned>(whole);
    khz = fraction;
    return true;
}

void AppendSegmentRecord(std::string& out, int segmentIndex) {
    // Segment addresses reach 0xF000; past them the upper half of a linear address follows.
    unsigned type = segmentIndex <= kLastSegmentRecord ? 2 : 4;
    unsigned value = type == 2 ? 0x2000u + 0x1000u * static_cast<unsigned>(segmentIndex)
                               : 2u + static_cast<unsigned>(segmentIndex);
    value &= 0xFFFF;
    unsigned sum = 2 + type + (value >> 8) + (value & 0xFF);
    char line[24];
    std::snprintf(line, sizeof line, ":020000%02X%04X%02X\n", type, value, (0x100 - (sum & 0xFF)) & 0xFF);
    out += line;
}

}  // namespace

bool DecodeButterflyBlock(const char* block, int index, FlarmRecord& record) {
    const char* r = block + 2 + kButterflyRecordChars * index;
    uint8_t packed[kButterflyPackedBytes];
    bool any = false;
    for (int i = 0; i < kButterflyPackedBytes; ++i) {
        packed[i] = HexByteValue(r + 6 + 2 * i);
        any = any || packed[i] != 0;
    }
    if (!any) return false;
    SetFlarmField(record.FlarmID, std::string_view(r, 6));
    uint32_t p = 0;
    p = GetText(p, packed, record.NAME, kNameChars, 5);
    p = GetText(p, packed, record.AIRFIELD, kAirfieldChars, 5);
    unsigned type = GetBits(p, kTypeBits, packed);
    p += kTypeBits;
    SetFlarmField(record.TYPE, AircraftModelName(type));
    p = GetText(p, packed, record.REG, kRegChars, 6);
    p = GetText(p, packed, record.COMPID, kCompIdChars, 6);
    unsigned mhz = GetBits(p, 5, packed);
    unsigned khz = GetBits(p + 5, 6, packed);
    if (mhz != 0 || khz != 0) {
        char text[24];
        std::snprintf(text, sizeof text, "%u.%03u", kFirstMhz + mhz, 25 * khz);
        SetFlarmField(record.FREQUENCY, text);
    }
    return true;
}

void ReadButterflyFile(FlarmMemory& memory, FlarmInput& input) {
    char block[kButterflyBlockChars + 1];
    int lines = 0;
    bool first = true;
    for (int count = 0;; ++count) {
        int index = count % kButterflyRecordsPerBlock;
        if (index == 0) {
            std::memset(block, '0', kButterflyBlockChars);
            block[kButterflyBlockChars] = '\0';
            lines = 0;
            while (lines < kButterflyLinesPerBlock && !input.AtEnd()) {
                size_t length = input.ReadUntil('\n');
                if (length == 0) break;
                std::string_view line = input.LineView();
                if (line.substr(0, 3) != ":10") continue;
                for (size_t i = 0; i < 32 && 9 + i < length; ++i) block[32 * lines + i] = line[9 + i];
                ++lines;
            }
            if (lines == 0) return;
            if (first && lines == kButterflyLinesPerBlock) {
                char version[7];
                for (int i = 0; i < 6; ++i) {
                    char c = block[kVersionChar + i];
                    version[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
                }
                version[6] = '\0';
                memory.ListF("Version %s", version);
                if (IsHexVersion(version)) memory.version = version;
            }
            first = false;
        }
        if (2 + kButterflyRecordChars * (index + 1) > 32 * lines) {
            memory.List("Incomplete record at end of file");
            return;
        }
        if (!DecodeButterflyBlock(block, index, memory.parse)) {
            ClearFlarmRecord(memory.parse);
            return;
        }
        memory.CommitFlarmRecord(false);
    }
}

void PackButterflyRecord(const FlarmRecord& record, unsigned typeCode, uint8_t packed[kButterflyPackedBytes],
                         bool* frequencyNotStored) {
    BitPacker p(packed);
    p.Text<5>(record.NAME, kNameChars);
    p.Text<5>(record.AIRFIELD, kAirfieldChars);
    p.Put(kTypeBits, typeCode & kAircraftModelCodeMask);
    p.Text<6>(record.REG, kRegChars);
    p.Text<6>(record.COMPID, kCompIdChars);
    unsigned mhz = 0;
    unsigned khz = 0;
    bool notStored = false;
    if (record.FREQUENCY[0] != '\0' && record.FREQUENCY[0] != ' ') {
        if (ParseFrequency(record.FREQUENCY, mhz, khz) && mhz >= kFirstMhz && mhz <= kLastMhz) {
            mhz -= kFirstMhz;
            khz /= 25;
        } else {
            notStored = true;
            mhz = 0;
            khz = 0;
        }
    }
    p.Put(5, mhz);
    p.Put(6, khz);
    p.Flush();
    if (frequencyNotStored) *frequencyNotStored = notStored;
}

int WriteButterflyFile(FlarmMemory& memory, std::string& out) {
    const std::vector<FlarmRecord>& records = memory.Records();
    size_t blocks = (records.size() + kButterflyRecordsPerBlock - 1) / kButterflyRecordsPerBlock;
    // The whole file at once: header, first segment, 44 bytes a data line, a segment record
    // after every 4096 lines, end record.
    const size_t lines = blocks * kButterflyLinesPerBlock;
    out.reserve(out.size() + 13 + 16 + lines * kLineChars + lines / kLinesPerSegment * 16 + 12);
    out += "#BFD_FN_1.0#\n";
    out += ":020000022000DC\n";
    const std::string& version = memory.version;
    std::function<void(const std::string&)> debugLine;
    if (memory.debugLevel > 0) debugLine = [&memory](const std::string& line) { memory.List(line); };

    AircraftModelCache typeCodes;
    // A block as its 256 bytes: "00"/"0C", 12 places of an id's 3 bytes and 18 packed bytes,
    // the version's 3 bytes at the end.
    constexpr size_t kBlockBytes = kButterflyBlockChars / 2;
    constexpr size_t kPlaceBytes = kButterflyRecordChars / 2;
    uint8_t block[kBlockBytes];
    char text[kButterflyLinesPerBlock * kLineChars];
    long lineNumber = 0;
    int written = 0;
    auto it = records.begin();
    for (size_t b = 0; b < blocks; ++b) {
        std::memset(block, 0, sizeof block);
        if (b > 0) block[0] = 0x0C;
        for (int r = 0; r < kButterflyRecordsPerBlock && it != records.end(); ++r, ++it) {
            const FlarmRecord& record = *it;
            unsigned code = LookupAircraftModel(record, debugLine, &typeCodes);
            uint8_t* place = block + 1 + kPlaceBytes * static_cast<size_t>(r);
            for (int i = 0; i < 3; ++i) place[i] = HexByteValue(record.FlarmID + 2 * i);
            bool notStored = false;
            PackButterflyRecord(record, code, place + 3, &notStored);
            if (notStored) memory.ListF("Frequency %s of %s not stored", record.FREQUENCY, record.FlarmID);
            ++written;
        }
        if (b == 0 && version.size() == 6) {
            for (int i = 0; i < 3; ++i) block[kBlockBytes - 3 + i] = HexByteValue(version.c_str() + 2 * i);
        }
        char* p = text;
        for (int l = 0; l < kButterflyLinesPerBlock; ++l) {
            unsigned address = static_cast<unsigned>(lineNumber % kLinesPerSegment) * 16;
            // ":", byte count, address, record type, 16 data bytes, checksum.
            const uint8_t head[4] = {0x10, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address & 0xFF), 0};
            const uint8_t* data = block + 16 * l;
            unsigned sum = 0x10 + (address >> 8) + (address & 0xFF);
            for (int i = 0; i < 16; ++i) sum += data[i];
            const uint8_t check = static_cast<uint8_t>(0x100 - (sum & 0xFF));
            *p++ = ':';
            EncodeHexUpper(head, sizeof head, p);
            EncodeHexUpper(data, 16, p + 8);
            EncodeHexUpper(&check, 1, p + 40);
            p += 42;
            *p++ = '\n';
            ++lineNumber;
            if (lineNumber % kLinesPerSegment == 0) {
                out.append(text, static_cast<size_t>(p - text));
                p = text;
                AppendSegmentRecord(out, static_cast<int>(lineNumber / kLinesPerSegment));
            }
        }
        out.append(text, static_cast<size_t>(p - text));
    }
    out += ":00000001FF\n";
    return written;
}

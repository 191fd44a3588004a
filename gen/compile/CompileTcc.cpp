#include "gen/compile/CompileTcc.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "common/CoordinateParse.h"
#include "common/TextHelpers.h"
#include "gen/compile/CompileGrid.h"
#include "gen/compile/CompileSession.h"
#include "gen/createimage/CreateImageAirspace.h"
#include "gen/createisam/CreateIsamAirspace.h"
#include "gen/image/Image.h"
#include "gen/image/ImageParams.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"

namespace {

constexpr int kFssBits = 20;
constexpr int kFirstCornerBits = 18;
constexpr int kSecondCornerBits = 20;
constexpr int kVertexBits = 20;
constexpr int32_t kCornerShift = 4096;
constexpr uint32_t kVertexSize = 6;
constexpr uint32_t kMaxTccRecords = 0xFFFF;
constexpr uint32_t kMaxVertexIndex = 0x1FFF;      // 13 bits survive in an image
constexpr uint32_t kMaxFrequencyIndex = 0x7FFF;
constexpr uint32_t kMaxByteList = 0xFFFF;
constexpr uint32_t kMaxFssOffset = 0xFFFF;
constexpr uint16_t kMore = 0x8000;

struct TccPart : CompilerPart {
    bool dropping = false;   // the lines of a filtered-out record are skipped
    GridBuilder grid{kTccGrid};
};

TccPart& Part(CompileSession& s) {
    if (!s.part) s.part = std::make_unique<TccPart>();
    return static_cast<TccPart&>(*s.part);
}

uint32_t Plus(int32_t v, int32_t d) { return static_cast<uint32_t>(v) + static_cast<uint32_t>(d); }

// A position as 16-bit longitude and latitude words (with the rounding offsets added).
void PutPoint(uint8_t* p, int32_t lat, int32_t lon) {
    PutU16(p, Plus(lon, 16384) >> 16);
    PutU16(p + 2, (Plus(lat, 8192) >> 15) & 0xFFFF);
}

void PutName(const CompileSession& s, const AirspaceRecordLayout& layout, uint8_t* record, uint32_t number) {
    PutNameNumber(s, layout.names[0], record, number);
}

// The frequency word of the '.' at `dot`: false (error 23) when outside the band.
bool FrequencyWord(CompileSession& s, const char* line, const char* dot, uint16_t* word) {
    int mhz = 0;
    for (const char* q = dot - 3; q < dot; ++q) {
        if (q < line || !std::isdigit(static_cast<unsigned char>(*q))) {
            if (q >= line && *q != ' ') mhz = -100000;
            continue;
        }
        mhz = mhz * 10 + (*q - '0');
    }
    const int hundredths = TccHundredths(dot + 1);
    const int code = TccFrequencyCode(mhz, hundredths);
    if (code < 0) {
        s.FieldError("frequency (hundredths of MHz)", mhz * 100LL + hundredths, 18991);
        return false;
    }
    *word = static_cast<uint16_t>(code);
    return true;
}

char MarkerOf(const char* line, const char* dot) { return dot - 4 >= line ? dot[-4] : ' '; }

// The frequency words of one line, appended to their table when the line is done. A line of at
// most 160 characters has room for all of them; a longer text is written a piece at a time.
class FrequencyWords {
public:
    explicit FrequencyWords(WorkFile& table) : table_(table) {}
    void Add(uint16_t word) {
        if (n_ == sizeof bytes_) Write();
        bytes_[n_++] = static_cast<uint8_t>(word & 0xFF);
        bytes_[n_++] = static_cast<uint8_t>(word >> 8);
    }
    void Write() {
        table_.Append(bytes_, n_);
        n_ = 0;
    }

private:
    WorkFile& table_;
    uint8_t bytes_[2 * 160];
    size_t n_ = 0;
};

bool ParseFssLine(OperationContext& c, CompileSession& s, TccPart& t, char* line) {
    s.fssMode = true;
    s.recordStart = s.line;
    int32_t lat = 0, lon = 0;
    char* p = ReadCoordinatePair(s, line + 5, &lat, &lon, kFssBits);
    if (s.error) return false;
    if (IsFilteredOut(c, 0, lat, lon, lat, lon)) {
        t.dropping = true;
        return true;
    }
    const AirspaceRecordLayout& layout = *AirspaceLayoutsOf(*c.model->imageParams).fss;
    char* comma = std::strchr(p, ',');
    if (!comma) return s.Fail(kErrFrequencies);
    const char* nameFrom = *p ? p + 1 : p;
    uint32_t name = 0;
    if (!CompiledNameNumber(c, s, TrimmedText(nameFrom, comma), &name)) return false;
    const uint64_t offset = s.files[kWorkX].Size();
    if (offset > kMaxFssOffset) {
        s.SizeError("FSS frequency offset", static_cast<long long>(offset), kMaxFssOffset);
        return false;
    }
    const char* dot = std::strchr(comma, '.');
    if (!dot) return s.Fail(kErrFrequencies);
    uint8_t record[32] = {};
    PutPoint(record, lat, lon);
    PutU16(record + 4, static_cast<uint32_t>(offset));
    PutName(s, layout, record, name);
    FrequencyWords words(s.files[kWorkX]);
    for (; dot; dot = std::strchr(dot + 1, '.')) {
        uint16_t word = 0;
        if (!FrequencyWord(s, line, dot, &word)) return false;
        if (MarkerOf(line, dot) != '*') word |= 0x4000;
        if (std::strchr(dot + 1, '.')) word |= kMore;
        words.Add(word);
    }
    s.files[kWorkA].Append(record, layout.size);
    words.Write();
    ++s.fssCompiled;
    s.recordState = 1;
    return true;
}

bool ParseTccLine(OperationContext& c, CompileSession& s, TccPart& t, char* line) {
    s.fssMode = false;
    s.recordStart = s.line;
    int32_t lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
    char* p = ReadCoordinatePair(s, line + 5, &lat1, &lon1, kFirstCornerBits);
    if (s.error) return false;
    for (int i = 0; i < 4 && *p; ++i) ++p;
    p = ReadCoordinatePair(s, p, &lat2, &lon2, kSecondCornerBits);
    if (s.error) return false;
    char* open = std::strchr(p, '{');
    if (!open) return s.Fail(kErrLineFormat);
    if (IsFilteredOut(c, 0, lat2, lon2, lat1, lon1)) {
        t.dropping = true;
        return true;
    }
    const AirspaceRecordLayout& layout = *AirspaceLayoutsOf(*c.model->imageParams).tcc;
    const unsigned long value = ParseUnsignedLong(open[1] ? open + 2 : open + 1, nullptr, 16);
    if (value > 0xFFFF) {
        s.FieldError("TCC value", static_cast<long long>(value), 0xFFFF);
        return false;
    }
    const char* nameFrom = *p ? p + 1 : p;
    uint32_t name = 0;
    if (!CompiledNameNumber(c, s, TrimmedText(nameFrom, open), &name)) return false;
    if (static_cast<uint32_t>(s.compiled) >= kMaxTccRecords) {
        s.SizeError("TCC records", s.compiled + 1LL, kMaxTccRecords);
        return false;
    }
    const uint64_t bytes = s.files[kWorkM].Size();
    const uint64_t vertex = s.files[kWorkY].Size() / kVertexSize;
    if (bytes > kMaxByteList) {
        s.SizeError("byte list offset", static_cast<long long>(bytes), kMaxByteList);
        return false;
    }
    if (vertex > kMaxVertexIndex) {
        s.SizeError("TCC vertex index", static_cast<long long>(vertex), kMaxVertexIndex);
        return false;
    }
    const auto w = static_cast<int32_t>(Plus(lon1, kCornerShift));
    const auto so = static_cast<int32_t>(Plus(lat1, kCornerShift));
    const auto e = static_cast<int32_t>(Plus(lon2, kCornerShift));
    const auto n = static_cast<int32_t>(Plus(lat2, kCornerShift));
    uint8_t record[32] = {};
    PutCorner(record, record + 2, record + 17, 0, so, w);
    PutCorner(record + 4, record + 6, record + 17, 3, n, e);
    PutU16(record + 8, static_cast<uint32_t>(value));
    PutName(s, layout, record, name);
    PutU16(record + 12, static_cast<uint32_t>(vertex));
    PutU16(record + 14, static_cast<uint32_t>(bytes));
    record[16] = 0;
    s.files[kWorkB].Append(record, layout.size);
    s.boxes.push_back({w, so, e, n, name == 0xFFFFFFFFu ? -1 : static_cast<int32_t>(name)});
    ++s.compiled;
    s.recordState = 1;
    return true;
}

void ParseByteList(CompileSession& s, const char* line) {
    std::string bytes;
    for (const char* p = line + 1; *p == ' ';) {
        if (p[1] == '}' || !std::isxdigit(static_cast<unsigned char>(p[1]))) break;
        char* end = nullptr;
        const unsigned long v = ParseUnsignedLong(p + 1, &end, 16);
        bytes.push_back(static_cast<char>(v & 0xFF));
        p = end;
    }
    s.files[kWorkM].Append(bytes.data(), bytes.size());
}

void ClearLastMore(WorkFile& f, uint64_t unit, uint64_t at) {
    if (f.Size() < unit) return;
    const uint64_t offset = f.Size() - unit + at;
    uint8_t high = 0;
    f.Read(offset + 1, &high, 1);
    high &= 0x7F;
    f.Patch(offset + 1, &high, 1);
}

bool ParseFrequencies(CompileSession& s, const char* line, const char* from) {
    FrequencyWords words(s.files[kWorkZ]);
    for (const char* dot = std::strchr(from, '.'); dot; dot = std::strchr(dot + 1, '.')) {
        uint16_t word = 0;
        if (!FrequencyWord(s, line, dot, &word)) return false;
        const char marker = MarkerOf(line, dot);
        if (marker == '*') word |= 0x4000;
        if (marker == 'R') word |= 0x6000;
        if (marker == 'r') word |= 0x2000;
        word |= kMore;
        words.Add(word);
    }
    words.Write();
    return true;
}

bool ParseTccVertex(CompileSession& s, char* line) {
    ClearLastMore(s.files[kWorkZ], 2, 0);
    int32_t lat = 0, lon = 0;
    char* p = ReadCoordinatePair(s, line, &lat, &lon, kVertexBits);
    if (s.error) return false;
    const uint64_t index = s.files[kWorkZ].Size() / 2;
    if (index > kMaxFrequencyIndex) {
        s.SizeError("TCC frequency index", static_cast<long long>(index), kMaxFrequencyIndex);
        return false;
    }
    uint8_t record[kVertexSize];
    PutPoint(record, lat, lon);
    PutU16(record + 4, static_cast<uint32_t>(index) | kMore);
    s.files[kWorkY].Append(record, kVertexSize);
    const char* eq = std::strchr(p, '=');
    if (!eq) return s.Fail(kErrFrequencies);
    return ParseFrequencies(s, line, eq[1] ? eq + 2 : eq + 1);
}

void EndTccLists(CompileSession& s) {
    ClearLastMore(s.files[kWorkZ], 2, 0);
    ClearLastMore(s.files[kWorkY], kVertexSize, 4);
}

bool WriteTccFile(OperationContext& c, CompileSession& s) {
    const int order[8] = {kWorkX, kWorkA, kWorkZ, kWorkY, kWorkM, kWorkB, kWorkR, kWorkG};
    TccSectionHeader h;
    uint64_t at = 0;
    for (int i = 0; i < 8; ++i) {
        if (i > 0) h.v[i] = static_cast<uint32_t>(at);
        at += s.files[order[i]].Size();
    }
    if (at > 0xFFFFFFFFu) {
        s.SizeError("FSS/TCC section length", static_cast<long long>(at), 0xFFFFFFFFLL);
        return false;
    }
    h.v[0] = static_cast<uint32_t>(at);
    FinishCompilation(c, FormatTccDatHeader(h, s.tagged), std::vector<int>(order, order + 8), kNewTccFile,
                      kTccFinalFile, CompileFolder(c));
    return true;
}

}  // namespace

int TccHundredths(const char* text) {
    // The usual few digits are read in place; blanks, signs and long runs as the library reads them.
    int value = 0, digits = 0;
    for (; digits < 9 && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        value = value * 10 + (text[digits] - '0');
    }
    if (digits == 0 || digits == 9) return static_cast<int>(ParseLong(text, nullptr, 10));
    return value;
}

int TccFrequencyCode(int mhz, int hundredths) {
    if (hundredths < 0 || hundredths > 99) return -1;
    const int code = (mhz - 108) * 100 + hundredths;
    return code >= 0 && code <= 8191 ? code : -1;
}

bool CompileTcc(OperationContext& c) {
    CompileSession& s = Session(c);
    TccPart& t = Part(s);
    if (!s.filesOpen && !s.gridPhase) {
        s.fssMode = false;
        s.ResetErrorReport();
        OpenCompileTempFiles(c);
        ReadSourceLine(s);
    }
    if (!s.gridPhase) {
        CompileRecordLines(
            c,
            [&](char* line) {
                if (StartsWith(line, "FSS ")) {
                    t.dropping = false;
                    ParseFssLine(c, s, t, line);
                } else if (StartsWith(line, "TCC ")) {
                    t.dropping = false;
                    ParseTccLine(c, s, t, line);
                } else if (line[0] == '{') {
                    if (!t.dropping) ParseByteList(s, line);
                } else if (line[0] == 'N' || line[0] == 'S') {
                    if (!t.dropping) ParseTccVertex(s, line);
                } else if (StartsWith(line, "F=")) {
                    if (!t.dropping) ParseFrequencies(s, line, line + 3);
                } else {
                    s.Fail(kErrLineFormat);
                }
                // A dropped record is open too: its lines end at the next record.
                if (t.dropping) s.recordState = 1;
            },
            [](const char* next) { return StartsWith(next, "FSS ") || StartsWith(next, "TCC "); });
        ++c.step;
        if (s.error) {
            CompileErrorText(c);
            return EndCompileOperation(c);
        }
        EndTccLists(s);
        s.recordState = 0;
        if (!s.haveLine) s.gridPhase = true;
        return false;
    }
    return CompileGridStep(
        c, t.grid, kTccGrid.Cells(),
        [&] {
            return StringFormatC("%d fss and %d tcc records compiled, %d records filtered out", s.fssCompiled,
                                 s.compiled, s.filtered);
        },
        s.compiled == 0 && s.fssCompiled == 0, [&] { return WriteTccFile(c, s); });
}

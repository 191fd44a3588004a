#include "gen696/CompileSua696.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/CLocale.h"
#include "common/LineReader.h"
#include "gen/compile/CompileSession.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen696/SectionFile696.h"
#include "gen696/SuaKinds696.h"

namespace {

constexpr int kMaxVertexes = 767;
constexpr int kLinesPerCall = 1024;
constexpr int kCoordinateBits = 22;  // positions held to multiples of 1024 units
constexpr int32_t kUnit = 1024;
constexpr int kMaxHundreds = 0x1FFF;
constexpr int kNamedHeightBase = 233;
const char* const kNamedHeights[6] = {"Surface", "MSL", "Notam", "Unknown", "Unlimited", "SeeChart"};
constexpr int kRecordA = 30;
constexpr int kRecordB = 27;

// The grid: boxes of 23871488 units, 89 rows of 36 runs of 5 boxes.
constexpr int64_t kGridBox = 23871488;
constexpr int kGridRows = 89;
constexpr int kGridRuns = 36;
constexpr int kRunBoxes = 5;
constexpr int kGridRecord = 26;
constexpr uint32_t kNoEntry = 0x3FFFF;

struct Vertex {
    uint8_t bytes[11] = {};
    int length = 0;
    bool coordinate = false;
    int32_t lat = 0, lon = 0;
};

struct Box {
    int32_t west, south, east, north;
};

struct Sua696Part : CompilerPart {
    // The text is read twice: in the checking pass, then from its start in the compiling pass.
    size_t lineNumber = 0;  // of the line read last in this pass
    std::string lastLine;
    bool started = false;
    std::string headerLine;  // the record's header, named when closing the record fails
    bool compiling = false;  // second pass: names added, records kept
    int entries = 0;         // shape entries written

    bool inRecord = false;
    bool kindB = false;
    bool seenB = false;
    uint8_t record[kRecordA] = {};
    int32_t floorFeet = 0;
    std::vector<Vertex> vertexes;
    int32_t prevLat = 0, prevLon = 0;

    // What the checking pass found, so the compiling pass sizes its tables once.
    size_t checkedShapeBytes = 0;
    size_t checkedA = 0, checkedB = 0;

    std::vector<uint8_t> shapes{0, 0, 0};  // the section-41 block begins 3 bytes before the first shape
    std::vector<uint8_t> recordsA, recordsB;
    std::vector<Box> boxesA, boxesB;
    std::vector<uint8_t> gridRecords, gridLists;
    std::vector<std::vector<uint32_t>> runCandidates;  // per grid run: the records that may touch it
};

Sua696Part& Part(CompileSession& s) {
    if (!s.part) s.part = std::make_unique<Sua696Part>();
    return static_cast<Sua696Part&>(*s.part);
}

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put24(uint8_t* p, uint32_t v) {
    Put16(p, v);
    p[2] = static_cast<uint8_t>(v >> 16);
}

int32_t Diff(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }

// The name number of a text: in the checking pass only looked up, so the database stays as it was.
bool NameNumber(OperationContext& c, CompileSession& s, const Sua696Part& a, const std::string& text, uint32_t* out) {
    if (!a.compiling) {
        *out = 0;
        return true;
    }
    if (!CompiledNameNumber(c, s, text, out)) return false;
    if (*out == 0xFFFFFFFFu) *out = kNoNameNumber696;
    return true;
}

int KindCode(bool kindB, const std::string& type) {
    for (int code = 0; code < 16; ++code) {
        if (type == kSuaKinds696[code][kindB ? 1 : 0]) return code;
    }
    return -1;
}

bool Hundreds(CompileSession& s, const char* text, int* out) {
    const long feet = std::strtol(text, nullptr, 10);
    if (feet < 0 || feet / 100 > kMaxHundreds) return s.Fail(15);
    *out = static_cast<int>(feet / 100);
    return true;
}

// ---- Header line ---------------------------------------------------------------------------

bool ParseHeader(OperationContext& c, CompileSession& s, Sua696Part& a, char* line) {
    const bool kindB = line[4] != 'a';
    if (!kindB && a.seenB) return s.Fail(kErrOrder);
    a.seenB = a.seenB || kindB;
    a.kindB = kindB;
    a.vertexes.clear();
    std::memset(a.record, 0, sizeof a.record);
    s.recordStart = s.line;
    s.coordinates.farLongitude = false;

    char* open = std::strchr(line, '{');
    if (!open) return s.Fail(kErrBrackets);
    char* close = std::strchr(open, '}');
    if (!close) return s.Fail(kErrBrackets);
    const char* nameFrom = line + std::min<size_t>(6, std::strlen(line));
    const std::string name = nameFrom < open ? TrimmedText(nameFrom, open) : std::string();
    if (close - open < 3 || close[-2] != 'P' || !std::isdigit(static_cast<unsigned char>(close[-1]))) {
        return s.Fail(kErrPriority);
    }
    const int priority = close[-1] - '0';
    if (priority > 3) return s.Fail(kErrPriority);
    const int code = KindCode(kindB, TrimmedText(open + 1, close - 2));
    if (code < 0) return s.Fail(kErrAirspaceType);

    int floor = 0, ceiling = 0;
    if (!Hundreds(s, close + 1, &floor)) return false;
    const char* to = std::strstr(close, " to ");
    if (!to) return s.Fail(kErrToAbsent);
    if (!Hundreds(s, to + 4, &ceiling)) return false;
    a.floorFeet = static_cast<int32_t>(std::strtol(close + 1, nullptr, 10));
    uint8_t* r = a.record;
    Put16(r + 4, static_cast<uint32_t>(floor));
    Put16(r + 11, static_cast<uint32_t>(ceiling));
    r[20] = static_cast<uint8_t>(code | priority << 5);

    uint32_t number = 0;
    if (!NameNumber(c, s, a, name, &number)) return false;
    Put24(r + 24, number);

    // The controlling unit in brackets, which may nest; a single blank when none is given.
    const char* after = to + 4;
    std::string controller = " ";
    if (const char* paren = std::strchr(after, '(')) {
        if (const char* q = MatchingParen(paren)) {
            controller = TrimmedText(paren + 1, q);
            after = q + 1;
        }
    }
    if (!NameNumber(c, s, a, controller, &number)) return false;
    Put24(r + 21, number);

    if (!kindB) {
        uint32_t airport = kNoAirport696;
        const char* ob = std::strchr(after, '{');
        const char* cb = ob ? std::strchr(ob, '}') : nullptr;
        if (cb) {
            std::string ident = TrimmedText(ob + 1, cb);
            const int32_t asno = FindAirportIdent(ident.data());
            if (asno >= 0 && static_cast<uint32_t>(asno) < kNoAirport696) {
                airport = static_cast<uint32_t>(asno);
            } else if (!(c.settings && c.settings->unknownAirportSwitch)) {
                return s.Fail(kErrAptNotFound);
            }
        }
        Put24(r + 27, airport);
    }
    Put24(r + 17, static_cast<uint32_t>(a.shapes.size()));
    a.inRecord = true;
    return true;
}

// ---- Vertex lines --------------------------------------------------------------------------

// The centre of an arc or circle as a step from the previous vertex, into bytes 3-7.
bool PutCentre(CompileSession& s, const Sua696Part& a, Vertex& v, char* text, int errorCode) {
    char* centre = std::strstr(text, "Centre ");
    if (!centre) return s.Fail(errorCode);
    ReadCoordinatePair(s, centre + 6, &v.lat, &v.lon, kCoordinateBits);
    if (s.error) return false;
    const int32_t dLat = Diff(v.lat, a.prevLat) / kUnit;
    const int32_t dLon = Diff(v.lon, a.prevLon) / kUnit;
    if (dLat < -(1 << 17) || dLat >= (1 << 17) || dLon < -(1 << 17) || dLon >= (1 << 17)) {
        return s.Fail(kErrTooFarApart);
    }
    const uint32_t lon = static_cast<uint32_t>(dLon) & 0x3FFFF;
    Put16(v.bytes + 3, lon);
    Put24(v.bytes + 5, (static_cast<uint32_t>(dLat) & 0x3FFFF) << 2 | lon >> 16);
    return true;
}

// The radius in the record's units, or the number in parentheses after the centre.
uint32_t Radius(const char* text, double nm, int divisor) {
    const char* centre = std::strstr(text, "Centre ");
    if (const char* paren = centre ? std::strchr(centre, '(') : nullptr) {
        if (std::isdigit(static_cast<unsigned char>(paren[1]))) {
            return static_cast<uint32_t>(std::strtoul(paren + 1, nullptr, 10));
        }
    }
    return static_cast<uint32_t>(std::lround(nm * 96920.0 / divisor));
}

bool ParseArc(CompileSession& s, const Sua696Part& a, Vertex& v, char* text, bool clockwise) {
    int points = 0;
    char word[64] = {};
    float nm = 0;
    if (std::sscanf(text, "%dpt %63s %fnm", &points, word, &nm) != 3 || points < 0 || points > 63 || nm < 0) {
        return s.Fail(kErrArc);
    }
    const uint32_t radius = Radius(text, nm, 500);
    if (radius > 0xFFFF) return s.Fail(kErrArc);
    v.length = 11;
    v.bytes[0] = 3;
    v.bytes[1] = std::strcmp(word, "Arc>180,") == 0 ? 0x7F : 0x5F;
    if (!PutCentre(s, a, v, text, kErrArc)) return false;
    Put16(v.bytes + 8, radius);
    v.bytes[10] = static_cast<uint8_t>(points + (clockwise ? 64 : 0));
    return true;
}

bool ParseCircle(CompileSession& s, const Sua696Part& a, Vertex& v, char* text) {
    float nm = 0;
    if (std::sscanf(text, "Circle, %fnm", &nm) != 1 || nm < 0) return s.Fail(kErrCircle);
    const uint32_t radius = Radius(text, nm, 1000);
    if (radius > 0xFFFF) return s.Fail(kErrCircle);
    v.length = 10;
    v.bytes[0] = 3;
    v.bytes[1] = 0x9F;
    if (!PutCentre(s, a, v, text, kErrCircle)) return false;
    Put16(v.bytes + 8, radius);
    return true;
}

// A height limit: feet (hundreds) or a named limit; -1 when neither, -2 when out of range.
int HeightCode(const char* p, bool* named) {
    *named = false;
    if (std::isdigit(static_cast<unsigned char>(*p))) {
        const long feet = std::strtol(p, nullptr, 10);
        return feet / 100 > 0x3FF ? -2 : static_cast<int>(feet / 100);
    }
    for (int i = 0; i < 6; ++i) {
        if (StartsWith(p, kNamedHeights[i])) {
            *named = true;
            return kNamedHeightBase + i;
        }
    }
    return -1;
}

bool ParseHeightHeader(CompileSession& s, Sua696Part& a, Vertex& v, const char* text) {
    if (a.vertexes.size() != 1) return s.Fail(kErrHeightHeader);
    const char* to = std::strstr(text, " to ");
    if (!to) return s.Fail(kErrHeightHeader);
    bool floorNamed = false, ceilingNamed = false;
    const int floor = HeightCode(text, &floorNamed);
    const int ceiling = HeightCode(to + 4, &ceilingNamed);
    if (floor == -1 || ceiling == -1) return s.Fail(kErrHeightHeader);
    if (floor == -2 || ceiling == -2) return s.Fail(15);
    const std::string floorText(text, to);
    const char* ceilingEnd = std::strchr(to + 4, '(');
    const std::string ceilingText(to + 4, ceilingEnd ? ceilingEnd : to + 4 + std::strlen(to + 4));
    int flags = floorNamed ? 3 : (floor >> 8) & 3;
    flags |= (ceilingNamed ? 3 : (ceiling >> 8) & 3) << 2;
    if (floorText.find("AGL") != std::string::npos) flags |= 16;
    if (ceilingText.find("AGL") != std::string::npos) flags |= 32;
    if (const char* paren = std::strrchr(text, '(')) {
        flags |= (std::strcmp(paren, "(4") == 0 ? 1 : std::strcmp(paren, "(8") == 0 ? 2 : 3) << 6;
    }
    v.length = 3;
    v.bytes[0] = static_cast<uint8_t>(floor);
    v.bytes[1] = static_cast<uint8_t>(flags);
    v.bytes[2] = static_cast<uint8_t>(ceiling);
    a.record[20] |= 0x10;
    return true;
}

bool ParseVertex(CompileSession& s, Sua696Part& a, char* line) {
    if (!a.inRecord) return s.Fail(kErrNoSuaLine);
    char* p = line;
    const long number = std::strtol(p, &p, 10);
    if (number != static_cast<long>(a.vertexes.size())) return s.Fail(kErrVertexSequence);
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '[') {
        char* end = std::strchr(p, ']');
        if (!end) return s.Fail(kErrSquareBracket);
        p = end + 1;
        while (*p == ' ' || *p == '\t') ++p;
    }
    if (a.vertexes.size() >= kMaxVertexes) return s.Fail(kErrTooManyVertexes);
    Vertex v;
    if ((*p == 'N' || *p == 'S') && (p[1] == ' ' || std::isdigit(static_cast<unsigned char>(p[1])))) {
        ReadCoordinatePair(s, p, &v.lat, &v.lon, kCoordinateBits);
        if (s.error) return false;
        v.lat = static_cast<int32_t>(static_cast<uint32_t>(v.lat) & ~static_cast<uint32_t>(kUnit - 1));
        v.lon = static_cast<int32_t>(static_cast<uint32_t>(v.lon) & ~static_cast<uint32_t>(kUnit - 1));
        v.coordinate = true;
        if (!a.vertexes.empty()) {
            v.length = EncodeSuaStep696(Diff(v.lat, a.prevLat), Diff(v.lon, a.prevLon), v.bytes);
            if (v.length == 0) return s.Fail(kErrTooFarApart);
        }
        a.prevLat = v.lat;
        a.prevLon = v.lon;
    } else if (StartsWith(p, "CW ")) {
        if (!ParseArc(s, a, v, p + 3, true)) return false;
    } else if (StartsWith(p, "ACW ")) {
        if (!ParseArc(s, a, v, p + 4, false)) return false;
    } else if (StartsWith(p, "Arc Points")) {
        v = Vertex{{3, 0x1F, 0}, 3};
    } else if (StartsWith(p, "End of")) {
        v = Vertex{{3, 0x3F, 0}, 3};
    } else if (StartsWith(p, "Circle")) {
        if (!ParseCircle(s, a, v, p)) return false;
    } else if (!ParseHeightHeader(s, a, v, p)) {
        return false;
    }
    a.vertexes.push_back(v);
    return true;
}

// ---- Finishing a record --------------------------------------------------------------------

void PutEdges(uint8_t* r, int32_t lat, int32_t lon, int bytes16, int bytesLat, int flagByte, int bitsByte) {
    const auto ulat = static_cast<uint32_t>(lat), ulon = static_cast<uint32_t>(lon);
    Put16(r + bytes16, ulon >> 16);
    Put16(r + bytesLat, ulat >> 15);
    r[flagByte] = static_cast<uint8_t>((r[flagByte] & 0x1F) | ((ulon >> 10) & 7) << 5);
    r[bitsByte] = static_cast<uint8_t>(((ulon >> 13) & 7) | ((ulat >> 10) & 0x1F) << 3);
}

bool FinishRecord(OperationContext& c, CompileSession& s, Sua696Part& a) {
    a.inRecord = false;
    const std::vector<Vertex>& v = a.vertexes;
    const int n = static_cast<int>(v.size());
    if (n < 3) return s.Fail(kErrTooFewVertexes);
    int32_t north = 0, south = 0, east = 0, west = 0;
    int sw = -1;
    for (int i = 0; i < n; ++i) {
        if (!v[i].coordinate || (v[i].lat == 0 && v[i].lon == 0)) continue;
        if (sw < 0) {
            north = south = v[i].lat;
            east = west = v[i].lon;
            sw = i;
            continue;
        }
        north = std::max(north, v[i].lat);
        south = std::min(south, v[i].lat);
        east = std::max(east, v[i].lon);
        west = std::min(west, v[i].lon);
        if (v[i].lat < v[sw].lat || (v[i].lat == v[sw].lat && v[i].lon < v[sw].lon)) sw = i;
    }
    if (sw < 0) {
        s.detail = "***** all vertexes are zero *****";
        return s.Fail(kErrNotSouthWest);
    }
    if (s.coordinates.farLongitude && west < 0 && east > 0) {
        // Across the date line: the west edge is the smallest positive longitude, the east edge
        // the largest negative one.
        int32_t w = INT32_MAX, e = INT32_MIN;
        for (const Vertex& x : v) {
            if (!x.coordinate) continue;
            if (x.lon >= 0) w = std::min(w, x.lon);
            if (x.lon < 0) e = std::max(e, x.lon);
        }
        west = w;
        east = e;
    }
    if (v[0].lat != v[sw].lat) {
        s.detail = StringFormatC("max sw vertex is number %d", sw);
        if (c.settings && c.settings->debugLevel != 0) {
            s.detail += StringFormatC(" (N=%08x/%08x E=%08x/%08x)", static_cast<uint32_t>(v[0].lat),
                                      static_cast<uint32_t>(v[sw].lat), static_cast<uint32_t>(v[0].lon),
                                      static_cast<uint32_t>(v[sw].lon));
        }
        return s.Fail(kErrNotSouthWest);
    }
    if (!v[n - 1].coordinate || v[n - 1].lat != v[0].lat || v[n - 1].lon != v[0].lon) return s.Fail(kErrNotClosed);
    size_t length = 0;
    for (int i = 1; i < n; ++i) length += static_cast<size_t>(v[i].length);
    if (!a.compiling) {
        a.checkedShapeBytes += length;
        ++(a.kindB ? a.checkedB : a.checkedA);
        return true;
    }
    if (IsFilteredOut(c, a.floorFeet, north, east, south, west)) return true;

    // The record's entries in one piece: the table grows once per record, not once per vertex.
    size_t at = a.shapes.size();
    a.shapes.resize(at + length);
    for (int i = 1; i < n; ++i) {
        for (int b = 0; b < v[i].length; ++b) a.shapes[at++] = v[i].bytes[b];
        ++a.entries;
    }
    if (a.shapes.size() > 0xFFFFFF) {
        s.SizeError("shape table size", static_cast<long long>(a.shapes.size()), 0xFFFFFF);
        return false;
    }
    uint8_t* r = a.record;
    PutEdges(r, south, west, 0, 2, 5, 6);
    PutEdges(r, north, east, 7, 9, 12, 13);
    const uint32_t offset = static_cast<uint32_t>(Diff(v[0].lon, west));
    Put16(r + 14, offset >> 16);
    r[16] = static_cast<uint8_t>((offset >> 10) & 0x3F);
    std::vector<uint8_t>& out = a.kindB ? a.recordsB : a.recordsA;
    out.insert(out.end(), r, r + (a.kindB ? kRecordB : kRecordA));
    (a.kindB ? a.boxesB : a.boxesA).push_back({west, south, east, north});
    ++s.compiled;
    return true;
}

// ---- Grid index ----------------------------------------------------------------------------

bool Touches(const Box& b, int64_t west, int64_t south) {
    return west <= b.east && b.west < west + kGridBox && b.south < south + kGridBox && b.north >= south;
}

int64_t FloorDiv(int64_t value, int64_t by) { return value >= 0 ? value / by : -((-value + by - 1) / by); }

// The record numbers that may touch each run (row by row, 36 runs a row), in record-number order:
// a box goes to the runs around its rows and columns, a box whose west edge lies east of its
// east edge to every run of its rows; the touch rule decides in the end.
void BucketGridRuns(Sua696Part& a) {
    a.runCandidates.assign(static_cast<size_t>(kGridRows) * kGridRuns, {});
    uint32_t number = 0;
    for (const std::vector<Box>* boxes : {&a.boxesA, &a.boxesB}) {
        for (const Box& box : *boxes) {
            const int64_t rowFirst = std::max<int64_t>(FloorDiv(box.south, kGridBox) + 44 - 1, 0);
            const int64_t rowLast = std::min<int64_t>(FloorDiv(box.north, kGridBox) + 44 + 1, kGridRows - 1);
            int64_t first = 0, last = kGridRuns - 1;
            if (box.west <= box.east) {
                first = std::max<int64_t>(FloorDiv(box.west, kRunBoxes * kGridBox) + 18 - 1, 0);
                last = std::min<int64_t>(FloorDiv(box.east, kRunBoxes * kGridBox) + 18 + 1, kGridRuns - 1);
            }
            for (int64_t row = rowFirst; row <= rowLast; ++row) {
                for (int64_t run = first; run <= last; ++run) a.runCandidates[row * kGridRuns + run].push_back(number);
            }
            ++number;
        }
    }
}

// One run of five boxes: its record and the record numbers of its boxes when any box is touched.
bool AddGridRun(Sua696Part& a, int run) {
    if (run == 0) BucketGridRuns(a);
    const int row = run / kGridRuns;
    const int column = run % kGridRuns;
    const int64_t west = static_cast<int64_t>(column - 18) * kRunBoxes * kGridBox;
    const int64_t south = static_cast<int64_t>(row - 44) * kGridBox;
    uint32_t counts[kRunBoxes] = {}, firsts[kRunBoxes] = {};
    bool any = false;
    const size_t countA = a.boxesA.size();
    for (int b = 0; b < kRunBoxes; ++b) {
        const int64_t boxWest = west + b * kGridBox;
        firsts[b] = kNoEntry;
        for (const uint32_t number : a.runCandidates[static_cast<size_t>(run)]) {
            const Box& box = number < countA ? a.boxesA[number] : a.boxesB[number - countA];
            if (!Touches(box, boxWest, south)) continue;
            if (counts[b] == 0) firsts[b] = static_cast<uint32_t>(a.gridLists.size() / 3);
            const size_t at = a.gridLists.size();
            a.gridLists.resize(at + 3);
            Put24(&a.gridLists[at], number);
            ++counts[b];
        }
        any = any || counts[b] != 0;
    }
    if (!any) return true;
    uint8_t r[kGridRecord] = {};
    const auto w = static_cast<uint32_t>(west);
    const auto s2 = static_cast<uint32_t>(south * 2);
    Put16(r, w >> 16);
    Put16(r + 2, s2 >> 16);
    r[4] = static_cast<uint8_t>(((w >> 14) & 3) | ((s2 >> 15) & 1) << 2 | ((firsts[0] >> 16) & 3) << 3 |
                                ((firsts[1] >> 16) & 3) << 5);
    for (int b = 0; b < kRunBoxes; ++b) {
        Put16(r + 5 + 4 * b, counts[b]);
        Put16(r + 7 + 4 * b, firsts[b] & 0xFFFF);
    }
    r[25] = static_cast<uint8_t>(((firsts[2] >> 16) & 3) | ((firsts[3] >> 16) & 3) << 2 | ((firsts[4] >> 16) & 3) << 4);
    a.gridRecords.insert(a.gridRecords.end(), r, r + kGridRecord);
    return true;
}

// ---- The file ------------------------------------------------------------------------------

void AddBlock(std::string& out, int section, uint32_t count, uint32_t size, const std::vector<uint8_t>& bytes) {
    out += SuaDatHeader696(section, count, size, static_cast<uint32_t>(bytes.size()));
    out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool WriteFile(OperationContext& c, Sua696Part& a) {
    const std::string folder = CompileFolder(c);
    std::string section69;
    std::string error;
    const bool read = VisitDatBlocks696(
        folder, kSuaFile696,
        [&](const DatBlockHeader& h, const uint8_t* data, size_t size) {
            if (h.IsHeaderBlock() || h.Section() != 69) return;
            section69 = FormatDatHeader(kSuaFile696.name, h.position, h.count, h.size, h.length);
            section69.append(reinterpret_cast<const char*>(data), size);
        },
        &error);
    if (!read) {
        c.AddLine(error);
        c.failed = true;
        CloseCompileTempFiles(c);
        return true;
    }
    std::string file;
    // Room for every block and its header, so the file is not copied as it grows.
    file.reserve(a.shapes.size() + a.gridLists.size() + a.gridRecords.size() + a.recordsA.size() +
                 a.recordsB.size() + section69.size() + 7 * 64);
    AddBlock(file, 41, static_cast<uint32_t>(a.entries), 1, a.shapes);
    AddBlock(file, 38, static_cast<uint32_t>(a.gridLists.size() / 3), 3, a.gridLists);
    AddBlock(file, 37, static_cast<uint32_t>(a.gridRecords.size() / kGridRecord), kGridRecord, a.gridRecords);
    AddBlock(file, 39, static_cast<uint32_t>(a.recordsA.size() / kRecordA), kRecordA, a.recordsA);
    AddBlock(file, 40, static_cast<uint32_t>(a.recordsB.size() / kRecordB), kRecordB, a.recordsB);
    file += section69;
    file += SuaDatHeader696(-64, 0, 0, 0);
    FinishCompilation(c, file, {}, kNewSuaFile696, kSuaFinalFile696, folder);
    return true;
}

// The current line with its number in the text.
std::string LineText(const Sua696Part& a) {
    return StringFormatC("Line %d: %s", static_cast<int>(a.lineNumber), a.lastLine.c_str());
}

// One line of the text: a header, a comparison line (changes nothing) or a vertex.
void CompileLine(OperationContext& c, CompileSession& s, Sua696Part& a, char* line) {
    if (StartsWith(line, "SUA(")) {
        if (a.inRecord && !FinishRecord(c, s, a)) {
            s.recordStart = a.headerLine;
            return;
        }
        ParseHeader(c, s, a, line);
        a.headerLine = LineText(a);
    } else if (line[0] == '[') {
        return;
    } else if (std::isdigit(static_cast<unsigned char>(line[0]))) {
        ParseVertex(s, a, line);
    } else {
        s.Fail(kErrLineFormat);
    }
}

// The second pass starts from the first line with the state of a fresh compilation.
// The compiling pass: the text from its start again; false when it cannot be read again.
bool StartCompiling(OperationContext& c, CompileSession& s, Sua696Part& a) {
    if (::lseek(s.sourceFd, 0, SEEK_SET) != 0) return false;
    s.source = std::make_unique<LineReader>(LineReader::FromDescriptor(s.sourceFd));
    s.sourceEnded = false;
    c.step = 0;
    a.compiling = true;
    a.lineNumber = 0;
    a.inRecord = false;
    a.seenB = false;
    s.compiled = s.filtered = 0;
    a.shapes.reserve(a.shapes.size() + a.checkedShapeBytes);
    a.recordsA.reserve(a.checkedA * kRecordA);
    a.recordsB.reserve(a.checkedB * kRecordB);
    a.boxesA.reserve(a.checkedA);
    a.boxesB.reserve(a.checkedB);
    return true;
}

}  // namespace

int EncodeSuaStep696(int32_t dLat, int32_t dLon, uint8_t out[4]) {
    const int32_t sLat = dLat / kUnit;
    const int32_t sLon = dLon / kUnit;
    if (sLat >= -1024 && sLat <= 1023 && sLon >= -1024 && sLon <= 1023) {
        const uint32_t value = 3u | (static_cast<uint32_t>(sLon) & 0x7FF) << 2 | (static_cast<uint32_t>(sLat) & 0x7FF) << 13;
        Put24(out, value);
        const bool markLike = out[0] == 3 && (out[1] & 0x1F) == 0x1F && out[2] == 0;
        if (!markLike) return 3;
    }
    if (sLat < -16384 || sLat > 16383 || sLon < -16384 || sLon > 16383) return 0;
    const uint32_t value = 1u | (static_cast<uint32_t>(sLon) & 0x7FFF) << 2 | (static_cast<uint32_t>(sLat) & 0x7FFF) << 17;
    Put24(out, value);
    out[3] = static_cast<uint8_t>(value >> 24);
    return 4;
}

bool CompileSua696(OperationContext& c) {
    CompileSession& s = Session(c);
    Sua696Part& a = Part(s);
    if (!a.started) {
        a.started = true;
        s.ResetErrorReport();
        s.errorFrame = kErrorFrame;
        OpenCompileTempFiles(c);
    }
    if (!s.gridPhase) {
        // First the checking pass over the source, then the compiling pass; a call takes the
        // lines of one record (up to the next header line), at most kLinesPerCall of them.
        for (int n = 0; n < kLinesPerCall; ++n) {
            const bool ended = !ReadSourceLine(s);
            if (!ended) {
                ++a.lineNumber;
                a.lastLine = s.raw;
            }
            s.recordStart.clear();
            const char* text = s.raw.c_str();
            while (*text == ' ' || *text == '\t') ++text;
            const bool header = !ended && StartsWith(text, "SUA(");
            if (header) ++c.step;
            if (!ended) {
                if (char* line = ReadCompileLine(c)) CompileLine(c, s, a, line);
            } else if (a.inRecord && !FinishRecord(c, s, a)) {
                s.recordStart = a.headerLine;
            }
            if (s.error) {
                if (s.recordStart.empty()) s.recordStart = LineText(a);
                CompileErrorText696(c);
                return EndCompileOperation(c);
            }
            if (ended) {
                if (!a.compiling) {
                    if (!StartCompiling(c, s, a)) {
                        c.AddLine(StringFormatC("Cannot read the text again: %s", std::strerror(errno)));
                        c.failed = true;
                        return EndCompileOperation(c);
                    }
                } else {
                    s.gridPhase = true;
                }
                return false;
            }
            if (header && n > 0) break;
        }
        return false;
    }
    return CompileGridStep(
        c, [&](int run) { return AddGridRun(a, run); }, kGridRows * kGridRuns,
        [&] { return StringFormatC("%d records compiled, %d records filtered out", s.compiled, s.filtered); },
        s.compiled == 0,
        [&] { return WriteFile(c, a); });
}

void CompileErrorText696(OperationContext& c) {
    Session(c).errorFrame = kErrorFrame;
    CompileErrorText(c);
}

void InstallCompileSua696(GenModel& model) {
    model.compileModes.emplace_back(kModeCompileSua, kModeTexts[kModeCompileSua].comboText);
    model.drivers[kModeCompileSua] = CompileSua696;
    model.openers[kModeCompileSua] = OpenCompileSource;
    model.onStop = [previous = model.onStop](OperationContext& context, int mode) {
        if (previous) previous(context, mode);
        if (mode == kModeCompileSua) EndCompileSession(context);
    };
}

#include "gen/compile/CompileSua.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "common/CoordinateParse.h"
#include "gen/compile/CompileGrid.h"
#include "gen/compile/CompileSession.h"
#include "gen/createisam/CreateIsamAirspace.h"
#include "gen/image/AirspaceRelocation.h"
#include "gen/image/Image.h"
#include "gen/shell/GenModel.h"
#include "gen/image/SuaTypeNames.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"

namespace {

constexpr int kMaxVertexes = 768;
constexpr int kCoordinateBits = 18;
constexpr uint32_t kLowBits = 0x3FFF;
constexpr int kMaxHeight = 1023;
constexpr int kMaxRadius = 4095;
constexpr int kMaxPoints = 63;
constexpr int kMaxAreas = 0xFFFF;
constexpr uint32_t kNoAirport = 0xFFFF;
constexpr int kNamedLimitBase = 1001;
constexpr int kHeightFlagBit = 23;

constexpr int kTrainingArea = 6;
const char* const kNamedLimits[6] = {"Surface", "MSL", "Notam", "Unknown", "Unlimited", "SeeChart"};
const uint8_t kCheckMask[25] = {0xff, 0xff, 0xff, 0xff, 0xff, 0x1f, 0xff, 0xff, 0xff, 0xff, 0xff, 0x1f, 0xff,
                                0xff, 0x00, 0x00, 0x80, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xff};

struct VertexEntry {
    uint8_t bytes[20];
    int32_t marker;
    int length;
    int32_t lat, lon;
    float number;
};

struct SuaPart : CompilerPart {
    VertexEntry vertexes[kMaxVertexes];
    int index = 0;
    int32_t prevLat = 0, prevLon = 0;
    uint8_t record[32] = {};
    int32_t lowerFeet = 0;
    uint8_t expected[32] = {};
    bool hasCheckLine = false;
    GridBuilder grid{kSuaGrid};
};

SuaPart& Part(CompileSession& s) {
    if (!s.part) s.part = std::make_unique<SuaPart>();
    return static_cast<SuaPart&>(*s.part);
}

int32_t Diff(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }

// Where the priority lives: above a 21-bit vertex offset, else in bits 6-7 of byte 17.
void PutPriority(const AirspaceRecordLayout& layout, uint8_t* record, uint32_t priority) {
    if (layout.offsetBits + 2 < 24) {
        uint8_t* field = record + layout.offsetByte;
        const uint32_t shift = layout.offsetBits;
        PutU24(field, (GetU24(field) & ~(3u << shift)) | priority << shift);
    } else {
        record[17] = static_cast<uint8_t>((record[17] & 0x3F) | priority << 6);
    }
}

void SetHeightFlag(const AirspaceRecordLayout& layout, uint8_t* record) {
    uint8_t* field = record + layout.offsetByte;
    PutU24(field, GetU24(field) | 1u << kHeightFlagBit);
}

int HexByte(const char*& p) {
    while (*p == ' ') ++p;
    if (!std::isxdigit(static_cast<unsigned char>(*p))) return -1;
    char* end = nullptr;
    const long v = std::strtol(p, &end, 16);
    p = end;
    return static_cast<int>(v & 0xFF);
}

// A height limit: feet (hundreds kept), or a named limit; false when neither.
bool ParseLimit(CompileSession& s, const char* p, const char* agl, int* limit, bool* above) {
    *above = false;
    if (std::isdigit(static_cast<unsigned char>(*p))) {
        const long feet = std::strtol(p, nullptr, 10);
        if (feet / 100 > kMaxHeight) {
            s.FieldError("height (hundreds of feet)", feet / 100, kMaxHeight);
            return false;
        }
        *limit = static_cast<int>(feet / 100);
        const char* blank = std::strchr(p, ' ');
        *above = blank && StartsWith(blank, agl);
        return true;
    }
    for (int i = 0; i < 6; ++i) {
        if (StartsWith(p, kNamedLimits[i])) {
            *limit = kNamedLimitBase + i;
            return true;
        }
    }
    return false;
}

bool CheckHeight(CompileSession& s, long feet, int* hundreds) {
    if (feet < 0 || feet / 100 > kMaxHeight) {
        s.FieldError("height (hundreds of feet)", feet / 100, kMaxHeight);
        return false;
    }
    *hundreds = static_cast<int>(feet / 100);
    return true;
}

// ---- Area header ---------------------------------------------------------------------------

bool ParseAreaHeader(OperationContext& c, CompileSession& s, SuaPart& a, char* line) {
    a.index = 0;
    s.coordinates.farLongitude = false;
    a.hasCheckLine = false;
    const int length = line[4] == 'a' ? 25 : 23;
    if (length == 25 && s.recordLength == 23) return s.Fail(kErrOrder);
    s.recordLength = length;
    const AirspaceRecordLayout& layout = length == 25 ? *s.layoutA : *s.layoutB;
    std::memset(a.record, 0, sizeof a.record);
    std::memset(a.vertexes, 0, sizeof a.vertexes);
    s.recordStart = s.line;

    char* open = std::strchr(line, '{');
    if (!open) return s.Fail(kErrBrackets);
    const char* nameFrom = line + 6;
    while (*nameFrom == ' ' || *nameFrom == '\t') ++nameFrom;
    const std::string name = nameFrom < open ? TrimmedText(nameFrom, open) : std::string();
    char* close = std::strchr(open, '}');
    if (!close) return s.Fail(kErrBrackets);
    if (close - open < 3 || close[-2] != 'P') return s.Fail(kErrPriority);
    const int priority = close[-1] - '0';
    if (priority < 0 || priority > 3) {
        s.FieldError("priority", close[-1] >= '0' && close[-1] <= '9' ? priority : close[-1], 3);
        return false;
    }
    const std::string type = TrimmedText(open + 1, close - 2);
    const int code = SuaTypeCode(s.suaTypesB, length == 25, type);
    if (code < 0) return s.Fail(kErrAirspaceType);

    const long lower = std::strtol(close + 2, nullptr, 10);
    int lowerHundreds = 0;
    if (!CheckHeight(s, lower, &lowerHundreds)) return false;
    a.lowerFeet = static_cast<int32_t>(lower);
    const char* to = std::strstr(close - 2, " to ");
    if (!to) return s.Fail(kErrToAbsent);
    int upperHundreds = 0;
    if (!CheckHeight(s, std::strtol(to + 4, nullptr, 10), &upperHundreds)) return false;
    uint8_t* r = a.record;
    r[4] = static_cast<uint8_t>(lowerHundreds);
    r[5] = static_cast<uint8_t>(lowerHundreds >> 8);
    r[10] = static_cast<uint8_t>(upperHundreds);
    r[11] = static_cast<uint8_t>(upperHundreds >> 8);
    r[17] = static_cast<uint8_t>(code);
    PutPriority(layout, r, static_cast<uint32_t>(priority));

    uint32_t areaName = 0;
    if (!CompiledNameNumber(c, s, name, &areaName)) return false;
    PutNameNumber(s, layout.names[1], r, areaName);

    // The controlling agency in brackets, which may nest.
    const char* after = to + 4;
    uint32_t agency = 0xFFFFFFFFu;
    if (const char* paren = std::strchr(after, '(')) {
        if (const char* q = MatchingParen(paren)) {
            if (!CompiledNameNumber(c, s, TrimmedText(paren + 1, q), &agency)) return false;
            after = q + 1;
        }
    }
    PutNameNumber(s, layout.names[0], r, agency);

    if (layout.airportByte >= 0) {
        uint32_t airport = s.suaNoAirport;
        const char* ob = std::strchr(after, '{');
        const char* cb = ob ? std::strchr(ob, '}') : nullptr;
        if (cb) {
            std::string ident(ob + 1, cb);
            const int32_t asno = FindAirportIdent(ident.data());
            if (asno < 0) {
                if (!(c.settings && c.settings->unknownAirportSwitch)) return s.Fail(kErrAptNotFound);
                airport = kNoAirport;
            } else if (asno >= static_cast<int32_t>(kNoAirport)) {
                s.FieldError("airport record number", asno, kNoAirport - 1);
                return false;
            } else {
                airport = static_cast<uint32_t>(asno);
            }
        }
        PutU16(r + layout.airportByte, airport);
    }

    const uint64_t offset = s.files[kWorkM].Size();
    const uint64_t mask = (1u << layout.offsetBits) - 1;
    if (offset > mask) {
        s.SizeError("vertex table offset", static_cast<long long>(offset), static_cast<long long>(mask));
        return false;
    }
    uint8_t* field = r + layout.offsetByte;
    PutU24(field, (GetU24(field) & ~static_cast<uint32_t>(mask)) | static_cast<uint32_t>(offset));
    s.recordState = 1;
    return true;
}

// ---- Vertex lines --------------------------------------------------------------------------

bool ParseArc(CompileSession& s, SuaPart& a, VertexEntry& e, char* text, int direction) {
    int points = 0;
    char word[64] = {};
    float nm = 0;
    if (std::sscanf(text, "%dpt %63s %fnm", &points, word, &nm) != 3) {
        return s.Fail(kErrArc);
    }
    char* centre = std::strstr(text, "Centre ");
    if (!centre) return s.Fail(kErrArc);
    ReadCoordinatePair(s, centre + 6, &e.lat, &e.lon, kCoordinateBits);
    if (s.error) return false;
    if (points < 0 || points > kMaxPoints) {
        s.FieldError("arc points", points, kMaxPoints);
        return false;
    }
    e.length = 8;
    e.bytes[0] = 3;
    e.bytes[1] = std::strcmp(word, "Arc>180,") == 0 ? 7 : 5;
    e.number = nm;
    if (!EncodeArcCentre(s, nm, 500, a.prevLat, a.prevLon, e.lat, e.lon, e.bytes + 2)) return false;
    e.bytes[7] = static_cast<uint8_t>(points + (direction > 0 ? 64 : 0));
    e.marker = points;
    return true;
}

bool ParseCircle(CompileSession& s, SuaPart& a, VertexEntry& e, char* text) {
    float nm = 0;
    if (std::sscanf(text, "Circle, %f", &nm) != 1) return s.Fail(kErrCircle);
    char* centre = std::strstr(text, "Centre ");
    if (!centre) return s.Fail(kErrCircle);
    e.marker = -3;
    ReadCoordinatePair(s, centre + 6, &e.lat, &e.lon, kCoordinateBits);
    if (s.error) return false;
    e.length = 7;
    e.bytes[0] = 3;
    e.bytes[1] = 9;
    e.number = nm;
    return EncodeArcCentre(s, nm, 1000, a.prevLat, a.prevLon, e.lat, e.lon, e.bytes + 2);
}

bool ParseHeightHeader(CompileSession& s, SuaPart& a, VertexEntry& e, const char* text) {
    if (a.index != 1) return s.Fail(kErrHeightHeader);
    const AirspaceRecordLayout& layout = s.recordLength == 25 ? *s.layoutA : *s.layoutB;
    SetHeightFlag(layout, a.record);
    int lower = 0, upper = 0;
    bool lowerAgl = false, upperAgl = false;
    if (!ParseLimit(s, text, " AGL ", &lower, &lowerAgl)) return s.Fail(kErrHeightHeader);
    const char* to = std::strstr(text, " to ");
    if (!to) return s.Fail(kErrHeightHeader);
    if (!ParseLimit(s, to + 4, " AGL", &upper, &upperAgl)) return s.Fail(kErrHeightHeader);
    e.length = 3;
    e.bytes[0] = static_cast<uint8_t>(lower);
    e.bytes[1] = static_cast<uint8_t>(((lower >> 8) & 3) | ((upper >> 8) & 3) << 2 | (lowerAgl ? 16 : 0) |
                                      (upperAgl ? 32 : 0));
    e.bytes[2] = static_cast<uint8_t>(upper);
    return true;
}

// The check value of a vertex line at a non-zero debug level.
void CheckVertexBytes(OperationContext& c, const VertexEntry& e, const char* check) {
    const uint32_t debug = c.settings ? c.settings->debugLevel : 0;
    if (debug == 0 || e.length <= 0) return;
    bool differs = false;
    if (check) {
        const char* p = check;
        for (int i = 0; i < 9 && i < e.length; ++i) {
            const int v = HexByte(p);
            if (v < 0) break;
            const int mask = i == 0 ? 0xFE : 0xFF;
            if ((v & mask) != (e.bytes[i] & mask)) differs = true;
        }
        if (!differs) return;
    }
    std::string text = Session(c).line + " =[";
    for (int i = 0; i < e.length; ++i) text += StringFormatC(i ? " %02x" : "%02x", e.bytes[i]);
    text += "]";
    if (differs) text += " *************";
    if ((differs && (debug & 2)) || (!check && (debug & 1))) {
        c.ReplaceLastLine(text, true);
        if (!(c.settings && c.settings->listing)) c.AddLine("");
    }
}

bool ParseVertexLine(OperationContext& c, CompileSession& s, SuaPart& a, char* line) {
    if (s.recordState == 0) return s.Fail(kErrNoSuaLine);
    char* p = line;
    const long number = std::strtol(p, &p, 10);
    if (number != a.index) return s.Fail(kErrVertexSequence);
    while (*p == ' ' || *p == '\t') ++p;
    std::string check;
    bool hasCheck = false;
    if (*p == '[') {
        char* end = std::strchr(p, ']');
        if (!end) return s.Fail(kErrSquareBracket);
        check.assign(p + 1, end);
        hasCheck = true;
        p = *(end + 1) ? end + 2 : end + 1;
        while (*p == ' ' || *p == '\t') ++p;
    }
    VertexEntry& e = a.vertexes[a.index];
    if ((*p == 'N' || *p == 'S') && (p[1] == ' ' || std::isdigit(static_cast<unsigned char>(p[1])))) {
        ReadCoordinatePair(s, p, &e.lat, &e.lon, kCoordinateBits);
        if (s.error) return false;
        if (a.index > 0) {
            e.length = EncodeVertexStep(a.prevLat, a.prevLon, e.lat, e.lon, e.bytes);
            if (e.length == 0) return s.Fail(kErrTooFarApart);
        }
        a.prevLat = e.lat;
        a.prevLon = e.lon;
    } else if (StartsWith(p, "CW ")) {
        if (!ParseArc(s, a, e, p + 3, 1)) return false;
    } else if (StartsWith(p, "ACW ")) {
        if (!ParseArc(s, a, e, p + 4, -1)) return false;
    } else if (StartsWith(p, "Arc Points")) {
        e = VertexEntry{{3, 1}, -1, 2, 0, 0, 0};
    } else if (StartsWith(p, "End of")) {
        e = VertexEntry{{3, 3}, -2, 2, 0, 0, 0};
    } else if (StartsWith(p, "Circle")) {
        if (!ParseCircle(s, a, e, p)) return false;
    } else if (!ParseHeightHeader(s, a, e, p)) {
        return false;
    }
    CheckVertexBytes(c, e, hasCheck ? check.c_str() : nullptr);
    if (++a.index >= kMaxVertexes) return s.Fail(kErrTooManyVertexes);
    return true;
}

void ParseCheckLine(OperationContext& c, SuaPart& a, const char* line) {
    if (!(c.settings && c.settings->debugLevel != 0)) return;
    std::memset(a.expected, 0, sizeof a.expected);
    const char* p = line + 1;
    for (int i = 0; i < 32; ++i) {
        const int v = HexByte(p);
        if (v < 0) break;
        a.expected[i] = static_cast<uint8_t>(v);
    }
    a.hasCheckLine = true;
}

void CompareCheckLine(OperationContext& c, const CompileSession& s, const SuaPart& a) {
    const int n = s.recordLength == 25 ? s.layoutA->size : s.layoutB->size;
    bool differs = false;
    for (int i = 0; i < n && i < 25; ++i) differs |= ((a.expected[i] ^ a.record[i]) & kCheckMask[i]) != 0;
    if (!differs) return;
    std::string positions = StringFormatC("%3x byte flr:", static_cast<unsigned>(c.step));
    for (int i = 0; i < n && i < 25; ++i) {
        const bool same = ((a.expected[i] ^ a.record[i]) & kCheckMask[i]) == 0;
        positions += same ? "   " : StringFormatC(i == 0 ? "[%02d" : " %02d", i);
    }
    c.AddLine(positions + "]");
    const uint8_t* rows[3] = {a.expected, a.record, kCheckMask};
    const char* names[3] = {"old ", "new ", "mask"};
    for (int k = 0; k < 3; ++k) {
        std::string text = StringFormatC("%3x %s flr:", static_cast<unsigned>(c.step), names[k]);
        for (int i = 0; i < n && i < 25; ++i) text += StringFormatC(i ? " %02x" : "[%02x", rows[k][i] & kCheckMask[i]);
        c.AddLine(text + "]");
    }
}

// ---- Closing an area -----------------------------------------------------------------------

bool CloseSuaArea(OperationContext& c, CompileSession& s, SuaPart& a) {
    s.recordState = 0;
    const int n = a.index;
    if (n < 2 || (n == 2 && c.model && c.model->twoVertexAreaIsError)) return s.Fail(kErrTooFewVertexes);
    a.vertexes[n - 1].bytes[0] &= 0xFE;
    if (n == 2) {
        ++s.filtered;
        if (c.settings && c.settings->listing) c.AddLine("The above record was filtered out");
        return true;
    }
    auto isCoordinate = [&](int i) {
        const VertexEntry& e = a.vertexes[i];
        return e.marker == 0 && (e.lat != 0 || e.lon != 0);
    };
    int32_t north = 0, south = 0, east = 0, west = 0;
    int sw = -1;
    for (int i = 1; i < n; ++i) {
        if (!isCoordinate(i)) continue;
        const VertexEntry& e = a.vertexes[i];
        if (sw < 0) {
            north = south = e.lat;
            east = west = e.lon;
            sw = i;
            continue;
        }
        north = std::max(north, e.lat);
        south = std::min(south, e.lat);
        east = std::max(east, e.lon);
        west = std::min(west, e.lon);
        const VertexEntry& best = a.vertexes[sw];
        if (e.lat < best.lat || (e.lat == best.lat && e.lon <= best.lon)) sw = i;
    }
    if (sw >= 0 && s.coordinates.farLongitude && (west < 0) != (east < 0)) {
        // Across the date line: the east edge is the largest negative longitude, the west edge
        // the smallest positive one.
        bool haveEast = false, haveWest = false;
        sw = -1;
        for (int i = 1; i < n; ++i) {
            if (!isCoordinate(i)) continue;
            const VertexEntry& e = a.vertexes[i];
            if (e.lon < 0 && (!haveEast || e.lon > east)) east = e.lon, haveEast = true;
            if (e.lon >= 1 && (!haveWest || e.lon < west)) west = e.lon, haveWest = true;
            if (sw < 0) {
                sw = i;
                continue;
            }
            const VertexEntry& best = a.vertexes[sw];
            bool better = e.lat < best.lat;
            if (e.lat == best.lat) {
                const bool ePositive = e.lon >= 1, bestPositive = best.lon >= 1;
                better = ePositive != bestPositive ? ePositive : e.lon <= best.lon;
            }
            if (better) sw = i;
        }
    }
    if (sw < 0) {
        s.detail = "***** all vertexes are zero *****";
        return s.Fail(kErrNotSouthWest);
    }
    const VertexEntry& v0 = a.vertexes[0];
    int32_t swLon = a.vertexes[sw].lon;
    const int32_t swLat = a.vertexes[sw].lat;
    const int32_t d = Diff(v0.lon, swLon);
    if (s.coordinates.farLongitude && (d == 1 || d == -1)) swLon = v0.lon;
    if (v0.lat != swLat || v0.lon != swLon) {
        s.detail = StringFormatC("max sw vertex is number %d", sw);
        if (c.settings && c.settings->debugLevel != 0) {
            s.detail += StringFormatC(" (N=%08x/%08x E=%08x/%08x)", static_cast<uint32_t>(v0.lat),
                                      static_cast<uint32_t>(swLat), static_cast<uint32_t>(v0.lon),
                                      static_cast<uint32_t>(swLon));
        }
        return s.Fail(kErrNotSouthWest);
    }
    const VertexEntry& last = a.vertexes[n - 1];
    if (last.lat != v0.lat || last.lon != v0.lon) return s.Fail(kErrNotClosed);
    if (IsFilteredOut(c, a.lowerFeet, north, east, south, west)) return true;
    if (c.settings && c.settings->trainingSwitch && s.recordLength == 23 && (a.record[17] & 15) == kTrainingArea) {
        return true;
    }
    if (s.compiled >= kMaxAreas) {
        s.SizeError("areas", s.compiled + 1LL, kMaxAreas);
        return false;
    }
    for (int i = 1; i < n; ++i) {
        const VertexEntry& e = a.vertexes[i];
        if (e.length > 0) s.files[kWorkM].Append(e.bytes, static_cast<size_t>(e.length));
    }
    const AirspaceRecordLayout& layout = s.recordLength == 25 ? *s.layoutA : *s.layoutB;
    const uint64_t end = s.files[kWorkM].Size();
    if (end > (1u << layout.offsetBits)) {
        s.SizeError("vertex table size", static_cast<long long>(end), 1LL << layout.offsetBits);
        return false;
    }
    const uint32_t offset = static_cast<uint32_t>(Diff(v0.lon, west));
    PutU16(a.record + 12, (offset >> 14) & 0xFFFF);
    if (offset & 0xC0000000u) west = static_cast<int32_t>(static_cast<uint32_t>(west) + (offset & 0xC0000000u));
    uint8_t* r = a.record;
    PutCorner(r, r + 2, r + 5, 2, south, west);
    PutCorner(r + 6, r + 8, r + 11, 2, north, east);
    s.files[s.recordLength == 25 ? kWorkA : kWorkB].Append(r, layout.size);
    if (a.hasCheckLine && c.settings && c.settings->debugLevel != 0) CompareCheckLine(c, s, a);
    const int32_t name = static_cast<int32_t>(GetU16(r + layout.names[1].lowByte) |
                                              GetBits(layout.names[1].highBit, s.nameBits - 16, r) << 16);
    s.boxes.push_back({west, south, east, north, name == static_cast<int32_t>((1u << s.nameBits) - 1) ? -1 : name});
    ++s.compiled;
    return true;
}

// ---- The file ------------------------------------------------------------------------------

bool WriteSuaFile(OperationContext& c, CompileSession& s) {
    SuaSectionHeader h;
    using H = SuaSectionHeader;
    const uint64_t m = s.files[kWorkM].Size(), ta = s.files[kWorkA].Size(), tb = s.files[kWorkB].Size();
    const uint64_t tr = s.files[kWorkR].Size(), tg = s.files[kWorkG].Size();
    const uint64_t length = m + ta + tb + tr + tg;
    if (length > 0xFFFFFFFFu) {
        s.SizeError("SUA section length", static_cast<long long>(length), 0xFFFFFFFFLL);
        return false;
    }
    h.v[H::C0] = static_cast<uint32_t>(tg / kSuaGrid.cellSize);
    h.v[H::O0] = static_cast<uint32_t>(m + ta + tb + tr);
    h.v[H::C1] = static_cast<uint32_t>(tr / 2);
    h.v[H::O1] = static_cast<uint32_t>(m + ta + tb);
    h.v[H::C2] = static_cast<uint32_t>(ta / s.layoutA->size);
    h.v[H::O2] = static_cast<uint32_t>(m);
    h.v[H::C3] = static_cast<uint32_t>(tb / s.layoutB->size);
    h.v[H::O3] = static_cast<uint32_t>(m + ta);
    h.v[H::S] = 0;
    h.v[H::E] = static_cast<uint32_t>(m);
    h.v[H::L] = static_cast<uint32_t>(length);
    FinishCompilation(c, FormatSuaDatHeader(h, s.tagged), {kWorkM, kWorkA, kWorkB, kWorkR, kWorkG}, kNewSuaFile,
                      kSuaFinalFile, CompileFolder(c));
    return true;
}

}  // namespace

int EncodeVertexStep(int32_t prevLat, int32_t prevLon, int32_t lat, int32_t lon, uint8_t out[3]) {
    const int32_t dLat = Diff(static_cast<int32_t>(static_cast<uint32_t>(lat) & ~kLowBits),
                              static_cast<int32_t>(static_cast<uint32_t>(prevLat) & ~kLowBits));
    const int32_t dLon = Diff(static_cast<int32_t>(static_cast<uint32_t>(lon) & ~kLowBits),
                              static_cast<int32_t>(static_cast<uint32_t>(prevLon) & ~kLowBits));
    const int32_t limit = 1 << 24;
    if (dLat < -limit || dLat >= limit || dLon < -limit || dLon >= limit) return 0;
    const int32_t sLat = dLat >> 14;  // exact: the low bits are clear
    const int32_t sLon = dLon >> 14;
    if (sLat >= -64 && sLat <= 63 && sLon >= -64 && sLon <= 63) {
        const auto b0 = static_cast<uint8_t>(3 | (sLon & 0x3F) << 2);
        const auto b1 = static_cast<uint8_t>(((sLon >> 6) & 1) | (sLat & 0x7F) << 1);
        const bool markerLike = b0 == 3 && (b1 & 1) != 0;
        if (!markerLike && sLat != -64) {
            out[0] = b0;
            out[1] = b1;
            return 2;
        }
    }
    out[0] = static_cast<uint8_t>(1 | (sLon & 0x3F) << 2);
    out[1] = static_cast<uint8_t>(((sLon >> 6) & 0x1F) | (sLat & 7) << 5);
    out[2] = static_cast<uint8_t>((sLat >> 3) & 0xFF);
    return 3;
}

bool EncodeArcCentre(CompileSession& s, float number, int divisor, int32_t prevLat, int32_t prevLon, int32_t lat,
                     int32_t lon, uint8_t out[5]) {
    const float scaled = number * 6060.0f;
    if (!(scaled >= 0.0f && scaled < 2.0e9f)) {
        s.FieldError("radius", static_cast<long long>(scaled / static_cast<float>(divisor)), kMaxRadius);
        return false;
    }
    const auto units = static_cast<int32_t>(scaled);
    int32_t radius = units / divisor;
    if (units % divisor > divisor / 2 + divisor / 20) ++radius;
    if (radius > kMaxRadius) {
        s.FieldError("radius", radius, kMaxRadius);
        return false;
    }
    const int32_t sLat = (lat >> 14) - (prevLat >> 14);
    const int32_t sLon = (lon >> 14) - (prevLon >> 14);
    if (sLat < -8192 || sLat > 8191 || sLon < -8192 || sLon > 8191) return s.Fail(kErrTooFarApart);
    out[0] = static_cast<uint8_t>(sLon);
    out[1] = static_cast<uint8_t>(((sLon >> 8) & 0x3F) | (sLat & 3) << 6);
    out[2] = static_cast<uint8_t>(sLat >> 2);
    out[3] = static_cast<uint8_t>(((sLat >> 10) & 0xF) | ((radius >> 8) & 0xF) << 4);
    out[4] = static_cast<uint8_t>(radius);
    return true;
}

bool CompileSua(OperationContext& c) {
    CompileSession& s = Session(c);
    SuaPart& a = Part(s);
    if (!s.filesOpen && !s.gridPhase) {
        s.ResetErrorReport();
        OpenCompileTempFiles(c);
        s.recordLength = 25;
        ReadSourceLine(s);
    }
    if (!s.gridPhase) {
        CompileRecordLines(
            c,
            [&](char* line) {
                if (StartsWith(line, "SUA(")) {
                    ParseAreaHeader(c, s, a, line);
                } else if (line[0] == '[') {
                    ParseCheckLine(c, a, line);
                } else if (std::isdigit(static_cast<unsigned char>(line[0]))) {
                    ParseVertexLine(c, s, a, line);
                } else {
                    s.Fail(kErrLineFormat);
                }
            },
            [](const char* next) { return StartsWith(next, "SUA("); });
        if (s.recordState != 0 && !s.error) CloseSuaArea(c, s, a);
        ++c.step;
        if (s.error) {
            CompileErrorText(c);
            return EndCompileOperation(c);
        }
        if (!s.haveLine) s.gridPhase = true;
        return false;
    }
    return CompileGridStep(
        c, a.grid, kSuaGrid.Cells(),
        [&] { return StringFormatC("%d records compiled, %d records filtered out", s.compiled, s.filtered); },
        s.compiled == 0, [&] { return WriteSuaFile(c, s); });
}

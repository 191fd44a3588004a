#include "gen/compile/CompileApproach.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/CLocale.h"
#include "common/CoordinateParse.h"
#include "common/IdentDigits.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/compile/CompileSession.h"
#include "gen/createisam/CreateIsamRecords.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"

namespace {

constexpr int kMaxWaypoints = 4;
constexpr int kLocalBits = 21;
constexpr int32_t kReciprocalType = 0x100;

// One airport block as it is read: nothing reaches the database before the block is complete.
struct AirportBlock {
    int32_t asno = -1;
    std::vector<ApprRecord> approaches;
    std::vector<LwptRecord> locals;
    ApprRecord current{};
    int waypoints = 0;
};

struct ApproachPart : CompilerPart {
    AirportBlock block;
    int32_t sequence = 0;
};

ApproachPart& Part(CompileSession& s) {
    if (!s.part) s.part = std::make_unique<ApproachPart>();
    return static_cast<ApproachPart&>(*s.part);
}

std::string Field(const char* line, size_t from, size_t count) {
    const size_t n = std::strlen(line);
    if (from >= n) return std::string();
    std::string f(line + from, std::min(count, n - from));
    while (!f.empty() && (f.back() == ' ' || f.back() == '\t')) f.pop_back();
    return f;
}

bool IsApproachLine(const char* line) {
    const char* colon = std::strchr(line, ':');
    const char* open = colon ? std::strchr(colon, '(') : nullptr;
    const char* slash = open ? std::strchr(open, '/') : nullptr;
    return slash && std::strchr(slash, ')');
}

bool IsWaypointLine(const char* line) {
    if (line[0] != '[') return false;
    for (int i = 1; i < 4 && line[i]; ++i) {
        if (line[i] == ']') return true;
    }
    return false;
}

bool FindAirportRecord(const std::string& identText, AptRecord* out) {
    std::string ident = identText;
    const int32_t asno = FindAirportIdent(ident.data());
    if (asno < 0) return false;
    AptRecord buf{};
    buf.asno = asno;
    BatchUseFile<AptRecord>();
    dbif_index<AptRecord>("asno");
    if (!dbif_find(buf) || buf.asno != asno) return false;
    *out = buf;
    return true;
}

void EndApproach(CompileSession& s, ApproachPart& a) {
    if (s.error) return;
    if (s.recordState == 3) {
        a.block.current.pnsno = -1;
        a.block.approaches.push_back(a.block.current);
    } else {
        s.Fail(kErrIncomplete);
    }
    s.recordState = 0;
}

bool AirportLine(CompileSession& s, ApproachPart& a, const char* line) {
    s.recordStart = s.line;
    if (s.recordState != 0) return s.Fail(kErrIncomplete);
    const int32_t country = FindCountryFromIdent(line);
    if (country < 0) return s.Fail(kErrCountry);
    AptRecord airport{};
    if (!FindAirportRecord(Field(line, 5, 5), &airport)) return s.Fail(kErrAptNotFound);
    if (airport.acountry != country) return s.Fail(kErrAptCountry);
    a.block = AirportBlock();
    a.block.asno = airport.asno;
    a.sequence = 0;
    s.recordState = 1;
    return true;
}

bool ApproachLine(OperationContext& c, CompileSession& s, ApproachPart& a, const char* line) {
    if (s.recordState != 1) {
        if (s.recordState == 0) return s.Fail(kErrIncomplete);
        EndApproach(s, a);
        if (s.error) return false;
    }
    const char* colon = std::strchr(line, ':');
    const char* open = std::strchr(colon, '(');
    const char* slash = std::strchr(open, '/');
    const char* close = std::strchr(slash, ')');
    ApprRecord& p = a.block.current;
    p = ApprRecord{};
    std::string id(slash + 1, close);
    id.resize(5, ' ');
    std::memcpy(p.pid, id.data(), 5);
    p.psno = TakeSerial(c.nextSerial, kFileAppr);
    p.paptno = a.block.asno;
    p.pseq = a.sequence++;
    p.ptyp = static_cast<int32_t>(std::strtol(open + 1, nullptr, 16));
    a.block.waypoints = 0;
    s.recordState = 2;
    return true;
}

// The record number of a local waypoint of the block, added to it when new.
int32_t LocalWaypoint(OperationContext& c, CompileSession& s, ApproachPart& a, int kind, const std::string& ident,
                      char* line) {
    const std::string lid = ident.substr(0, 5);
    for (const LwptRecord& l : a.block.locals) {
        if ((l.ltyp & 0xF0) == kind && std::string(l.lid, strnlen(l.lid, sizeof l.lid)) == lid) return l.lsno;
    }
    int32_t frequency = 0;
    if (kind == 0xE0) {
        const char* close = std::strrchr(line, ')');
        if (close) {
            char* end = nullptr;
            frequency = static_cast<int32_t>(std::strtol(close + 1, &end, 10)) * 10;
            if (*end == '.') frequency += static_cast<int32_t>(std::strtol(end + 1, nullptr, 10) % 10);
        }
        if (!close || frequency == 0) {
            s.Fail(kErrNdbFrequency);
            return -1;
        }
    }
    LwptRecord l{};
    if (std::strlen(line) <= 18) {
        s.Fail(kErrCoordinate);
        return -1;
    }
    ReadCoordinatePair(s, line + 18, &l.llat, &l.llong, kLocalBits);
    if (s.error) return -1;
    l.lsno = TakeSerial(c.nextSerial, kFileLwpt);
    l.laptno = a.block.asno;
    l.ltyp = kind;
    l.lfreq = frequency;
    std::memcpy(l.lid, lid.data(), lid.size());
    a.block.locals.push_back(l);
    return l.lsno;
}

int32_t FindRunway(int32_t asno, const RunwayLookup& lookup) {
    RwyRecord buf{};
    buf.raptno = asno;
    BatchUseFile<RwyRecord>();
    dbif_index<RwyRecord>("raptno");
    if (!dbif_find(buf)) return -1;
    do {
        if (buf.raptno != asno) return -1;
        if (RunwayMatches(buf.rw, lookup)) return buf.rsno;
    } while (dbif_next(buf));
    return -1;
}

bool WaypointLine(OperationContext& c, CompileSession& s, ApproachPart& a, char* line) {
    if (s.recordState < 2) return s.Fail(kErrIncomplete);
    int32_t type = static_cast<int32_t>(std::strtol(line + 1, nullptr, 16)) & 0xFF;
    std::string ident = Field(line, 12, 6);
    int32_t country = -1;
    if (type < 0x80) {
        EncodeIdentDigits(ident.data());
        country = FindCountryFromIdent(line);
        if (country < 0) return s.Fail(kErrCountry);
    }
    int32_t number = -1;
    switch (type & 0xF0) {
    case 0x20: {
        IntRecord b{};
        if (FindIdentInCountry("iident", &IntRecord::iident, &IntRecord::icountry, ident, country, &b)) number = b.isno;
        break;
    }
    case 0x40: {
        NdbRecord b{};
        if (FindIdentInCountry("bident", &NdbRecord::bident, &NdbRecord::bcountry, ident, country, &b)) number = b.bsno;
        break;
    }
    case 0x60: {
        VorRecord b{};
        if (FindIdentInCountry("vident", &VorRecord::vident, &VorRecord::vcountry, ident, country, &b)) number = b.vsno;
        break;
    }
    case 0xA0: {
        const int runway = std::atoi(Field(line, 9, 2).c_str());
        const char letter = std::strlen(line) > 11 ? line[11] : ' ';
        const RunwayLookup lookup = MakeRunwayLookup(runway, letter, !ident.empty() && ident[0] == 'S');
        if (lookup.reciprocal) type |= kReciprocalType;
        number = FindRunway(a.block.asno, lookup);
        break;
    }
    case 0xC0:
    case 0xE0:
        number = LocalWaypoint(c, s, a, type & 0xF0, ident, line);
        if (s.error) return false;
        break;
    default:
        return s.Fail(kErrWaypointType);
    }
    if (number < 0) return s.Fail(kErrWaypoint);
    if (a.block.waypoints >= kMaxWaypoints) return s.Fail(kErrTooManyWaypoints);
    a.block.current.pwtyp[a.block.waypoints] = type;
    a.block.current.pwrecno[a.block.waypoints] = number;
    ++a.block.waypoints;
    s.recordState = 3;
    return true;
}

// Deletes every record of the airport through its airport index.
template <class Record>
void DeleteAirportRecords(const char* index, int32_t Record::*airport, int32_t asno, const char* type) {
    BatchUseFile<Record>();
    dbif_index<Record>(index);
    for (;;) {
        Record buf{};
        buf.*airport = asno;
        if (!dbif_find(buf) || buf.*airport != asno) return;
        BatchDeleteRecord<Record>(type, asno);
    }
}

// Replaces the airport's approaches and local waypoints by the block's: the one unit of work of
// an airport block.
void CommitAirportBlock(CompileSession& s, AirportBlock& block) {
    ReplaceAirportApproaches(block.asno, block.locals, block.approaches);
    s.compiled += static_cast<int>(block.approaches.size());
    block = AirportBlock();
}

bool Finish(OperationContext& c, bool complete) {
    if (complete) {
        c.AddLine("");
        c.AddLine("Compilation Complete");
        c.AddLine("");
    }
    EndCompileSession(c);
    return true;
}

}  // namespace

void ReplaceAirportApproaches(int32_t asno, const std::vector<LwptRecord>& locals,
                              const std::vector<ApprRecord>& approaches) {
    DeleteAirportRecords("paptno", &ApprRecord::paptno, asno, "APPR");
    DeleteAirportRecords("laptno", &LwptRecord::laptno, asno, "LWPT");
    for (const LwptRecord& l : locals) BatchAddRecord(l, "LWPT", l.lsno);
    for (const ApprRecord& p : approaches) BatchAddRecord(p, "APPR", p.psno);
}

RunwayLookup MakeRunwayLookup(int number, char letter, bool startsWithS) {
    RunwayLookup r;
    int code = letter == 'R' ? 0x60 : letter == 'L' ? 0x40 : letter == 'C' ? 0x20 : 0;
    if (number > 18) {
        number -= 18;
        if (code == 0x60) code = 0x40;
        else if (code == 0x40) code = 0x60;
        r.reciprocal = true;
    }
    r.value = (number & 0x1F) | code;
    if (startsWithS) {
        r.value = r.value << 8 | 0x80;
        r.shifted = true;
    }
    return r;
}

bool RunwayMatches(int32_t stored, const RunwayLookup& lookup) {
    if (lookup.shifted) {
        // A two-ended runway: its second end in bits 8-14, or this end as the batch stores it
        // (bits 0-6, the second end's number only above them).
        const int32_t end = (lookup.value >> 8) & 0x7F;
        return (stored & 0x80) != 0 && (((stored >> 8) & 0x7F) == end || (stored & 0x7F) == end);
    }
    return (stored & 0x7F) == lookup.value;
}

bool CompileApproachText(OperationContext& c) {
    CompileSession& s = Session(c);
    ApproachPart& a = Part(s);
    if (c.step == 0 && !s.filesOpen) {
        s.ResetErrorReport();
        s.recordState = 0;
        s.compiled = 0;
        s.filesOpen = true;
        InitBatchSerials(c.nextSerial);
        BatchUseFile<IntRecord>();
        BatchUseFile<NdbRecord>();
        BatchUseFile<VorRecord>();
        BatchUseFile<RwyRecord>();
        BatchUseFile<ApprRecord>();
        BatchUseFile<LwptRecord>();
        ReadSourceLine(s);
    }
    CompileRecordLines(
        c,
        [&](char* line) {
            if (StartsWith(line, "APT")) {
                AirportLine(s, a, line);
            } else if (IsApproachLine(line)) {
                ApproachLine(c, s, a, line);
            } else if (IsWaypointLine(line)) {
                WaypointLine(c, s, a, line);
            } else {
                s.Fail(kErrLineFormat);
            }
        },
        [](const char* next) { return StartsWith(next, "APT"); });
    if (s.recordState != 0) EndApproach(s, a);
    ++c.step;
    if (s.error) {
        CompileErrorText(c);
        // At the end of the input the error lines are followed by the closing lines.
        return Finish(c, s.sourceEnded);
    }
    if (a.block.asno >= 0) CommitAirportBlock(s, a.block);
    if (s.haveLine) return false;
    return Finish(c, true);
}

#include "gen696/CompileApproach696.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/CLocale.h"
#include "common/CoordinateParse.h"
#include "common/IdentDigits.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/compile/CompileApproach.h"
#include "gen/compile/CompileSession.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/OperationContext.h"
#include "gen696/ApproachGroup696.h"
#include "gen696/CompileText696.h"

namespace {

constexpr int kErrRunwayNotFound = 50;
constexpr int kErrApproachType = 52;
constexpr int kErrWaypointOrder = 63;

constexpr size_t kIdentColumn = 12;
constexpr size_t kIdentLength = 6;
constexpr size_t kLocalIdLength = 5;
constexpr size_t kPositionColumn = 18;
constexpr size_t kRunwayColumn = 9;
constexpr int32_t kNoReference = 255;
constexpr int32_t kOtherEndType = 0x100;
constexpr int32_t kIlsOtherEnd = 1 << 29;
constexpr uint32_t kLegacyTypes = 16;  // approach types with a legacy type

enum Kind : int {
    kKindInt = 1,
    kKindNdb = 2,
    kKindVor = 3,
    kKindRunway = 5,
    kKindLocalInt = 6,
    kKindLocalNdb = 7,
    kKindIls = 8,
    kKindNone = 9,
};

// The roles of an approach's three waypoint lines, in order: navaid, final approach fix,
// missed approach point.
constexpr int kRoles[3] = {0, 5, 7};

// One airport block as read: nothing reaches the database before the whole text is read.
struct AirportBlock {
    int32_t asno = -1;
    int32_t lat = 0, lon = 0;
    std::vector<ApprRecord> approaches;
    std::vector<LwptRecord> locals;
};

struct ApproachPart : CompilerPart {
    bool started = false;
    bool writing = false;
    int lineNumber = 0;
    std::vector<AirportBlock> blocks;
    bool open = false;  // an approach line was read and its waypoints are coming
    ApprRecord current{};
    int waypointLines = 0;
    size_t written = 0;
};

ApproachPart& Part(CompileSession& s) {
    if (!s.part) s.part = std::make_unique<ApproachPart>();
    return static_cast<ApproachPart&>(*s.part);
}

// The word at a column: up to `count` characters, ending at a blank.
std::string Word(const std::string& line, size_t from, size_t count) {
    if (from >= line.size()) return std::string();
    std::string text = line.substr(from, count);
    return text.erase(std::min(text.find(' '), text.size()));
}

bool IsApproachLine(const std::string& line) {
    const size_t colon = line.find(':');
    const size_t open = line.find('(', colon == std::string::npos ? line.size() : colon);
    const size_t slash = line.find('/', open == std::string::npos ? line.size() : open);
    return slash != std::string::npos && line.find(')', slash) != std::string::npos;
}

bool IsWaypointLine(const std::string& line) { return line.size() > 3 && line[0] == '[' && line[3] == ']'; }

// Ends the approach in hand: inserted into the block with its three waypoints, else error 63.
bool EndApproach(CompileSession& s, ApproachPart& a) {
    if (!a.open) return true;
    a.open = false;
    if (a.waypointLines != 3) return s.Fail(kErrWaypointOrder);
    a.blocks.back().approaches.push_back(a.current);
    return true;
}

bool AirportLine(CompileSession& s, ApproachPart& a, const std::string& line) {
    if (a.open) return s.Fail(kErrIncomplete);
    const int32_t country = FindCountryFromIdent(line.c_str());
    if (country < 0) return s.Fail(kErrCountry);
    std::string ident = Word(line, 5, 5);
    if (ident.empty() || FindAirportIdent(ident.data()) < 0) return s.Fail(kErrAptNotFound);
    AptRecord apt{};
    if (!FindAirport(ident, country, &apt)) return s.Fail(kErrAptCountry);
    AirportBlock block;
    block.asno = apt.asno;
    block.lat = apt.alat;
    block.lon = apt.along;
    a.blocks.push_back(block);
    return true;
}

bool ApproachLine(OperationContext& c, CompileSession& s, ApproachPart& a, const std::string& line) {
    if (a.blocks.empty()) return s.Fail(kErrIncomplete);
    if (!EndApproach(s, a)) return false;
    const size_t open = line.find('(', line.find(':'));
    const size_t slash = line.find('/', open);
    const size_t close = line.find(')', slash);
    char* end = nullptr;
    const std::string typeText = line.substr(open + 1, slash - open - 1);
    const unsigned long type = std::strtoul(typeText.c_str(), &end, 16);
    if (typeText.empty() || *end != '\0' || type >= kLegacyTypes) return s.Fail(kErrApproachType);
    AirportBlock& block = a.blocks.back();
    ApprRecord& p = a.current;
    p = ApprRecord{};
    const std::string id = line.substr(slash + 1, close - slash - 1).substr(0, kLocalIdLength);
    std::memcpy(p.pid, id.data(), id.size());
    p.psno = TakeSerial(c.nextSerial, kFileAppr);
    p.paptno = block.asno;
    p.pseq = static_cast<int32_t>(block.approaches.size());
    p.p6typ = static_cast<int32_t>(type);
    p.ptyp = kApproachTypeTable696[type];
    a.open = true;
    a.waypointLines = 0;
    return true;
}

// The serial number of the airport's runway that a designator names; -1 (with the run's message
// in the session) when none is.
int32_t FindRunway(CompileSession& s, int32_t asno, const RunwayCode696& code) {
    RwyRecord buf{};
    buf.raptno = asno;
    BatchUseFile<RwyRecord>();
    dbif_index<RwyRecord>("raptno");
    for (bool more = dbif_find(buf); more && buf.raptno == asno; more = dbif_next(buf)) {
        if (RunwayCodeMatches696(buf.rw, code)) return buf.rsno;
    }
    s.detail = StringFormatC("Cannot find runway for this approach at airport 0x%x", static_cast<unsigned>(asno));
    return -1;
}

// A local waypoint's angle as the image keeps it: the airport's angle less a whole number of
// 128-unit steps from the airport's position in the image (its angle to 128 units), the
// nearest to the text's (read to the unit, not to the 64 units of the point records).
int32_t LocalAngle(int32_t airport, int32_t text) {
    const int32_t base = static_cast<int32_t>(static_cast<uint32_t>(airport) & ~127u);
    const int64_t difference = static_cast<int32_t>(static_cast<uint32_t>(base) - static_cast<uint32_t>(text));
    const int64_t steps = (difference + (difference >= 0 ? 64 : -64)) / 128;
    return static_cast<int32_t>(static_cast<uint32_t>(airport) - static_cast<uint32_t>(steps * 128));
}

// The local waypoint of a line: found in the block by ident and type, or added.
bool LocalWaypoint(OperationContext& c, CompileSession& s, AirportBlock& block, int kind, int role,
                   const std::string& line, int32_t* reference) {
    const std::string lid = Word(line, kIdentColumn, kLocalIdLength);
    int32_t type = kind * 16;
    int32_t frequency = 0;
    if (kind == kKindLocalNdb) {
        const size_t close = line.rfind(')');
        if (close == std::string::npos) return s.Fail(kErrNdbFrequency);
        const double khz = std::strtod(line.c_str() + close + 1, nullptr);
        frequency = static_cast<int32_t>(khz * 10 + 0.5);
        if (frequency <= 0 || frequency > 0x7FFF) return s.Fail(kErrNdbFrequency);
    } else if (kind == kKindIls) {
        // "... 110.30 RW16L {": the frequency before the runway, the runway before the brace.
        const size_t brace = line.rfind('{');
        const size_t runwayAt = brace == std::string::npos ? std::string::npos : line.rfind(" RW", brace);
        if (runwayAt == std::string::npos) return s.Fail(kErrNdbFrequency);
        size_t from = runwayAt;
        while (from > 0 && line[from - 1] != ' ') --from;
        const std::string mhz = line.substr(from, runwayAt - from);
        if (mhz.empty() || !std::isdigit(static_cast<unsigned char>(mhz[0]))) return s.Fail(kErrNdbFrequency);
        frequency = static_cast<int32_t>(std::lround(std::strtod(mhz.c_str(), nullptr) * 100));
        const RunwayCode696 code = RunwayCodeOfDesignator696(Word(line, runwayAt + 3, 4));
        const int32_t runway = FindRunway(s, block.asno, code);
        if (runway < 0) return s.Fail(kErrRunwayNotFound);
        type += runway * 4096 + (code.otherEnd ? kIlsOtherEnd : 0);
    }
    if (role == 0) type >>= 4;
    if (lid.empty()) return s.Fail(kErrWaypoint);
    for (const LwptRecord& l : block.locals) {
        if (l.ltyp == type && std::string(l.lid, strnlen(l.lid, sizeof l.lid)) == lid) {
            *reference = l.lsno;
            return true;
        }
    }
    LwptRecord l{};
    if (line.size() <= kPositionColumn) return s.Fail(kErrCoordinate);
    std::string position = line.substr(kPositionColumn);
    char* text = position.data();
    for (int32_t* angle : {&l.llat, &l.llong}) {
        const CoordinateScan scan = ScanCoordinate(text, angle == &l.llong, kListingCoordinateRules);
        if (!scan.valid) return s.Fail(kErrCoordinate);
        const auto units = static_cast<uint32_t>(std::llround(scan.degrees * (4294967296.0 / 360.0)));
        *angle = LocalAngle(angle == &l.llat ? block.lat : block.lon,
                            static_cast<int32_t>(scan.negative ? 0u - units : units));
        text = scan.next;
    }
    l.lsno = TakeSerial(c.nextSerial, kFileLwpt);
    l.laptno = block.asno;
    l.ltyp = type;
    l.lfreq = frequency;
    std::memcpy(l.lid, lid.data(), lid.size());
    block.locals.push_back(l);
    *reference = l.lsno;
    return true;
}

bool WaypointLine(OperationContext& c, CompileSession& s, ApproachPart& a, const std::string& line) {
    if (!a.open) return s.Fail(kErrIncomplete);
    const auto code = static_cast<int32_t>(std::strtol(line.c_str() + 1, nullptr, 16) & 0xFF);
    const int kind = code >> 4;
    const int role = code & 15;
    if (a.waypointLines >= 3 || role != kRoles[a.waypointLines]) return s.Fail(kErrWaypointOrder);
    AirportBlock& block = a.blocks.back();
    int32_t type = code;
    int32_t reference = -1;
    std::string ident = Word(line, kIdentColumn, kIdentLength);
    bool found = false;
    if (kind >= kKindInt && kind <= kKindVor) {
        EncodeIdentDigits(ident.data());
        const int32_t country = line.find('-') == std::string::npos ? -1 : FindCountryFromIdent(line.c_str());
        if (country < 0) return s.Fail(kErrCountry);
        if (kind == kKindInt) {
            IntRecord r{};
            found = FindIdentInCountry("iident", &IntRecord::iident, &IntRecord::icountry, ident, country, &r);
            reference = r.isno;
        } else if (kind == kKindNdb) {
            NdbRecord r{};
            found = FindIdentInCountry("bident", &NdbRecord::bident, &NdbRecord::bcountry, ident, country, &r);
            reference = r.bsno;
        } else {
            VorRecord r{};
            found = FindIdentInCountry("vident", &VorRecord::vident, &VorRecord::vcountry, ident, country, &r);
            reference = r.vsno;
        }
        if (!found) return s.Fail(kErrWaypoint);
    } else if (kind == kKindRunway) {
        const RunwayCode696 runway =
            RunwayCodeOfDesignator696(line.size() > kRunwayColumn ? line.substr(kRunwayColumn, 4) : std::string());
        if (runway.otherEnd) type |= kOtherEndType;
        reference = FindRunway(s, block.asno, runway);
        if (reference < 0) return s.Fail(kErrWaypoint);
    } else if (kind >= kKindLocalInt && kind <= kKindIls) {
        if (!LocalWaypoint(c, s, block, kind, role, line, &reference)) return false;
    } else if (kind == kKindNone) {
        reference = kNoReference;
    } else {
        return s.Fail(kErrWaypointType);
    }
    ApprRecord& p = a.current;
    if (role == 0) {
        p.pntyp = kind;
        p.pnsno = reference;
    } else {
        const int slot = a.waypointLines - 1;
        p.pwtyp[slot] = (role == 1 ? 1 : role == 5 ? 3 : 4) | (type & kOtherEndType) | kind * 32;
        p.pwrecno[slot] = reference;
    }
    ++a.waypointLines;
    return true;
}

void ApproachTextLine(OperationContext& c, CompileSession& s, ApproachPart& a, const std::string& line) {
    if (StartsWith(line.c_str(), "APT")) {
        AirportLine(s, a, line);
    } else if (IsWaypointLine(line)) {
        WaypointLine(c, s, a, line);
    } else if (IsApproachLine(line)) {
        ApproachLine(c, s, a, line);
    } else {
        s.Fail(kErrLineFormat);
    }
}

}  // namespace

RunwayCode696 RunwayCodeOfDesignator696(const std::string& text) {
    RunwayCode696 r;
    int32_t n = std::isdigit(static_cast<unsigned char>(text.c_str()[0])) ? std::atoi(text.c_str()) : 0;
    const char letter = text.size() > 2 ? text[2] : ' ';
    int32_t code = letter == 'C' ? 32 : letter == 'L' ? 64 : letter == 'R' ? 96 : letter == 'T' ? 0x10000 : 0;
    r.twoEnded = text.size() > 3 && text[3] == 's';
    if (n > 18) {
        n -= 18;
        if (code == 64 || code == 96) code = 160 - code;
        r.otherEnd = true;
        if (r.twoEnded) {
            n <<= 8;
            code <<= 8;
        }
    }
    r.code = n | code | (r.twoEnded ? 128 : 0);
    return r;
}

bool RunwayCodeMatches696(int32_t rw, const RunwayCode696& code) {
    if (!code.twoEnded) return rw == code.code;
    if ((rw & 0x80) == 0) return false;
    if (!code.otherEnd) return (rw & 0x1007F) == (code.code & 0x1007F);
    // The other end is kept as its number less 18, with a letter of its own or the first end's.
    const int32_t letter = (rw >> 13 & 3) != 0 ? rw >> 13 & 3 : rw >> 5 & 3;
    return (rw >> 8 & 31) == (code.code >> 8 & 31) && letter == (code.code >> 13 & 3);
}

bool CompileApproachText696(OperationContext& c) {
    CompileSession& s = Session(c);
    ApproachPart& a = Part(s);
    if (!a.started) {
        a.started = true;
        s.ResetErrorReport();
        InitBatchSerials(c.nextSerial);
        ReadSourceLine(s);
    }
    ++c.step;
    if (!a.writing) {
        const bool ended = ReadTextBlock696(c, s, &a.lineNumber, "APT",
                                            [&](const std::string& line) { ApproachTextLine(c, s, a, line); });
        if (!s.error && !a.blocks.empty()) {
            EndApproach(s, a);
            if (!s.error && a.blocks.back().approaches.empty()) s.Fail(kErrWaypointOrder);
        }
        if (!s.error && ended && a.blocks.empty()) s.Fail(kErrNoData);
        if (s.error) return FailTextCompile696(c, "");
        a.writing = ended;
        return false;
    }
    if (a.written < a.blocks.size()) {
        const AirportBlock& block = a.blocks[a.written++];
        ReplaceAirportApproaches(block.asno, block.locals, block.approaches);
    }
    if (a.written < a.blocks.size()) return false;
    return FinishTextCompile696(c);
}

void InstallCompileApproach696(GenModel& model) {
    InstallTextCompiler696(model, kModeCompileApr, "Compile APR Text", CompileApproachText696);
}

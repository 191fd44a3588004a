#include "gen696/CompileAirway696.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/IdentDigits.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/compile/CompileSession.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/OperationContext.h"
#include "gen696/CompileText696.h"
#include "gen696/EraseRecordFile696.h"
#include "gen696/Tessily696.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace {

constexpr const char* kExplanation =
    "Waypoint and Level lines are fixed format and compilation fails if words are not spaced correctly";

constexpr int kErrWaypointNotFound = 49;
constexpr size_t kTypeColumn = 5;
constexpr size_t kIdentColumn = 10;
constexpr size_t kNameLength = 5;
constexpr uint8_t kHeadCode = 12;
constexpr uint8_t kFollowed = 8;
constexpr uint8_t kWaypointFlags = 0x36;  // the bits a waypoint's bracketed value may set
constexpr int32_t kMaxNumber = (1 << 18) - 1;
constexpr size_t kMaxPoints = 383;        // points of one airway, its head included

struct Airway {
    AwysRecord record{};
    std::vector<AwpsRecord> points;
};

struct AirwayPart : CompilerPart {
    bool started = false;
    bool writing = false;
    int lineNumber = 0;
    std::vector<Airway> airways;  // the whole text, checked
    size_t written = 0;
    int32_t nextPoint = 0;        // serial of the next point over the whole file
};

AirwayPart& Part(CompileSession& s) {
    if (!s.part) s.part = std::make_unique<AirwayPart>();
    return static_cast<AirwayPart&>(*s.part);
}

void Put24(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>((p[2] & 0xFC) | ((v >> 16) & 3));
}
void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// The value of a hex number in square brackets at the start of a line (0 when absent).
uint32_t LeadingHex(const std::string& line) {
    return !line.empty() && line[0] == '[' ? static_cast<uint32_t>(std::strtoul(line.c_str() + 1, nullptr, 16)) : 0;
}

std::string Column(const std::string& line, size_t from, size_t count) {
    if (from >= line.size()) return std::string();
    std::string text = line.substr(from, count);
    return text.erase(std::min(text.find(' '), text.size()));
}

bool AirwayLine(CompileSession& s, AirwayPart& a, const std::string& line) {
    std::string name;
    for (size_t i = kTypeColumn; i < line.size() && name.size() < kNameLength && line[i] != ' ' && line[i] != '('; ++i) {
        name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(line[i]))));
    }
    if (name.empty()) return s.Fail(kErrLineFormat);
    if (a.airways.size() > static_cast<size_t>(kMaxNumber)) {
        s.FieldError("airway number", static_cast<long long>(a.airways.size()), kMaxNumber);
        return false;
    }
    const auto number = static_cast<int32_t>(a.airways.size());
    Airway w;
    AwysRecord& r = w.record;
    r.wsno = number;
    std::memcpy(r.wname, name.data(), name.size());
    const std::string rest = line.substr(kTypeColumn + name.size());
    r.wrec[0] = rest.find("(low)") != std::string::npos ? 2 : rest.find("(High)") != std::string::npos ? 8 : 6;
    // The name in six-bit characters, most significant bit first, over bytes 4, 3, 2, 1.
    uint32_t bits = 0;
    for (size_t i = 0; i < kNameLength; ++i) {
        const char ch = i < name.size() ? name[i] : ' ';
        bits |= static_cast<uint32_t>((ch - 32) & 63) << (26 - 6 * i);
    }
    for (int i = 0; i < 4; ++i) r.wrec[1 + i] = static_cast<uint8_t>(bits >> (8 * i));
    const size_t open = rest.find('[');
    const uint32_t extra = open == std::string::npos ? 0 : std::strtoul(rest.c_str() + open + 1, nullptr, 16) & 0x3F;
    const auto first = static_cast<uint32_t>(a.nextPoint);
    r.wrec[5] = static_cast<uint8_t>((first >> 16 & 3) << 6 | extra);
    r.wrec[6] = static_cast<uint8_t>(first);
    r.wrec[7] = static_cast<uint8_t>(first >> 8);

    AwpsRecord head{};
    head.wpwno = number;
    head.wprec[0] = kHeadCode;
    Put24(head.wprec + 1, static_cast<uint32_t>(number));
    w.points.push_back(head);
    a.airways.push_back(w);
    return true;
}

// Finds the waypoint of a point line: its serial number, or an error.
bool FindWaypoint(CompileSession& s, const std::string& line, const std::string& type, int32_t* serial) {
    const int32_t country = FindCountryFromIdent(line.c_str());
    if (country < 0) return s.Fail(kErrCountry);
    std::string ident = Column(line, kIdentColumn, kNameLength);
    EncodeIdentDigits(ident.data());
    bool found = false;
    if (type == "INT") {
        IntRecord r{};
        found = FindIdentInCountry("iident", &IntRecord::iident, &IntRecord::icountry, ident, country, &r);
        *serial = r.isno;
    } else if (type == "NDB") {
        NdbRecord r{};
        found = FindIdentInCountry("bident", &NdbRecord::bident, &NdbRecord::bcountry, ident, country, &r);
        *serial = r.bsno;
    } else if (type == "VOR") {
        VorRecord r{};
        found = FindIdentInCountry("vident", &VorRecord::vident, &VorRecord::vcountry, ident, country, &r);
        *serial = r.vsno;
    }
    if (!found || ident.empty()) return s.Fail(kErrWaypointNotFound);
    if (*serial < 0 || *serial > kMaxNumber) {
        s.FieldError("waypoint serial number", *serial, kMaxNumber);
        return false;
    }
    return true;
}

bool PointLine(CompileSession& s, AirwayPart& a, const std::string& line) {
    if (a.airways.empty()) return s.Fail(kErrLineFormat);
    Airway& w = a.airways.back();
    if (w.points.size() >= kMaxPoints) {
        s.FieldError("airway points", static_cast<long long>(w.points.size()) + 1, kMaxPoints);
        return false;
    }
    AwpsRecord p{};
    p.wpwno = w.record.wsno;
    const uint32_t hex = LeadingHex(line);
    if (line.size() <= kTypeColumn || line[kTypeColumn] == ' ') {
        // A level line: the level, optionally " to " and a second level.
        const std::string text = line.size() > kIdentColumn ? line.substr(kIdentColumn) : std::string();
        const size_t to = text.find(" to ");
        const int32_t lower = AirwayLevelCode696(text.substr(0, to));
        const int32_t upper = to == std::string::npos ? 0 : AirwayLevelCode696(text.substr(to + 4));
        if (lower < 0 || upper < 0) {
            s.detail = "A level is beyond FL1023 or 102300 feet";
            return s.Fail(kErrFieldValue);
        }
        Put16(p.wprec, static_cast<uint32_t>(lower) * 16 + 1);
        Put16(p.wprec + 2, hex & 0xFFFF);
        Put16(p.wprec + 4, static_cast<uint32_t>(upper));
    } else {
        const std::string type = line.substr(kTypeColumn, 3);
        int32_t serial = 0;
        if (!FindWaypoint(s, line, type, &serial)) return false;
        static const char* const kTypes[3] = {"INT", "NDB", "VOR"};
        int kind = 0;
        while (type != kTypes[kind]) ++kind;
        p.wprec[0] = static_cast<uint8_t>((kind + 1) << 6 | (hex & kWaypointFlags));
        Put24(p.wprec + 1, static_cast<uint32_t>(serial));
        const size_t brace = line.rfind('{');
        if (brace != std::string::npos) {
            p.wprec[3] |= static_cast<uint8_t>((std::strtoul(line.c_str() + brace + 1, nullptr, 16) & 0x3F) << 2);
        }
    }
    w.points.push_back(p);
    return true;
}

// Numbers the points of the airway in hand and marks each one that another follows.
void CloseAirway(AirwayPart& a) {
    if (a.airways.empty()) return;
    Airway& w = a.airways.back();
    for (size_t i = 0; i < w.points.size(); ++i) {
        AwpsRecord& p = w.points[i];
        p.wpsno = a.nextPoint++;
        p.wpseq = static_cast<int32_t>(i);
        if (i + 1 < w.points.size()) {
            p.wprec[0] |= kFollowed;
        } else {
            p.wprec[0] &= static_cast<uint8_t>(~kFollowed);
        }
    }
}

void AirwayTextLine(CompileSession& s, AirwayPart& a, const std::string& line) {
    if (!StartsWith(line.c_str(), "AWY")) {
        PointLine(s, a, line);
    } else if (a.nextPoint > kMaxNumber) {
        s.FieldError("airway point serial number", a.nextPoint, kMaxNumber);
    } else {
        AirwayLine(s, a, line);
    }
}

void RemoveGridFile(OperationContext& c) {
    std::string actual;
    const std::string path = CompileFolder(c) + "/" + kAirwayGridFile696;
    if (platform::FileExists(path, &actual) && !platform::DeleteFile(actual)) {
        platform::ShowMessage(actual + " - Cannot Unlink");
    }
}

// Writes one airway of the checked text; the first call empties both files.
void WriteAirway(OperationContext& c, AirwayPart& a) {
    if (a.written == 0) {
        RemoveGridFile(c);
        EraseRecordFile696(kFileAwys);
        EraseRecordFile696(kFileAwps);
    }
    if (a.written >= a.airways.size()) return;
    const Airway& w = a.airways[a.written++];
    BatchAddRecord(w.record, "AWYS", w.record.wsno);
    for (const AwpsRecord& p : w.points) BatchAddRecord(p, "AWPS", p.wpsno);
}

}  // namespace

int32_t AirwayLevelCode696(const std::string& text) {
    const char* p = text.c_str();
    while (*p == ' ') ++p;
    if (StartsWith(p, "FL") && std::isdigit(static_cast<unsigned char>(p[2]))) {
        const long level = std::strtol(p + 2, nullptr, 10);
        return level > 1023 ? -1 : static_cast<int32_t>(level + 1024);
    }
    if (std::isdigit(static_cast<unsigned char>(*p))) {
        const long hundreds = std::strtol(p, nullptr, 10) / 100;
        return hundreds > 1023 ? -1 : static_cast<int32_t>(hundreds);
    }
    if (StartsWith(p, "See Chart")) return 2;
    if (StartsWith(p, "unknown")) return 1;
    return 0;
}

bool CompileAirwayText(OperationContext& c) {
    CompileSession& s = Session(c);
    AirwayPart& a = Part(s);
    if (!a.started) {
        a.started = true;
        s.ResetErrorReport();
        ReadSourceLine(s);
    }
    ++c.step;
    if (!a.writing) {
        const bool ended = ReadTextBlock696(c, s, &a.lineNumber, "AWY",
                                            [&](const std::string& line) { AirwayTextLine(s, a, line); });
        if (!s.error) CloseAirway(a);
        if (!s.error && ended && a.airways.empty()) s.Fail(kErrNoData);
        if (s.error) return FailTextCompile696(c, kExplanation);
        a.writing = ended;
        return false;
    }
    WriteAirway(c, a);
    if (a.written < a.airways.size()) return false;
    dbif_close<AwysRecord>();
    dbif_close<AwpsRecord>();
    return FinishTextCompile696(c);
}

void InstallCompileAirway696(GenModel& model) {
    InstallTextCompiler696(model, kModeCompileAwy, "Compile AWY Text", CompileAirwayText);
}

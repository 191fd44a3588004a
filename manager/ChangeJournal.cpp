#include "manager/ChangeJournal.h"

#include <cstring>
#include <ctime>
#include <unordered_map>
#include <vector>

#include "common/Frequency.h"
#include "common/IdentDigits.h"
#include "common/LatLonText.h"
#include "dblib/KestraneDatabase.h"
#include "manager/AirportChildren.h"
#include "manager/HeldFiles.h"
#include "manager/LineFormats.h"
#include "manager/ManagerSettings.h"

namespace {

constexpr size_t kLineWidth = 159;
const char* const kTypeWords[] = {"APT", "INT", "NDB", "VOR", "FRQ", "RWY", "USR", "RTE"};
// The batch update's frequency type words by the older form's code.
const char* const kBatchFreqTypes[16] = {"ATIS", "TAXI", "CLRNCE", "GROUND", "TOWER", "UNICOM", "MULTI", "OTHER",
                                         "DEP",  "APP",  "ARRIVL", "CLS B",  "TMA",   "CTA",    "CLS C", "TRSA"};

bool& FirstWriteDone() {
    static bool done = false;
    return done;
}

std::string Text(const char* field, size_t width) { return std::string(field, strnlen(field, width)); }

std::string Trimmed(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    return text;
}

std::string Decoded(const char* ident) {
    char text[9] = {};
    std::memcpy(text, ident, 8);
    DecodeIdentDigits(text);
    return text;
}

std::string LatLon(int32_t value, bool isLongitude) {
    char text[kLatLonTextSize];
    FormatLatLon(text, value, isLongitude, 1);
    return text;
}

// Name and country texts by record number, read once a run: the manager only adds names and
// countries, and no other program changes the database while it runs.
std::unordered_map<int32_t, std::string>& NameTexts() {
    static std::unordered_map<int32_t, std::string> texts;
    return texts;
}
std::unordered_map<int32_t, std::string>& CountryTexts() {
    static std::unordered_map<int32_t, std::string> texts;
    return texts;
}

std::string NameText(int32_t n) {
    auto& texts = NameTexts();
    auto it = texts.find(n);
    if (it != texts.end()) return it->second;
    HeldFiles held{KestraneDb().names.get()};
    return texts[n] = GetNameText(n);
}

// "LF-FRANCE" from the country record (the id first, so that a name with '-' stays whole).
std::string CountryField(int32_t csno) {
    auto& texts = CountryTexts();
    auto it = texts.find(csno);
    if (it != texts.end()) return it->second;
    dfCOUNTRY& c = *KestraneDb().country;
    HeldFiles held{&c};
    c.SelectIndex("csno");
    c.csno = csno;
    if (csno < 0 || c.Find() != 0) return "UNKNOWN";
    return texts[csno] = Trimmed(Text(c.cid, sizeof c.cid)) + "-" + Trimmed(Text(c.cname, sizeof c.cname));
}

// A name field: "UNSET" for a name the record's form leaves unset (older form: negative; 696
// form: 0 or negative), else the name's text.
std::string NameField(int32_t n, bool olderForm) {
    if (n < 0 || (n == 0 && !olderForm)) return "UNSET";
    return NameText(n);
}

std::string Frequency(int32_t value, int32_t divisor) {
    char text[kFrequencyTextSize];
    FormatFrequency(text, value, divisor);
    std::string s = text;
    return s.substr(s.find_first_not_of(' '));
}

// The frequency of a FRQ line; a 696 database adds the third decimal.
std::string FrqFrequency(const dfFREQ3& f) {
    std::string text = Frequency(f.freq, 100);
    if (!Manager().Legacy()) {
        const bool five = (text.size() > 5 && (text[5] == '2' || text[5] == '7')) || (f.f431 != -1 && (f.f431 & 32));
        text += five ? '5' : '0';
    }
    return text;
}

std::string RunwayDesignator(int32_t rw) {
    std::string text;
    char number[16];
    const int n = rw & 31;
    if (n == 0) text = "..";
    else {
        std::snprintf(number, sizeof number, "%02d", n);
        text = number;
    }
    static const char kLetters[] = " CLR";
    if ((rw >> 5) & 3) text += kLetters[(rw >> 5) & 3];
    if (rw & 128) {
        const int r = (rw >> 8) & 31;
        if (r == 0) text += "-..";
        else {
            std::snprintf(number, sizeof number, "-%02d", r + 18);
            text += number;
        }
    }
    return text;
}

std::string RunwayPicture(const dfRWY3& r) {
    char text[64];
    if (!Manager().Legacy() && (r.rnpic != 0 || r.rnpic2 != 0)) {
        std::snprintf(text, sizeof text, "<%c-%c> %02x %08x %08x", (r.rpicfl & 1) ? 'L' : 'R', (r.rpicfl & 2) ? 'L' : 'R',
                      static_cast<unsigned>(r.rflags) & 0xFF, static_cast<unsigned>(r.rnpic),
                      static_cast<unsigned>(r.rnpic2));
    } else if (r.rflags == -1 && r.rpicst == 0 && r.rpic == 0) {
        return "0";
    } else {
        std::snprintf(text, sizeof text, "%02x %04x %08x", static_cast<unsigned>(r.rflags) & 0xFF,
                      static_cast<unsigned>(r.rpicst), static_cast<unsigned>(r.rpic));
    }
    return text;
}

// The VOR class fields: the 696 form's class word, or the older form's derived from vdme.
void AppendVorClass(std::string& line, const dfVORS& v, bool olderForm) {
    const int32_t word = olderForm ? VorClassCode(v.vdme) : v.vtr;
    const int cls = (word >> 5) & 7;
    // The older form has only the batch update's class words.
    if (!olderForm || (cls >= 1 && cls <= 5)) {
        if (*VorClassWord(cls) != '\0') AppendField(line, VorClassWord(cls));
    }
    if (word & 4) AppendField(line, "WX");
    if (*VorLevelWord((word >> 3) & 3) != '\0') AppendField(line, VorLevelWord((word >> 3) & 3));
    if (!olderForm) {
        char text[16];
        std::snprintf(text, sizeof text, "[%+.2d]", static_cast<int>(static_cast<int8_t>(v.vmag & 0xFF)));
        AppendField(line, text);
    }
}

void AppendAirportWords(std::string& line, const dfAPTS& a, bool olderForm) {
    char text[32];
    std::snprintf(text, sizeof text, "%d", a.aheight);
    AppendField(line, text);
    const std::string fuel = FormatFuelLetters(a.afuel);
    if (!fuel.empty()) AppendField(line, fuel);
    if (!olderForm && (a.afuel & 256)) AppendField(line, "[HEL]");
    else if (a.afuel & 128) AppendField(line, "[PRV]");
    else if (a.afuel & 64) AppendField(line, "[MIL]");
    if (!olderForm && (a.autc & 31) != 31) {
        std::snprintf(text, sizeof text, "UTC%+d%s", 12 - (a.autc & 31), (a.autc & 32) ? "+DST" : "");
        AppendField(line, text);
    }
}

void AppendFrequencyWords(std::string& line, const dfFREQ3& f) {
    if (f.ftype & 128) AppendField(line, "M");
    if (f.frsno == 0) {
        if (f.f431 != -1 && ((f.f431 >> 21) & 3) != 0) AppendField(line, (f.f431 & (1 << 21)) ? "R:TX" : "R:RX");
        return;
    }
    std::vector<uint8_t> bytes;
    dfRESTR& restr = *KestraneDb().restr;
    const bool held = restr.IsOpen();
    if (held || restr.Open() == 0) {
        ReadRestrictionChain(f.frsno, bytes);
        if (!held) restr.Close();
    }
    if (bytes.size() > 1) AppendField(line, "R:" + FormatRestriction(bytes.data() + 1, bytes.size() - 1, true));
}

// Loads the airport of a runway or frequency into apts.
void LoadParentAirport(int32_t asno) {
    dfAPTS& a = *KestraneDb().apts;
    if (a.asno == asno && a.aident[0] != '\0') return;  // the command holds it already
    const bool held = a.IsOpen();
    if (!held && a.Open() != 0) return;
    a.SelectIndex("asno");
    a.asno = asno;
    (void)a.Find();
    if (!held) a.Close();
}

}  // namespace

FILE*& JournalStream() { return KestraneDb().journal; }

JournalFields GetJournalFields(int type) {
    KestraneDatabase& db = KestraneDb();
    JournalFields j;
    switch (type) {
    case kJournalApt:
    case kJournalFrq:
    case kJournalRwy: {
        const dfAPTS& a = *db.apts;
        j.olderForm = a.a212025 == -1;
        j = {Decoded(a.aident), a.acountry, a.acity, a.afacil, a.alat, a.along,
             (a.afuel & (j.olderForm ? 256 : 32)) != 0, j.olderForm};
        break;
    }
    case kJournalInt: {
        const dfINTS& i = *db.ints;
        j = {Decoded(i.iident), i.icountry, i.iname, i.iparent, i.ilat, i.ilong, false, i.iflags == -1};
        break;
    }
    case kJournalNdb: {
        const dfNDBS& b = *db.ndbs;
        j = {Decoded(b.bident), b.bcountry, b.bcity, b.bfacil, b.blat, b.blong, (b.bcompat & 1) != 0, b.bflags == -1};
        break;
    }
    case kJournalVor: {
        const dfVORS& v = *db.vors;
        j = {Decoded(v.vident), v.vcountry, v.vcity, v.vfacil, v.vlat, v.vlong, (v.vdme & 1) != 0, v.v221817 == -1};
        break;
    }
    case kJournalUsr: {
        const dfUSR& u = *db.usr;
        j.ident = Text(u.uident, sizeof u.uident);
        j.latitude = u.ulat;
        j.longitude = u.ulong;
        break;
    }
    default:
        break;
    }
    // The 696 form shows the facility for a city it lacks; the older form keeps "UNSET" so that a
    // replay gives the same record.
    if (!j.olderForm && j.first < 0) j.first = j.second;
    return j;
}

size_t AppendField(std::string& line, const std::string& text) {
    line += '|';
    line += text;
    return line.size();
}

std::string FormatJournalLine(int operation, int type) {
    if (type < kJournalApt || type >= kJournalRte) return "";
    KestraneDatabase& db = KestraneDb();
    std::string line = operation == kJournalAdd ? "ADD" : "DEL";
    AppendField(line, kTypeWords[type]);
    if (type == kJournalFrq) LoadParentAirport(db.freq3->faptno);
    if (type == kJournalRwy) LoadParentAirport(db.rwy3->raptno);

    {
        const JournalFields j = GetJournalFields(type);
        AppendField(line, j.ident);
        if (type != kJournalUsr) AppendField(line, CountryField(j.country));
        // An older-form intersection carries no names (the batch update takes six fields).
        const bool names = type <= kJournalVor && !(type == kJournalInt && j.olderForm);
        if (names) {
            std::string first = NameField(j.first, j.olderForm);
            if (j.at) InsertBeforeLastTwo(first, '@');
            AppendField(line, first);
            AppendField(line, NameField(j.second, j.olderForm));
        }
        if (type == kJournalFrq) {
            const dfFREQ3& f = *db.freq3;
            AppendField(line, f.f431 == -1 ? kBatchFreqTypes[f.ftype & 15] : FreqTypeWord(f.ftype, false));
            AppendField(line, FrqFrequency(f));
        }
        if (type == kJournalRwy) {
            const dfRWY3& r = *db.rwy3;
            char size[32];
            if (r.rwidth != 0) std::snprintf(size, sizeof size, "%dx%d", r.rlen, r.rwidth);
            else std::snprintf(size, sizeof size, "%d", r.rlen);
            AppendField(line, size);
            AppendField(line, RunwayDesignator(r.rw));
        }
        if (operation == kJournalAdd) {
            if (type <= kJournalVor || type == kJournalUsr) {
                AppendField(line, LatLon(j.latitude, false));
                AppendField(line, LatLon(j.longitude, true));
            }
            switch (type) {
            case kJournalApt:
                AppendAirportWords(line, *db.apts, j.olderForm);
                break;
            case kJournalInt:
                if (!j.olderForm && (db.ints->iflags & 256)) AppendField(line, "VRP");
                break;
            case kJournalNdb: {
                const int32_t f = db.ndbs->bfreq;
                AppendField(line, std::to_string(f / 10) + "." + std::to_string(f % 10));
                if (db.ndbs->bcompat & 4) AppendField(line, "L");
                break;
            }
            case kJournalVor:
                AppendField(line, Frequency(db.vors->vfreq, 100));
                AppendVorClass(line, *db.vors, j.olderForm);
                break;
            case kJournalFrq:
                AppendFrequencyWords(line, *db.freq3);
                break;
            case kJournalRwy: {
                const dfRWY3& r = *db.rwy3;
                AppendField(line, SurfaceWord(r.rsl & 7));
                AppendField(line, LightingWord((r.rsl >> 3) & 7));
                AppendField(line, RunwayPicture(r));
                break;
            }
            case kJournalUsr: {
                dfUSR& u = *db.usr;
                size_t n = strnlen(u.uname, sizeof u.uname);
                while (n > 0 && u.uname[n - 1] == '_') u.uname[--n] = '\0';
                AppendField(line, std::string(u.uname, n));
                break;
            }
            default:
                break;
            }
        }
        line = Trimmed(line);
        if (type == kJournalFrq || type == kJournalRwy) {
            const std::string comment = "\t// " + NameText(db.apts->afacil);
            // The comment goes first when the line would be too long.
            if (line.size() < kLineWidth) line += comment.substr(0, kLineWidth - line.size());
            line = Trimmed(line);
        }
    }
    if (line.size() > kLineWidth) line.resize(kLineWidth);
    return line;
}

void WriteJournalText(const std::string& line) {
    FILE* stream = JournalStream();
    if (stream == nullptr || line.empty()) return;
    if (!FirstWriteDone()) {
        FirstWriteDone() = true;
        const std::time_t now = std::time(nullptr);
        char date[64] = {};
        std::strftime(date, sizeof date, "%a %b %e %H:%M:%S %Y", std::localtime(&now));
        std::fprintf(stream, "\r\n// %s\r\n\r\n", date);
    }
    std::fprintf(stream, "%s\r\n", line.c_str());
    std::fflush(stream);
}

void WriteJournalLine(int operation, int type) {
    if (JournalStream() == nullptr || type == kJournalRte) return;
    WriteJournalText(FormatJournalLine(operation, type));
}

void ForgetJournalTexts() {
    NameTexts().clear();
    CountryTexts().clear();
}

void CloseJournal() {
    ForgetJournalTexts();
    FILE*& stream = JournalStream();
    if (stream != nullptr) std::fclose(stream);
    stream = nullptr;
}

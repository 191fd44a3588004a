#include "manager/LineFormats.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/DateText.h"
#include "common/Frequency.h"
#include "common/IdentDigits.h"
#include "common/LatLonText.h"
#include "common/LetterText.h"
#include "common/SixBitCode.h"
#include "common/TextHelpers.h"
#include "dblib/KestraneDatabase.h"
#include "manager/AirportChildren.h"
#include "manager/IndexByName.h"
#include "manager/ManagerSettings.h"
#include "manager/SymbolTable.h"

namespace {

const char* const kLegacyFreqTypes[16] = {"ATIS", "TAXI", "Clrnce", "Ground", "Tower", "Unicom", "Multi", "Other",
                                          "Dep",  "App",  "Arr",    "ClassB", "TMA",   "CTA",    "ClassC", "TRSA"};
const char* const kFreqTypes[40] = {"ATIS",   "ASOS",   "AWOS",   "AWIS",   "AWIB",   "PreTax", "Clrnce", "Gate",
                                    "Ramp",   "Ground", "Tower",  "Unicom", "Multi",  "GndCom", "Info",   "Radio",
                                    "FSS",    "Dep",    "App",    "Arrivl", "Cls B",  "Trminl", "TMA",    "CTA",
                                    "Cls C",  "TRSA",   "Centre", "Contrl", "Heli",   "Radar",  "Airlft", "Direct",
                                    "Emergy", "Ops",    "PCL",    "R/CTAF", "M/CTAF", "U/CTAF", "F/CTAF", "T/CTAF"};
const char* const kSurfaces[8] = {"hard", "turf", "sealed", "gravel", "dirt", "soft", "unkwn", "water"};
const char* const kLights[8] = {"no lts", "unkn1", "pc lts", "unkn3", "pt lts", "unkn5", "ft lts", "unkn7"};
const char kRunwayLetters[4] = {0, 'C', 'L', 'R'};
const char* const kVorClasses[8] = {"", "VOR", "DME", "TACAN", "VORDME", "VORTAC", "ILSDME", "unknown"};
const char* const kVorLevels[3] = {"Low", "High", "Term"};
const char* const kRoutePointTypes[5] = {"APT", "INT", "NDB", "VOR", "USR"};

ListingLine& Line() { return Manager().line; }

// A fixed-width field up to its first NUL.
std::string Field(const char* field, size_t width) { return std::string(field, strnlen(field, width)); }

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

int Put(int column, const std::string& text) { return Line().Append(column, text.c_str(), text.size()); }
int Put(int column, const char* text) { return Line().Append(column, text); }

// printf's "%*d" ("%0*d" with zeros) for the hot columns; returns the end.
char* PutInt(char* out, int32_t value, int width, bool zeros = false) {
    const bool negative = value < 0;
    const uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    if (!zeros)
        for (int i = DecimalDigitCount(magnitude) + negative; i < width; ++i) *out++ = ' ';
    if (negative) *out++ = '-';
    return PutNumber(out, magnitude, zeros ? width - negative : 0);
}

// printf's "%+.*d": the sign always, digits zero-padded to `digits`.
char* PutSigned(char* out, int32_t value, int digits) {
    *out++ = value < 0 ? '-' : '+';
    return PutNumber(out, value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value), digits);
}

// printf's "%0*x".
char* PutHex(char* out, uint32_t value, int width) {
    char digits[8];
    int count = 0;
    do {
        digits[count++] = "0123456789abcdef"[value & 15];
        value >>= 4;
    } while (value != 0);
    for (int i = count; i < width; ++i) *out++ = '0';
    while (count > 0) *out++ = digits[--count];
    return out;
}

// printf's "%-*s".
char* PutLeft(char* out, const char* text, int width) {
    const size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    out += length;
    for (int i = static_cast<int>(length); i < width; ++i) *out++ = ' ';
    return out;
}

int PutPiece(int column, const char* text, const char* end) {
    return Line().Append(column, text, static_cast<size_t>(end - text));
}

// "%3d.%02d" of a frequency in hundredths.
int PutHundredths(int column, int32_t value) {
    char text[32];
    char* end = PutInt(text, value / 100, 3);
    *end++ = '.';
    return PutPiece(column, text, PutInt(end, value % 100, 2, true));
}

int PutLatLon(int column, int32_t value, bool isLongitude) {
    char text[kLatLonTextSize];
    FormatLatLon(text, value, isLongitude, 1);
    return Put(column, text);
}

int PutCountryAfter(int column, int32_t country) { return Put(column + 1, GetCountryText(country)); }

// The record number from column 0 as "%4x" writes it.
void PutRecordNumber(int32_t number) {
    char digits[8];
    int count = 0;
    for (uint32_t rest = static_cast<uint32_t>(number); count == 0 || rest != 0; rest >>= 4)
        digits[count++] = "0123456789abcdef"[rest & 15];
    char text[8];
    const int width = std::max(count, 4);
    std::memset(text, ' ', static_cast<size_t>(width - count));
    for (int i = 0; i < count; ++i) text[width - 1 - i] = digits[i];
    Line().Append(0, text, static_cast<size_t>(width));
}

}  // namespace

std::string GetNameText(int32_t n) {
    if (n == 0 && !Manager().Legacy()) return "";
    if (n < 0) return "UNSET";
    dfNAMES& names = *KestraneDb().names;
    static IndexByName byNumber("nsno");
    byNumber.Select(names);
    names.nsno = n;
    if (names.Find() != 0) return "UNKNOWN";
    return Field(names.nname, sizeof names.nname);
}

std::string GetCountryText(int32_t n) {
    static int32_t held = INT32_MIN;    // the csno the object holds from the last lookup
    static int32_t missed = INT32_MIN;  // the csno the last lookup found no record for
    static const dfCOUNTRY* missedIn = nullptr;
    static std::string missedPath;
    dfCOUNTRY& country = *KestraneDb().country;
    // A miss stands while the open file's object still holds that failed search: a search for
    // another key moves csno, and an insert gives the object a current record.
    if (missed == n && missedIn == &country && country.csno == n && !country.HasCurrent() && country.IsOpen() &&
        country.Path() == missedPath)
        return "UNKNOWN-??";
    if (held != n || country.csno != n) {
        static IndexByName byNumber("csno");
        byNumber.Select(country);
        country.csno = n;
        if (country.Find() != 0) {
            held = INT32_MIN;
            if (country.IsOpen()) {
                missed = n;
                missedIn = &country;
                missedPath = country.Path();
            }
            return "UNKNOWN-??";
        }
        held = n;
    }
    missed = INT32_MIN;
    std::string name = Field(country.cname, sizeof country.cname);
    std::string id = Field(country.cid, sizeof country.cid);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    while (!id.empty() && id.back() == ' ') id.pop_back();
    return name + "-" + id;
}

void InsertBeforeLastTwo(std::string& text, char c) {
    text.insert(text.size() >= 2 ? text.size() - 2 : 0, 1, c);
}

int FormatNameColumn(int column, int32_t first, int32_t second, bool blank, bool vrp) {
    const int32_t shown = first < 0 ? second : first;
    std::string text = GetNameText(shown);
    if (blank) InsertBeforeLastTwo(text, ' ');
    column = Put(column, text);
    if (second == shown) return column;
    if (shown != 0) ++column;
    column = Put(column, "(");
    if (vrp) column = Put(column, "VRP ");
    column = Put(column, GetNameText(second));
    return Put(column, ")");
}

void FormatRecordStart(int32_t number, const char* ident, int32_t latitude, int32_t longitude) {
    PutRecordNumber(number);
    char text[9] = {};
    std::memcpy(text, ident, 8);
    DecodeIdentDigits(text);
    Put(5, text);
    PutLatLon(13, latitude, false);
    PutLatLon(25, longitude, true);
}

std::string FormatFuelLetters(int32_t afuel) {
    std::string letters;
    if (afuel & 16) letters += 'J';
    if (afuel & 4) letters += 'A';
    if (afuel & 8) letters += 'M';
    return letters;
}

std::string FormatRunwayNumber(const RunwayEntry& e, bool reciprocal) {
    int n = e.rw & 31;
    if (reciprocal) {
        n = (e.rw & 0x80) ? (e.rw >> 8) & 31 : e.rw & 31;
        if (n != 0) n += 18;
    }
    if (n == 0) return "..";
    char digits[4];
    std::string text(digits, PutNumber(digits, static_cast<uint32_t>(n), 2));
    if (e.rw & 0x10000) text += 'T';
    int letter = (e.rw >> 5) & 3;
    if (reciprocal && letter >= 2) letter ^= 1;  // L and R exchanged
    if (kRunwayLetters[letter]) text += kRunwayLetters[letter];
    return text;
}

std::string FormatRestriction(const uint8_t* s, size_t length, bool batchForm) {
    std::string text;
    if (length == 0) return text;
    // The list runs its pieces together with their own blanks; the batch form puts one blank
    // between items.
    auto add = [&](const std::string& listPiece, const std::string& batchPiece) {
        if (!batchForm) {
            text += listPiece;
            return;
        }
        if (!text.empty()) text += ' ';
        text += batchPiece;
    };
    const unsigned f = s[0];
    size_t p = 1;
    auto has = [&](size_t n) { return p + n <= length; };
    auto word = [&]() {
        const unsigned v = s[p] | (unsigned{s[p + 1]} << 8);
        p += 2;
        return v;
    };
    if ((f & 1) && has(2)) {
        const int b1 = (s[p] + ((f & 64) ? 256 : 0)) % 360;
        const int b2 = (s[p + 1] + ((f & 128) ? 256 : 0)) % 360;
        p += 2;
        add(Format("%03d-%03d ", b1, b2), Format("%03d-%03d", b1, b2));
    }
    if ((f & 4) && has(2)) {
        const unsigned v = word() - 5000u;
        add(Format("below %u ", v), Format("BELOW %u", v));
    }
    if ((f & 2) && has(2)) {
        const unsigned v = word() - 5000u;
        add(Format("above %u ", v), Format("ABOVE %u", v));
    }
    if ((f & 8) && has(3)) {
        char ident[5];
        // The restriction coder stores the packed ident with its first and third bytes exchanged.
        const uint8_t stored[3] = {s[p + 2], s[p + 1], s[p]};
        UnpackSixBitIdent(ident, batchForm ? stored : s + p);
        p += 3;
        // Three places, so that the reader's fourth character is a blank.
        add(Format(" remoteVOR %s ", ident), Format("REMOTEVOR %-3s", ident));
    }
    if (f & 32) add("UNK20 ", "UNK20");
    if ((f & 16) && has(1)) {
        const size_t bytes = std::min<size_t>(s[p] >> 1, length - p);
        char letters[128];
        const size_t room = batchForm ? sizeof letters : (text.size() < 127 ? 128 - text.size() : 1);
        UnpackLetterText(s + p, bytes, letters, room, 7);
        add(letters, letters);
    }
    return text;
}

const char* SurfaceWord(int code) { return kSurfaces[code & 7]; }
const char* LightingWord(int code) { return kLights[code & 7]; }
const char* VorClassWord(int code) { return kVorClasses[code & 7]; }
const char* VorLevelWord(int code) { return code >= 0 && code < 3 ? kVorLevels[code] : ""; }

std::string FormatIconText(int32_t icon) {
    const uint32_t code = static_cast<uint32_t>(icon) >> 8;
    const int display = icon & 0xFF;
    const char* name = SymbolName(code);
    if (!name) return Format("icon=0x%04x", code);
    const char* word = "";
    if (display == 0 || display == 1) word = "(Symb only)";
    else if (display == 4 || display == 5) word = "(Symb & Cmnt)";
    return Format("\"%s\" %s", name, word);
}

int32_t VorClassCode(int32_t vdme) {
    const int d = (vdme >> 8) & 0xFF;
    const int level = d & 3;
    int c;
    if ((vdme & 4) && (vdme & 0x2000)) c = 2;
    else if (vdme & 4) c = 4;
    else if ((d & 160) == 128) c = 5;
    else if ((d & 160) < 160) c = 1;
    else c = 3;
    return c * 32 + level * 8 + ((d & 64) ? 4 : 0);
}

int FreqTypeIndex(int code) {
    static const int kCodes[16] = {0, 5, 6, 7, 10, 11, 12, 62, 17, 18, 19, 20, 22, 23, 24, 25};
    for (int i = 0; i < 16; ++i) {
        if (kCodes[i] == code) return i;
    }
    return 7;
}

std::string FreqTypeWord(int32_t ftype, bool olderForm) {
    if (olderForm) return kLegacyFreqTypes[ftype & 15];
    const int index = (ftype >> 8) & 63;
    return index < 40 ? kFreqTypes[index] : Format("Type%d", index);
}

void FormatMaximumLine() {
    Line().Clear();
    Put(0, "       Maximum listable lines");
}

void FormatAirportLine() {
    const dfAPTS& a = *KestraneDb().apts;
    Line().Clear();
    FormatRecordStart(a.asno, a.aident, a.alat, a.along);
    char height[16];
    char* end = PutInt(height, a.aheight, 5);
    *end++ = '\'';
    PutPiece(38, height, end);
    Put(45, FormatFuelLetters(a.afuel));
    // The older form keeps the city's '@' mark in bit 8 and has no heliport bit.
    const bool olderForm = a.a212025 == -1;
    int column = FormatNameColumn(50, a.acity, a.afacil, (a.afuel & (olderForm ? 256 : 32)) != 0, false);
    const int kind = (a.afuel >> 6) & (olderForm ? 3 : 7);
    if (kind != 0) column = Put(column + 1, kind == 1 ? "[MIL]" : kind == 2 ? "[PRV]" : "[HEL]");
    if (a.a212025 != -1 && (a.autc & 63) != 31) {
        char utc[16] = "UTC";
        char* end = PutSigned(utc + 3, 12 - (a.autc & 31), 1);
        if (a.autc & 32) end = PutLeft(end, "+DST", 0);
        column = PutPiece(column + 1, utc, end);
    }
    PutCountryAfter(column, a.acountry);
}

void FormatAirportRow(int row) {
    const AirportChildren& c = AirportRows();
    const bool legacyDb = Manager().Legacy();
    Line().Clear();
    if (row < 1 || row > AirportChildren::kEntries) return;
    const FrequencyEntry& f = c.frequencies[row - 1];
    if (f.fsno != -1) {
        const bool olderForm = f.f431 == -1;
        Put(14, FreqTypeWord(f.ftype, olderForm));
        PutHundredths(22, f.freq);
        if (!legacyDb) {
            const int second = f.freq % 10;
            const bool five = second == 2 || second == 7 || (!olderForm && (f.f431 & 32));
            Put(28, five ? "5" : "0");
        }
        if (f.ftype & 128) Put(legacyDb ? 28 : 29, "*");
        if (f.restriction.size() > 1) {
            Put(20, "*");
            Put(30, FormatRestriction(f.restriction.data() + 1, f.restriction.size() - 1, false));
        } else if (!olderForm) {
            const int trx = (f.f431 >> 21) & 3;
            if (trx == 1) Put(30, "TX");
            else if (trx >= 2) Put(30, "RX");
        }
    }
    const RunwayEntry& r = c.runways[row - 1];
    if (r.rsno != -1) {
        if (r.rw != 0) {
            const std::string low = FormatRunwayNumber(r, false);
            int column = Put(low.size() >= 3 ? 50 : 51, low);
            column = Put(column, "-");
            Put(column, FormatRunwayNumber(r, true));
        } else {
            Put(50, " ..-.. ");
        }
        const char* surface = kSurfaces[r.rsl & 7];
        const char* lights = kLights[(r.rsl >> 3) & 7];
        char size[64];
        char* end = PutInt(size, r.rlen, 5);
        if (r.rwidth != 0) {
            *end++ = 'x';
            end = PutInt(end, r.rwidth, 3);
        }
        *end++ = '\'';
        *end++ = ' ';
        end = PutLeft(end, surface, 6);
        *end++ = ' ';
        PutPiece(58, size, PutLeft(end, lights, 6));
        const bool bytes = Manager().pictureBytes;
        std::string picture;
        if (r.rflags < 0) {
            if (r.rpic != 0) {
                char text[16];
                picture = bytes ? std::string(text, PutHex(text, static_cast<uint32_t>(r.rpic), 8)) : "p";
            }
        } else {
            // "%02x %04x %08x" or "%02x %08x %08x"
            auto hex = [&r] {
                char text[32];
                char* end = PutHex(text, static_cast<uint32_t>(r.rflags & 255), 2);
                *end++ = ' ';
                end = r.rpicfl < 0 ? PutHex(end, static_cast<uint32_t>(r.rpicst), 4)
                                   : PutHex(end, static_cast<uint32_t>(r.rnpic), 8);
                *end++ = ' ';
                end = PutHex(end, static_cast<uint32_t>(r.rpicfl < 0 ? r.rpic : r.rnpic2), 8);
                return std::string(text, end);
            };
            if (r.rpicst != 0 || r.rpic != 0) {
                if (bytes) picture = hex();
                else if (r.rpic & 128)
                    picture = Format("%c-%c", (r.rpic & 64) ? 'L' : 'R', (r.rpic & 0x40000000) ? 'L' : 'R');
            } else {
                picture = bytes ? hex() : "b";
            }
        }
        if (!picture.empty()) Put(83, "(" + picture + ")");
    }
}

void FormatIntLine() {
    const dfINTS& i = *KestraneDb().ints;
    Line().Clear();
    FormatRecordStart(i.isno, i.iident, i.ilat, i.ilong);
    int column = 38;
    if (i.iflags != -1) column = FormatNameColumn(39, i.iname, i.iparent, false, (i.iflags & 256) != 0);
    PutCountryAfter(column, i.icountry);
}

void FormatNdbLine() {
    const dfNDBS& b = *KestraneDb().ndbs;
    Line().Clear();
    FormatRecordStart(b.bsno, b.bident, b.blat, b.blong);
    char frequency[kFrequencyTextSize];
    FormatFrequency(frequency, b.bfreq, 10);
    Put(39, frequency);
    if (b.bcompat & 4) Put(45, "L");
    const int column = FormatNameColumn(48, b.bcity, b.bfacil, (b.bcompat & 1) != 0, false);
    PutCountryAfter(column, b.bcountry);
}

void FormatVorLine() {
    const dfVORS& v = *KestraneDb().vors;
    Line().Clear();
    FormatRecordStart(v.vsno, v.vident, v.vlat, v.vlong);
    PutHundredths(39, v.vfreq);
    const bool form696 = v.v221817 != -1;
    if (form696) {
        if (v.vtr & 4) Put(46, "WX");
        Put(49, kVorClasses[(v.vtr >> 5) & 7]);
        const int level = (v.vtr >> 3) & 3;
        if (level < 3) Put(56, kVorLevels[level]);
    } else {
        const int d = (v.vdme >> 8) & 0xFF;
        if (d & 64) Put(46, "WX");
        const char* c;
        if (v.vdme & 4) c = (d & 32) ? "DME" : "VORDME";
        else if ((d & 160) == 128) c = "VORTAC";
        else if ((d & 160) < 160) c = "VOR";
        else c = "TACAN";
        Put(49, c);
        if ((d & 3) < 3) Put(56, kVorLevels[d & 3]);
    }
    int column = FormatNameColumn(61, v.vcity, v.vfacil, (v.vdme & 1) != 0, false);
    if (form696) {
        char mag[16] = "[";
        char* end = PutSigned(mag + 1, static_cast<int8_t>(v.vmag & 0xFF), 2);
        *end++ = ']';
        column = PutPiece(column + 1, mag, end);
    }
    PutCountryAfter(column, v.vcountry);
}

void FormatUsrLine() {
    const dfUSR& u = *KestraneDb().usr;
    Line().Clear();
    FormatRecordStart(u.usno, u.uident, u.ulat, u.ulong);
    int column = Put(38, Field(u.uname, sizeof u.uname));
    column = column >= 60 ? column + 1 : 60;
    if (u.uident[0] != '\0' && Manager().icons) {
        Put(column, FormatIconText(u.uicon));
    } else if (u.utime >= 0) {
        char text[kUnitTimeTextSize];
        FormatUnitTime(text, u.utime);
        Put(column, text);
    }
}

void FormatRteLine() {
    const dfRTE& r = *KestraneDb().rte;
    Line().Clear();
    PutRecordNumber(r.rtsno);
    const std::string name1 = Field(r.rtname1, sizeof r.rtname1);
    if (r.rtorder == 0) {
        Line().Format(5, "Route #%d %s", r.rtno, name1.c_str());
        return;
    }
    Line().Format(6, "%02d", r.rtorder);
    if (r.rtorder > 1) Line().Format(9, "%03d/%d", r.rtbearing, r.rtrange);
    if (r.rttype >= 0 && r.rttype <= 4) Put(19, kRoutePointTypes[r.rttype]);
    Put(24, Field(r.rtident, sizeof r.rtident));
    PutLatLon(32, r.rtlat, false);
    PutLatLon(44, r.rtlong, true);
    int column;
    if (r.rttype >= 4) {
        column = Put(57, name1);
    } else {
        const std::string name2 = Field(r.rtname2, sizeof r.rtname2);
        const size_t at = name2.find('@');
        const std::string before = name2.substr(0, at);
        column = Put(57, before);
        if (at != std::string::npos) column = Put(column + 1, name2.substr(at + 1, 2));
        if (name1 != before) column = Put(column + 1, "(" + name1 + ")");
    }
    Put(column >= 85 ? column + 1 : 85, Field(r.rtcnt, sizeof r.rtcnt));
}

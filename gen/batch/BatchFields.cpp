#include "gen/batch/BatchFields.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/CLocale.h"
#include "common/CoordinateParse.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/image/RunwayPicture.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// A text of 1 to 8 hexadecimal digits.
bool ReadHex(std::string_view text, int32_t* out) {
    if (text.empty() || text.size() > 8) return false;
    uint32_t v = 0;
    for (char c : text) {
        if (!IsHexDigit(c)) return false;
        v = v * 16 + static_cast<uint32_t>(IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    *out = static_cast<int32_t>(v);
    return true;
}

// Three hexadecimal numbers separated by single blanks at the given positions.
bool ReadHexTriple(std::string_view text, size_t blank1, size_t blank2, int32_t* a, int32_t* b, int32_t* c) {
    if (text[blank1] != ' ' || text[blank2] != ' ') return false;
    return ReadHex(text.substr(0, blank1), a) && ReadHex(text.substr(blank1 + 1, blank2 - blank1 - 1), b) &&
           ReadHex(text.substr(blank2 + 1), c);
}

const char* const kFrequencyTypes[] = {"ATIS", "TAXI", "CLRNCE", "GROUND", "TOWER", "UNICOM", "MULTI", "OTHER",
                                       "DEP",  "APP",  "ARRIVL", "CLS B",  "TMA",   "CTA",    "CLS C", "TRSA"};
const char* const kSurfaces[] = {"hard", "turf", "sealed", "gravel", "dirt", "soft", "unkwn", "water"};
struct Lighting {
    const char* word;
    int code;
};
const Lighting kLightings[] = {{"no lts", 0}, {"pc lts", 2}, {"pt lts", 4}, {"ft lts", 6}};

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// A runway end's offset from the airport in the threshold word: latitude and longitude
// differences in units of 128 in the high and low 16 bits.
int32_t ThresholdWord(int32_t airportLat, int32_t airportLon, int32_t lat, int32_t lon) {
    auto dLat = static_cast<int32_t>(static_cast<uint32_t>(airportLat) - static_cast<uint32_t>(lat));
    auto dLon = static_cast<int32_t>(static_cast<uint32_t>(airportLon) - static_cast<uint32_t>(lon));
    uint32_t high = static_cast<uint32_t>(dLat >> 7) << 16;
    uint32_t low = static_cast<uint32_t>(dLon >> 7) & 0xFFFF;
    return static_cast<int32_t>(high | low);
}

}  // namespace

// ---- Numbers -------------------------------------------------------------------------------

int32_t LeadingInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int64_t v = 0;
    while (i < text.size() && IsDigit(text[i])) {
        v = v * 10 + (text[i++] - '0');
        if (v > INT32_MAX) v = INT32_MAX;
    }
    return static_cast<int32_t>(negative ? -v : v);
}

bool ScaledDecimal(std::string_view text, int scale, int32_t* out) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    double value = 0;
    if (ParseDoubleC(text.substr(i), &value) == 0 || !std::isfinite(value)) return false;
    double scaled = std::trunc(value * scale + 0.1);
    if (scaled < INT32_MIN || scaled > INT32_MAX) return false;
    *out = static_cast<int32_t>(scaled);
    return true;
}

// ---- Positions -----------------------------------------------------------------------------

size_t BatchPositionWidth(BatchType type) { return type >= kBatchUsr ? 26 : 21; }

int BatchPositionBits(BatchType type) { return type >= kBatchUsr ? 26 : 21; }

int ParseBatchPosition(std::string_view text, int32_t* angle, bool isLongitude, BatchType type) {
    const int error = isLongitude ? kBatchErrLng : kBatchErrLat;
    if (text.size() > BatchPositionWidth(type)) return error;
    char buffer[32];
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    CoordinateParseStatus status;
    ParseCoordinate(buffer, angle, BatchPositionBits(type), isLongitude, status);
    return status.error != 0 ? error : 0;
}

// ---- Country -------------------------------------------------------------------------------

std::string CountryIdOf(std::string_view text) {
    std::string_view id;
    size_t lastDash = text.rfind('-');
    if (lastDash != std::string_view::npos && text.size() - lastDash - 1 >= 1 && text.size() - lastDash - 1 <= 2) {
        id = text.substr(lastDash + 1);
    } else {
        id = text.substr(0, text.find_first_of("- "));
    }
    return std::string(id.substr(0, 4));
}

std::string AddedCountryId(std::string_view text) {
    std::string_view id = text.substr(0, 2);
    if (id.size() == 2 && id[1] == ' ') id = id.substr(0, 1);
    return std::string(id);
}

bool CanAddCountry(std::string_view text) {
    if (text.size() < 4 || (text[2] != ' ' && text[2] != '-')) return false;
    const std::string id = AddedCountryId(text);
    return !id.empty() && id[0] != ' ' && CountryIdOf(text) == id;
}

int32_t FindCountryId(std::string_view text) {
    std::string id = CountryIdOf(text);
    CountryRecord buf{};
    std::memcpy(buf.cid, id.data(), id.size());
    BatchUseFile<CountryRecord>();
    dbif_index<CountryRecord>("cid");
    return dbif_find(buf) ? buf.csno : -1;
}

// ---- Names ---------------------------------------------------------------------------------

bool IsUnsetName(std::string_view text) { return text.empty() || text == "<UNSET>" || text == "UNSET"; }

std::string BatchNameText(std::string_view text) {
    char name[32];
    std::string cut(text.substr(0, 31));
    SetRecText(name, cut.c_str(), 32);
    return name;
}

int32_t FindNameNumber(std::string_view text) {
    if (IsUnsetName(text)) return kNameUnset;
    NameRecord buf{};
    std::string name = BatchNameText(text);
    std::memcpy(buf.nname, name.data(), name.size());
    BatchUseFile<NameRecord>();
    dbif_index<NameRecord>("nname");
    return dbif_find(buf) ? buf.nsno : kNameAbsent;
}

// ---- Frequency type ------------------------------------------------------------------------

int ParseFrequencyType(const BatchLine& line) {
    const std::string& word = line.Field(5);
    int type = kBadFrequencyType;
    for (int i = 0; i < 16; ++i) {
        if (word == kFrequencyTypes[i]) {
            type = i;
            break;
        }
    }
    if (type == kBadFrequencyType) return kBadFrequencyType;
    if (line.count < 7 || line.Field(7).compare(0, 2, "R:") == 0) return type;
    return line.Field(7) == "M" ? type | 128 : kBadFrequencyType;
}

// ---- Runway --------------------------------------------------------------------------------

int ParseRunwayDesignator(std::string_view text, int32_t* code, bool trueLetter) {
    int32_t number = 0;
    size_t i = 0;
    while (i < text.size() && IsDigit(text[i]) && i < 6) number = number * 10 + (text[i++] - '0');
    const bool folded = number > 18;
    if (folded) number -= 18;
    if (number > 18) return kBatchErrRwy;
    int32_t value = number;
    if (text.compare(0, 2, "..") != 0) {
        if (text.size() < 2 || !IsDigit(text[0]) || !IsDigit(text[1])) return kBatchErrRwy;
        char letter = text.size() > 2 ? text[2] : '\0';
        if (letter == 'C') value += 32;
        if (letter == 'L') value += folded ? 96 : 64;
        if (letter == 'R') value += folded ? 64 : 96;
        if (letter == 'T' && trueLetter) value += 0x10000;
    }
    size_t dash = text.find('-');
    if (dash != std::string_view::npos && dash + 1 < text.size() && IsDigit(text[dash + 1])) {
        int32_t other = 0;
        for (size_t k = dash + 1; k < text.size() && IsDigit(text[k]) && k < dash + 7; ++k)
            other = other * 10 + (text[k] - '0');
        other -= 18;
        if (other != value) {
            value |= 128;
            if (other >= 0) value += other << 8;
        }
    }
    *code = value;
    return 0;
}

namespace {

int DefaultSurface(const std::string& word) {
    for (int i = 0; i < 8; ++i) {
        if (word == kSurfaces[i]) return i;
    }
    return -1;
}

int DefaultLighting(const std::string& word) {
    for (const Lighting& l : kLightings) {
        if (word == l.word) return l.code * 8;
    }
    return -1;
}

}  // namespace

const RunwayFieldRules& DefaultRunwayFieldRules() {
    static const RunwayFieldRules rules{DefaultSurface, DefaultLighting, true};
    return rules;
}

int ParseRunwayFields(const BatchLine& line, int32_t airportLat, int32_t airportLon, RunwayFields* out) {
    return ParseRunwayFields(line, airportLat, airportLon, DefaultRunwayFieldRules(), out);
}

int ParseRunwayFields(const BatchLine& line, int32_t airportLat, int32_t airportLon, const RunwayFieldRules& rules,
                      RunwayFields* out) {
    RunwayFields f;
    const std::string& size = line.Field(5);
    f.length = LeadingInteger(size);
    size_t x = size.find('X');
    f.width = x == std::string::npos ? 0 : LeadingInteger(std::string_view(size).substr(x + 1));

    const int surfaceBits = rules.surface(Lower(line.Field(7)));
    if (surfaceBits < 0) return kBatchErrSfc;
    const int lightingBits = rules.lighting(Lower(line.Field(8)));
    if (lightingBits < 0) return kBatchErrLit;
    f.rsl = surfaceBits + lightingBits;

    std::string_view rest = line.Field(9);
    if (!rest.empty() && rest[0] == '<') {
        if (rest.size() < 5 || rest[2] != '-' || rest[4] != '>') return kBatchBadPicture;
        f.hasMarker = true;
        if (rest[1] == 'L') f.marker |= 1;
        if (rest[3] == 'L') f.marker |= 2;
        rest.remove_prefix(5);
        if (!rest.empty() && rest[0] == ' ') rest.remove_prefix(1);
    }

    if (line.count == 13) {
        if (!ReadHex(rest, &f.rflags)) return kBatchBadPicture;
        int32_t lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
        if (int r = ParseBatchPosition(line.Field(10), &lat1, false, kBatchRwy)) return r;
        if (int r = ParseBatchPosition(line.Field(11), &lon1, true, kBatchRwy)) return r;
        if (int r = ParseBatchPosition(line.Field(12), &lat2, false, kBatchRwy)) return r;
        if (int r = ParseBatchPosition(line.Field(13), &lon2, true, kBatchRwy)) return r;
        f.rnpic = ThresholdWord(airportLat, airportLon, lat1, lon1);
        f.rnpic2 = ThresholdWord(airportLat, airportLon, lat2, lon2);
        f.picture = RunwayFields::Picture::Ends;
    } else if (rest.empty()) {
        f.picture = RunwayFields::Picture::None;
    } else if (rest.size() == 20 && rest[2] == ' ' && rest[11] == ' ') {
        if (!ReadHexTriple(rest, 2, 11, &f.rflags, &f.rnpic, &f.rnpic2)) return kBatchBadPicture;
        f.picture = RunwayFields::Picture::Ends;
    } else if (rest.size() == 16 && rest[2] == ' ' && rest[7] == ' ') {
        if (!ReadHexTriple(rest, 2, 7, &f.rflags, &f.rpicst, &f.rpic)) return kBatchBadPicture;
        f.picture = RunwayFields::Picture::Words;
    } else if (rest == "0") {
        f.rflags = -1;
        f.picture = RunwayFields::Picture::Cleared;
    } else {
        return kBatchBadPicture;
    }
    // A flags byte "ff" is the journal's form of no bearing (-1): bearings are 0-185.
    if (f.rflags == 0xFF && rules.ffIsNoFlags) f.rflags = -1;
    if (f.picture == RunwayFields::Picture::Ends) {
        RunwayPicture p = PackRunwayPicture(static_cast<uint32_t>(f.marker), f.rnpic, f.rnpic2);
        f.rpicst = p.start;
        f.rpic = static_cast<int32_t>(p.picture);
    }
    if (f.rpicst != 0 || f.rpic != 0 || f.rnpic != 0 || f.rnpic2 != 0) f.rsl |= 64;
    *out = f;
    return 0;
}

// ---- Ident ---------------------------------------------------------------------------------

char FindBadIdentChar(std::string_view ident, BatchType type) {
    for (char c : ident) {
        auto u = static_cast<unsigned char>(c);
        if ((u >= 65 && u <= 122) || IsDigit(c)) continue;
        if (c == '-' && type >= kBatchUsr) continue;
        return c == '\0' ? ' ' : c;
    }
    return 0;
}

int FindIntOfCountry(std::string_view ident, int32_t csno, IntRecord* found) {
    IntRecord buf{};
    std::memcpy(buf.iident, ident.data(), std::min<size_t>(ident.size(), 7));
    char key[8];
    std::memcpy(key, buf.iident, sizeof key);
    BatchUseFile<IntRecord>();
    dbif_index<IntRecord>("iident");
    if (!dbif_find(buf)) return kBatchAbs;
    do {
        if (std::strncmp(buf.iident, key, sizeof key) != 0) break;
        if (buf.icountry == csno) {
            *found = buf;
            return 0;
        }
    } while (dbif_next(buf));
    return kBatchAbs;
}

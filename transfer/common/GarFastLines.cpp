#include "transfer/common/GarFastLines.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string_view>

#include "common/CoordinateFormat.h"
#include "transfer/common/GarLine.h"
#include "transfer/common/GarRecordFormat.h"
#include "transfer/common/GarTables.h"

namespace {

constexpr int kWidth = GarLine::kWidth;

// Where a track point's fields lie: the record reaches `minSize` bytes; no altitude where its
// column is negative.
struct TrackColumns {
    int minSize;
    int altitude;
    int time;
    int startByte;
    int start;
};
constexpr TrackColumns kOlderTrack{13, -1, 34, 12, 56};
constexpr TrackColumns kNewerTrack{21, 34, 46, 20, 68};

// Texts of the parts of a coordinate: "%2d" minutes, ".%03d" thousandths, "%03d" degrees.
struct CoordinateParts {
    char minutes[60][2];
    char thousandths[1000][4];
    char degrees[181][4];
};

constexpr CoordinateParts MakeCoordinateParts() {
    CoordinateParts t{};
    for (int m = 0; m < 60; ++m) {
        t.minutes[m][0] = m < 10 ? ' ' : static_cast<char>('0' + m / 10);
        t.minutes[m][1] = static_cast<char>('0' + m % 10);
    }
    for (int f = 0; f < 1000; ++f) {
        t.thousandths[f][0] = '.';
        t.thousandths[f][1] = static_cast<char>('0' + f / 100);
        t.thousandths[f][2] = static_cast<char>('0' + f / 10 % 10);
        t.thousandths[f][3] = static_cast<char>('0' + f % 10);
    }
    for (int d = 0; d <= 180; ++d) {
        t.degrees[d][0] = static_cast<char>('0' + d / 100);
        t.degrees[d][1] = static_cast<char>('0' + d / 10 % 10);
        t.degrees[d][2] = static_cast<char>('0' + d % 10);
        t.degrees[d][3] = '\xB0';
    }
    return t;
}

constexpr CoordinateParts kParts = MakeCoordinateParts();

// The text PutLatLonText writes, from tables; null for a latitude of 100 degrees or more. The
// thousandths of a minute are rounded once, as the value's 26 bits times 45 * 60000 in 2^-23
// (half to even, as printf), and split into degrees, minutes and thousandths. Inlined where it
// is written, latitude or longitude.
[[gnu::always_inline]] inline char* PutCoordinate(char* out, int32_t semicircles, bool latitude) {
    const int64_t units = semicircles >> 6;
    const bool negative = units < 0;
    const uint64_t product = static_cast<uint64_t>(negative ? -units : units) * (45 * 60000);
    const uint64_t rest = product & ((uint64_t{1} << kFixedPointBits) - 1);
    constexpr uint64_t kHalf = uint64_t{1} << (kFixedPointBits - 1);
    uint32_t total = static_cast<uint32_t>(product >> kFixedPointBits);
    // Half to even: a tie goes up from an odd total only.
    total += rest + (total & 1) > kHalf ? 1 : 0;
    const uint32_t degrees = total / 60000;
    const uint32_t allMinutes = total / 1000;
    const uint32_t minutes = allMinutes - degrees * 60;
    const uint32_t thousandths = total - allMinutes * 1000;
    // A latitude of 100 degrees or more is no latitude: left to the general writers.
    if (latitude && degrees >= 100) return nullptr;
    std::memcpy(out + 1, kParts.degrees[degrees], 4);
    if (latitude) {
        out[0] = negative ? 'S' : 'N';
        out[1] = ' ';
    } else {
        out[0] = negative || degrees == 180 ? 'W' : 'E';
    }
    std::memcpy(out + 5, kParts.minutes[minutes], 2);
    std::memcpy(out + 7, kParts.thousandths[thousandths], 4);
    return out + 11;
}

// Metres in the feet FeetOfMetres gives, in integers: metres * 3281 is exact in a double (24 and
// 12 bits) and its quotient by 1000 lies too far from a whole number for the division's rounding
// to carry it across one, so the whole feet are the exact quotient's: the float's mantissa times
// 3281, scaled by its exponent, divided by 1000. Beyond 2^26 metres (and not a number) the
// division is done.
bool FeetOf(float metres, long& shown) {
    uint32_t bits;
    std::memcpy(&bits, &metres, sizeof bits);
    const int exponent = static_cast<int>(bits >> 23 & 0xFF);
    if (exponent >= 127 + 26) return FeetOfMetres(metres, shown);
    // metres = mantissa * 2^-shift
    const uint64_t mantissa = (bits & 0x7FFFFF) | (exponent != 0 ? 0x800000 : 0);
    const int shift = 150 - (exponent != 0 ? exponent : 1);
    const uint64_t scaled = mantissa * 3281;
    const uint64_t whole = shift >= 64 ? 0 : shift >= 0 ? scaled >> shift : scaled << -shift;
    const uint64_t tens = whole / 10000;
    // Rounded to tens as TensOfFeet rounds: up from a last digit of 5, but below zero.
    const bool negative = (bits >> 31) != 0;
    const uint64_t rounded = tens + (!negative && whole / 1000 - tens * 10 >= 5 ? 1 : 0);
    shown = negative ? -static_cast<long>(rounded * 10) : static_cast<long>(rounded * 10);
    return true;
}

char* Put(char* out, std::string_view text) {
    CopyShortBytes(out, text.data(), text.size());
    return out + text.size();
}

// " (class)     " of a waypoint class, from a table of the named classes and "unknown".
std::string_view WaypointClassText(int waypointClass) {
    constexpr int kNamed = 8;
    struct Texts {
        char text[kNamed + 1][24];
        size_t length[kNamed + 1];
    };
    static const Texts texts = [] {
        Texts t{};
        for (int c = 0; c <= kNamed; ++c) {
            char* p = Put(t.text[c], " (");
            p = Put(p, WaypointClassName(c < kNamed ? c : -1, true));
            t.length[c] = static_cast<size_t>(Put(p, ")     ") - t.text[c]);
        }
        return t;
    }();
    const int slot = waypointClass >= 0 && waypointClass < kNamed ? waypointClass : kNamed;
    return std::string_view(texts.text[slot], texts.length[slot]);
}

// "%d" of a value that is not negative: below 10000 in digit pairs.
char* PutDecimal(char* out, uint32_t value) {
    if (value >= 10000) {
        char* const end = out + DecimalDigitCount(value);
        PutDigitsBackwards(end, value);
        return end;
    }
    if (value >= 100) {
        const uint32_t high = value / 100;
        if (high >= 10) {
            out = PutTwoDigits(out, high);
        } else {
            *out++ = static_cast<char>('0' + high);
        }
        return PutTwoDigits(out, value - high * 100);
    }
    if (value >= 10) return PutTwoDigits(out, value);
    *out = static_cast<char>('0' + value);
    return out + 1;
}

// Feet (a multiple of ten) as "%d ft": the tens, then "0 ft".
char* PutFeet(char* out, long feet) {
    if (feet < 0) *out++ = '-';
    // FeetOfMetres keeps them within 32 bits.
    const uint32_t tens = static_cast<uint32_t>(feet < 0 ? -feet : feet) / 10;
    if (tens != 0) out = PutDecimal(out, tens);
    std::memcpy(out, "0 ft", 4);
    return out + 4;
}

// The line's text, copied over the old text where the length stays, as the lines of a listing
// mostly keep theirs.
void CopyLine(std::string& out, const char* line, size_t length) {
    if (out.size() != length) out.resize(length);
    CopyShortBytes(out.data(), line, length);
}

// The end of the text from `line` to `end` without its trailing blanks.
char* Trimmed(char* line, char* end) {
    while (end > line && end[-1] == ' ') --end;
    return end;
}

}  // namespace

char* GarFastLines::Write(const GarRecord& record, bool newer, int number, int lines, char* out) {
    switch (record.id) {
        case kGarTrackPoint: {
            const int length = lines == 1 ? TrackLine(record, newer, number) : -1;
            if (length < 0) return nullptr;
            CopyShortBytes(out, track_, static_cast<size_t>(length));
            return EndLine(out + length, 0);
        }
        // A proximity waypoint's distance goes through printf: those stay with the general writers.
        case kGarRouteWaypoint:
        case kGarUserWaypoint:
            return newer && lines == 4 ? Waypoint(record, number, out) : nullptr;
        default:
            return nullptr;
    }
}

bool GarFastLines::Format(const GarRecord& record, bool newer, int number, std::vector<std::string>& lines) {
    if (record.id == kGarTrackPoint) {
        // Copied from the kept line, as Write does.
        const int length = lines.size() == 1 ? TrackLine(record, newer, number) : -1;
        if (length < 0) return false;
        CopyLine(lines[0], track_, static_cast<size_t>(length));
        return true;
    }
    char text[kRecordRoom];
    if (lines.size() > std::size(lineEnds_) || !Write(record, newer, number, static_cast<int>(lines.size()), text)) return false;
    const char* start = text;
    for (size_t s = 0; s < lines.size(); ++s) {
        CopyLine(lines[s], start, static_cast<size_t>(lineEnds_[s] - start));
        start = lineEnds_[s] + 2;
    }
    return true;
}

int GarFastLines::TrackLine(const GarRecord& r, bool newer, int number) {
    const TrackColumns& c = newer ? kNewerTrack : kOlderTrack;
    // The number ends before the latitude's column.
    if (r.size < c.minSize || number < 0 || number > 99999) return -1;
    char* const line = track_;
    if (!trackKept_ || trackNewer_ != newer) {
        // Every field is written anew.
        std::memset(line, ' ', kLineRoom);
        trackNumber_ = -2;
        trackLatitude_ = ~r.S32(0);
        trackLongitude_ = ~r.S32(4);
        trackTime_ = ~r.S32(8);
        trackMetres_ = ~r.U32(12);
        trackStart_ = false;
        altitudeEnd_ = 0;
        timeLength_ = 0;
        trackNewer_ = newer;
    }
    // Until the line is whole again it shows nothing known.
    trackKept_ = false;

    // "%4d:": the next number counts up in the digits already there.
    if (number != trackNumber_) {
        char* const last = line + (number < 10000 ? 3 : 4);
        if (number == trackNumber_ + 1 && number != 10000) {
            char* p = last;
            while (*p == '9') *p-- = '0';
            *p = *p == ' ' ? '1' : static_cast<char>(*p + 1);
        } else {
            std::memcpy(line, "      ", 6);
            PutDigitsBackwards(last + 1, static_cast<uint32_t>(number));
            last[1] = ':';
        }
        trackNumber_ = number;
    }
    if (const int32_t latitude = r.S32(0); latitude != trackLatitude_) {
        if (!PutCoordinate(line + 7, latitude, true)) return -1;
        trackLatitude_ = latitude;
    }
    if (const int32_t longitude = r.S32(4); longitude != trackLongitude_) {
        PutCoordinate(line + 20, longitude, false);
        trackLongitude_ = longitude;
    }
    if (const uint32_t metres = r.U32(12); c.altitude >= 0 && metres != trackMetres_) {
        std::memcpy(line + c.altitude, "            ", 12);
        altitudeEnd_ = 0;
        long feet;
        if (FeetOf(r.F32(12), feet)) {
            // Feet that would reach the time's column are left to the general writers.
            if (feet < -99999999 || feet > 999999999) return -1;
            altitudeEnd_ = static_cast<int>(PutFeet(line + c.altitude, feet) - line);
        }
        trackMetres_ = metres;
    }
    if (const int32_t time = r.S32(8); time != trackTime_) {
        const uint32_t minute = static_cast<uint32_t>(time) / 60;
        if (time > 0 && trackTime_ > 0 && minute == static_cast<uint32_t>(trackTime_) / 60) {
            // The same minute: the seconds alone.
            PutTwoDigits(line + c.time + 6, static_cast<uint32_t>(time) - minute * 60);
        } else {
            std::memcpy(line + c.time, "                     ", 21);
            timeLength_ = static_cast<int>(PutUnitTime(line + c.time, time) - (line + c.time));
        }
        trackTime_ = time;
    }
    if (const bool start = r.data[c.startByte] != 0; start != trackStart_) {
        std::memcpy(line + c.start, start ? "Start" : "     ", 5);
        trackStart_ = start;
    }
    trackKept_ = true;
    // The time's text ends with a blank, the line does not.
    return trackStart_        ? c.start + 5
           : timeLength_ != 0 ? c.time + timeLength_ - 1
           : altitudeEnd_ != 0 ? altitudeEnd_
                               : 31;
}

void GarFastLines::HeightText(uint32_t metres) {
    if (heightLength_ != 0 && metres == heightMetres_) return;
    heightMetres_ = metres;
    float value;
    std::memcpy(&value, &metres, sizeof value);
    char* p = Put(heightText_, "Height:");
    if (long feet; FeetOf(value, feet)) p = PutFeet(p, feet);
    heightLength_ = static_cast<int>(Put(p, ", ") - heightText_);
}

void GarFastLines::SymbolText(int symbol, int display) {
    if (symbol == symbol_ && display == display_) return;
    symbol_ = symbol;
    display_ = display;
    symbolLength_ = 0;
    if (const char* name = GarSymbolName(symbol)) {
        char* p = Put(symbolText_, "Icon= \"");
        p = Put(p, name);
        p = Put(p, "\" ");
        p = Put(p, SymbolDisplayText(display, true));
        symbolLength_ = static_cast<int>(p - symbolText_);
    }
}

char* GarFastLines::Waypoint(const GarRecord& r, int number, char* out) {
    if (number < 0) return nullptr;
    const NewerWaypointLayout w = NewerWaypointLayoutOf(r);
    const int cls = w.waypointClass;
    int position = w.strings;
    std::string_view strings[4];
    r.StringsAt(position, strings, 4);
    const std::string_view ident = strings[0];
    const std::string_view comment = strings[1].substr(0, 32);
    const std::string_view facility = strings[2].substr(0, 30);
    const std::string_view cityName = strings[3];

    char* line = EndLine(out, 0);

    // "Waypoint n (class)     ident", cut at the line's end.
    char* p = Put(line, "Waypoint ");
    p = PutDecimal(p, static_cast<uint32_t>(number));
    p = Put(p, WaypointClassText(cls));
    p = Put(p, ident);
    line = EndLine(Trimmed(line, std::min(p, line + kWidth)), 1);

    // Latitude, comment or facility, symbol.
    std::memset(line, ' ', GarFastLines::kLineRoom);
    char* end = line;
    if (r.Reaches(27)) {
        end = PutCoordinate(line + 8, r.S32(24), true);
        if (!end) end = PutLatLonText(line + 8, r.S32(24), true);
    }
    const std::string_view name = cls == kClassUsr ? comment : cls != kClassInt ? facility : std::string_view();
    if (!name.empty()) end = Put(line + 22, name);
    if (r.Reaches(5)) {
        SymbolText(r.U16(4), r.data[2]);
        if (symbolLength_ != 0) end = Put(line + 55, std::string_view(symbolText_, static_cast<size_t>(symbolLength_)));
    }
    line = EndLine(Trimmed(line, end), 2);

    // Longitude, city and state, height, country or time.
    std::memset(line, ' ', GarFastLines::kLineRoom);
    end = line;
    if (r.Reaches(31)) end = PutCoordinate(line + 8, r.S32(28), false);
    if (cls != kClassInt && cls != kClassUsr) {
        // The city, with the state's two characters after it, in 24 columns.
        constexpr size_t kCityWidth = 24;
        const std::string_view city = cityName.substr(0, kCityWidth);
        char* const cityEnd = Put(line + 22, city);
        if (!city.empty()) end = cityEnd;
        if (r.Reaches(45) && std::isalnum(r.data[44])) {
            // " (st)" written in place, its end cut off where it passes the 24 columns: made on the
            // stack and copied, the copy's read would wait for the bytes just stored there.
            cityEnd[0] = ' ';
            cityEnd[1] = '(';
            cityEnd[2] = static_cast<char>(r.data[44]);
            cityEnd[3] = static_cast<char>(r.data[45]);
            cityEnd[4] = ')';
            const size_t shown = std::min<size_t>(5, kCityWidth - city.size());
            std::memset(cityEnd + shown, ' ', 5 - shown);
            end = cityEnd + shown;
        }
    }
    char* column = line + 55;
    if (r.Reaches(35) && r.F32(32) != 1.0e25f) {
        HeightText(r.U32(32));
        column = Put(column, std::string_view(heightText_, static_cast<size_t>(heightLength_)));
        end = column;
    }
    if (cls != kClassUsr) {
        column = Put(column, "Country:");
        end = column;
        if (r.Reaches(47)) {
            for (int i = 46; i <= 47; ++i) {
                const uint8_t c = r.data[i];
                if (c == 0 || c == '_') break;
                if (c < 32) *column++ = '^';
                *column++ = static_cast<char>(c < 32 ? c + 0x30 : c);
            }
            end = column;
        }
    } else if (w.layout == 0x80 && r.Reaches(59)) {
        char* const timeEnd = PutUnitTime(column, r.S32(56));
        if (timeEnd != column) end = timeEnd;
    }
    return EndLine(Trimmed(line, end), 3);
}

#include "transfer/common/GarFastLines.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "common/CoordinateFormat.h"
#include "transfer/common/GarLine.h"
#include "transfer/common/GarRecordFormat.h"
#include "transfer/common/GarTables.h"

namespace {

constexpr int kWidth = GarLine::kWidth;
// Lines are made blank this far at once; the fields of the fixed layouts end before it.
constexpr int kBlankRoom = 104;

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

// The text PutLatLonText writes, from tables: the thousandths of a minute are rounded once, as
// the value's 26 bits times 45 * 60000 in 2^-23 (half to even, as printf), and split into
// degrees, minutes and thousandths.
char* PutCoordinate(char* out, int32_t semicircles, bool latitude) {
    const int64_t units = semicircles >> 6;
    const bool negative = units < 0;
    const uint64_t product = static_cast<uint64_t>(negative ? -units : units) * (45 * 60000);
    const uint64_t rest = product & ((uint64_t{1} << kFixedPointBits) - 1);
    constexpr uint64_t kHalf = uint64_t{1} << (kFixedPointBits - 1);
    uint32_t total = static_cast<uint32_t>(product >> kFixedPointBits);
    total += rest > kHalf || (rest == kHalf && (total & 1) != 0) ? 1 : 0;
    const uint32_t degrees = total / 60000;
    const uint32_t allMinutes = total / 1000;
    const uint32_t minutes = allMinutes - degrees * 60;
    const uint32_t thousandths = total - allMinutes * 1000;
    // A latitude of 100 degrees or more is no latitude: the general writer has it.
    if (latitude && degrees >= 100) return PutLatLonText(out, semicircles, true);
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

char* Put(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// "%d" of a value that is not negative.
char* PutDecimal(char* out, uint32_t value) {
    char* const end = out + DecimalDigitCount(value);
    PutDigitsBackwards(end, value);
    return end;
}

// Feet as "%d ft".
char* PutFeet(char* out, long feet) {
    if (feet < 0) *out++ = '-';
    // FeetOfMetres keeps them within 32 bits.
    return Put(PutDecimal(out, static_cast<uint32_t>(feet < 0 ? -feet : feet)), " ft");
}

// The text from `line` to `end` without its trailing blanks.
void Assign(std::string& out, const char* line, const char* end) {
    while (end > line && end[-1] == ' ') --end;
    out.assign(line, static_cast<size_t>(end - line));
}

}  // namespace

bool GarFastLines::Format(const GarRecord& record, bool newer, int number, std::vector<std::string>& lines) {
    switch (record.id) {
        case kGarTrackPoint:
            return lines.size() == 1 && TrackPoint(record, newer, number, lines[0]);
        // A proximity waypoint's distance goes through printf: those stay with the general writers.
        case kGarRouteWaypoint:
        case kGarUserWaypoint:
            return newer && lines.size() == 4 && Waypoint(record, number, lines);
        default:
            return false;
    }
}

bool GarFastLines::TrackPoint(const GarRecord& r, bool newer, int number, std::string& out) {
    const TrackColumns& c = newer ? kNewerTrack : kOlderTrack;
    // The number ends before the latitude's column.
    if (r.size < c.minSize || number < 0 || number > 99999) return false;
    char line[kBlankRoom];
    std::memset(line, ' ', sizeof line);
    // "%4d:"
    char* const colon = line + std::max(4, DecimalDigitCount(static_cast<uint32_t>(number)));
    PutDigitsBackwards(colon, static_cast<uint32_t>(number));
    *colon = ':';
    PutCoordinate(line + 7, r.S32(0), true);
    char* end = PutCoordinate(line + 20, r.S32(4), false);
    if (c.altitude >= 0) {
        long feet;
        if (FeetOfMetres(r.F32(12), feet)) {
            // Feet that would reach the time's column are left to the general writers.
            if (feet < -99999999 || feet > 999999999) return false;
            end = PutFeet(line + c.altitude, feet);
        }
    }
    char* const time = line + c.time;
    if (char* const timeEnd = PutUnitTime(time, r.S32(8)); timeEnd != time) end = timeEnd;
    if (r.data[c.startByte] != 0) end = Put(line + c.start, "Start");
    Assign(out, line, end);
    return true;
}

void GarFastLines::SymbolText(int symbol) {
    if (symbol == symbol_) return;
    symbol_ = symbol;
    symbolLength_ = 0;
    if (const char* name = GarSymbolName(symbol)) {
        char* p = Put(symbolText_, "Icon= \"");
        p = Put(p, name);
        p = Put(p, "\" ");
        symbolLength_ = static_cast<int>(p - symbolText_);
    }
}

bool GarFastLines::Waypoint(const GarRecord& r, int number, std::vector<std::string>& lines) {
    if (number < 0) return false;
    const NewerWaypointLayout w = NewerWaypointLayoutOf(r);
    const int cls = w.waypointClass;
    int position = w.strings;
    const std::string_view ident = r.StringAt(position);
    const std::string_view comment = r.StringAt(position).substr(0, 32);
    const std::string_view facility = r.StringAt(position).substr(0, 30);
    const std::string_view cityName = r.StringAt(position);

    char line[kWidth + 256];
    lines[0].clear();

    // "Waypoint n (class)     ident", cut at the line's end.
    char* p = Put(line, "Waypoint ");
    p = PutDecimal(p, static_cast<uint32_t>(number));
    p = Put(p, " (");
    p = Put(p, WaypointClassName(cls, true));
    p = Put(p, ")     ");
    p = Put(p, ident);
    Assign(lines[1], line, std::min(p, line + kWidth));

    // Latitude, comment or facility, symbol.
    std::memset(line, ' ', kBlankRoom);
    char* end = line;
    if (r.Reaches(27)) end = PutCoordinate(line + 8, r.S32(24), true);
    const std::string_view name = cls == kClassUsr ? comment : cls != kClassInt ? facility : std::string_view();
    if (!name.empty()) end = Put(line + 22, name);
    if (r.Reaches(5)) {
        SymbolText(r.U16(4));
        if (symbolLength_ != 0) {
            end = Put(line + 55, std::string_view(symbolText_, static_cast<size_t>(symbolLength_)));
            end = Put(end, SymbolDisplayText(r.Byte(2), true));
        }
    }
    Assign(lines[2], line, end);

    // Longitude, city and state, height, country or time.
    std::memset(line, ' ', kBlankRoom);
    end = line;
    if (r.Reaches(31)) end = PutCoordinate(line + 8, r.S32(28), false);
    if (cls != kClassInt && cls != kClassUsr) {
        // The city, with the state's two characters after it, in 24 columns.
        constexpr size_t kCityWidth = 24;
        const std::string_view city = cityName.substr(0, kCityWidth);
        char* const cityEnd = Put(line + 22, city);
        if (!city.empty()) end = cityEnd;
        if (r.Reaches(45) && std::isalnum(r.data[44])) {
            const char state[] = {' ', '(', static_cast<char>(r.data[44]), static_cast<char>(r.data[45]), ')'};
            end = Put(cityEnd, std::string_view(state, std::min(sizeof state, kCityWidth - city.size())));
        }
    }
    char* column = line + 55;
    if (r.Reaches(35) && r.F32(32) != 1.0e25f) {
        column = Put(column, "Height:");
        if (long feet; FeetOfMetres(r.F32(32), feet)) column = PutFeet(column, feet);
        column = Put(column, ", ");
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
    Assign(lines[3], line, end);
    return true;
}

#include "transfer/common/GarLine.h"

#include <cmath>
#include <cstring>

#include "common/CLocale.h"
#include "transfer/common/GarTables.h"

namespace {

// Decimal digits of value, at least width of them (zeros before), for the small numbers of a
// line: two digits a step from a table.
char* PutDigits(char* out, unsigned long value, int width) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char digits[24];
    char* end = digits + sizeof digits;
    char* p = end;
    while (value >= 100) {
        const unsigned pair = static_cast<unsigned>(value % 100) * 2;
        value /= 100;
        *--p = kPairs[pair + 1];
        *--p = kPairs[pair];
    }
    if (value >= 10) {
        *--p = kPairs[value * 2 + 1];
        *--p = kPairs[value * 2];
    } else {
        *--p = static_cast<char>('0' + value);
    }
    for (int n = static_cast<int>(end - p); n < width; ++n) *out++ = '0';
    while (p < end) *out++ = *p++;
    return out;
}

// Minutes as "%6.3f"; only values on a rounding tie go through printf.
char* PutMinutes(char* out, double minutes) {
    if (!(minutes >= 0.0 && minutes < 100.0)) return out + FormatC(out, 16, "%6.3f", minutes);
    const double scaled = minutes * 1000.0;
    // Below 100000 the whole part fits a long: its conversion is the floor, and away from a
    // tie adding a half rounds as lround does.
    const double fraction = scaled - static_cast<double>(static_cast<long>(scaled));
    if (std::fabs(fraction - 0.5) < 1e-6) return out + FormatC(out, 16, "%6.3f", minutes);
    const long thousandths = static_cast<long>(scaled + 0.5);
    const long whole = thousandths / 1000;
    if (whole < 10) *out++ = ' ';
    out = PutDigits(out, static_cast<unsigned long>(whole), 1);
    *out++ = '.';
    return PutDigits(out, static_cast<unsigned long>(thousandths % 1000), 3);
}

}  // namespace

void GarLine::Clear() {
    std::memset(line_, ' ', static_cast<size_t>(used_));
    used_ = 0;
}

std::string GarLine::Text() const {
    std::string text;
    TextTo(text);
    return text;
}

void GarLine::TextTo(std::string& out) const {
    int end = used_;
    while (end > 0 && line_[end - 1] == ' ') --end;
    out.assign(line_, static_cast<size_t>(end));
}

int GarLine::PutString(std::string_view text, int column) {
    if (column < 0) return column;
    const size_t room = column < kWidth ? static_cast<size_t>(kWidth - column) : 0;
    const size_t n = text.size() < room ? text.size() : room;
    for (size_t i = 0; i < n; ++i) line_[column + static_cast<int>(i)] = text[i];
    column += static_cast<int>(n);
    if (column > used_) used_ = column;
    return column;
}

int GarLine::PutText(int first, int last, int column) {
    if (!record_.Reaches(last)) return column;
    for (int i = first; i <= last; ++i) {
        const uint8_t c = record_.data[i];
        if (c == 0 || c == '_') break;
        if (c < 32) {
            const char escaped[2] = {'^', static_cast<char>(c + 0x30)};
            column = PutString(std::string_view(escaped, 2), column);
        } else if (column >= 0 && column < kWidth) {
            line_[column++] = static_cast<char>(c);
            if (column > used_) used_ = column;
        }
    }
    return column;
}

int GarLine::PutInt(long value, int column, int width) {
    char text[24];
    char* p = text;
    if (value < 0) {
        *p++ = '-';
        p = PutDigits(p, 0 - static_cast<unsigned long>(value), 1);
    } else {
        p = PutDigits(p, static_cast<unsigned long>(value), 1);
    }
    const int length = static_cast<int>(p - text);
    for (int i = length; i < width; ++i) column = PutString(" ", column);
    return PutString(std::string_view(text, static_cast<size_t>(length)), column);
}

int GarLine::PutPadded(std::string_view text, int column, int width) {
    for (int i = static_cast<int>(text.size()); i < width; ++i) column = PutString("0", column);
    return PutString(text, column);
}

double SemicirclesToDegrees(int32_t value) { return static_cast<double>(value >> 6) * 45.0 / 8388608.0; }

int GarLine::PutLatLon(int first, int last, int column, bool latitude) {
    if (!record_.Reaches(last) || last - first != 3) return column;
    const double degrees = SemicirclesToDegrees(record_.S32(first));
    const double magnitude = std::fabs(degrees);
    int whole = static_cast<int>(magnitude);
    double minutes = (magnitude - whole) * 60.0;
    if (minutes + 0.0005 >= 60.0) {
        ++whole;
        minutes = 0.0;
    }
    char letter;
    if (latitude) {
        letter = degrees < 0 ? 'S' : 'N';
    } else {
        letter = degrees < 0 || whole == 180 ? 'W' : 'E';
    }
    char text[40];
    char* p = text;
    *p++ = letter;
    if (latitude) *p++ = ' ';
    p = PutDigits(p, static_cast<unsigned long>(whole), latitude ? 2 : 3);
    *p++ = '\xB0';
    p = PutMinutes(p, minutes);
    return PutString(std::string_view(text, static_cast<size_t>(p - text)), column);
}

namespace {

// Day count after 1989-12-31 as day, month (from 0) and year; the last day asked is kept, as
// neighbouring records mostly fall on one day.
void UnitDate(int days, int& day, int& month, int& year) {
    thread_local int lastDays = -1, lastDay = 0, lastMonth = 0, lastYear = 0;
    if (days == lastDays) {
        day = lastDay;
        month = lastMonth;
        year = lastYear;
        return;
    }
    year = 1989, month = 11, day = 31;
    if (days > 0) {
        int left = days;
        year = 1990;
        for (int length = year % 4 == 0 ? 366 : 365; left > length; length = year % 4 == 0 ? 366 : 365) {
            left -= length;
            ++year;
        }
        month = 0;
        while (left > MonthLength(month, year)) {
            left -= MonthLength(month, year);
            ++month;
        }
        day = left;
    }
    lastDays = days;
    lastDay = day;
    lastMonth = month;
    lastYear = year;
}

}  // namespace

char* PutUnitTime(char* out, int32_t t) {
    if (t == 0 || t == -1) return out;
    char* p = out;
    if (t < 0) {
        static constexpr char kDigits[] = "0123456789abcdef";
        const uint32_t u = static_cast<uint32_t>(t);
        *p++ = '0';
        *p++ = 'x';
        for (int shift = 28; shift >= 0; shift -= 4) *p++ = kDigits[u >> shift & 15];
        *p++ = ' ';
        return p;
    }
    const int seconds = t % 86400;
    int day, month, year;
    UnitDate(t / 86400, day, month, year);
    p = PutDigits(p, static_cast<unsigned long>(seconds / 3600), 2);
    *p++ = ':';
    p = PutDigits(p, static_cast<unsigned long>(seconds / 60 % 60), 2);
    *p++ = ':';
    p = PutDigits(p, static_cast<unsigned long>(seconds % 60), 2);
    *p++ = ' ';
    p = PutDigits(p, static_cast<unsigned long>(day), 2);
    *p++ = '.';
    const char* name = MonthName(month);
    while (*name) *p++ = *name++;
    p = PutDigits(p, static_cast<unsigned long>(year), 1);
    *p++ = ' ';
    return p;
}

std::string UnitTimeText(int32_t t) {
    char text[32];
    return std::string(text, static_cast<size_t>(PutUnitTime(text, t) - text));
}

int GarLine::PutTime(int first, int last, int column) {
    if (!record_.Reaches(last) || last - first != 3) return column;
    char text[32];
    return PutString(std::string_view(text, static_cast<size_t>(PutUnitTime(text, record_.S32(first)) - text)), column);
}

int GarLine::PutDistance(int first, int last, int column) {
    if (!record_.Reaches(last) || last - first != 3) return column;
    char text[64];
    const double nm = record_.F32(first) / 1853.0;
    if (!std::isfinite(nm) || std::fabs(nm) > 1e12) return column;
    FormatC(text, sizeof text, "%.1f nm", nm);
    return PutString(text, column);
}

int GarLine::PutAltitude(int first, int last, int column) {
    if (!record_.Reaches(last)) return column;
    long feet;
    if (last - first == 1) {
        feet = static_cast<long>(record_.U16(first)) * 3281 / 1000;
    } else if (last - first == 3) {
        const double value = static_cast<double>(record_.F32(first)) * 3281.0 / 1000.0;
        // A value beyond any height (or not a number) has no feet to show.
        if (!std::isfinite(value) || std::fabs(value) > 1e9) return column;
        feet = static_cast<long>(value);
    } else {
        return column;
    }
    long rounded = feet / 10;
    if (feet % 10 >= 5) rounded += 1;
    return PutString(" ft", PutInt(rounded * 10, column));
}

int GarLine::PutSymbol(int symbolPosition, int displayPosition, int column) {
    if (!record_.Reaches(symbolPosition + 1)) return column;
    const char* name = GarSymbolName(record_.U16(symbolPosition));
    if (!name) return column;
    const char* display = record_.Reaches(displayPosition) ? SymbolDisplayText(record_.data[displayPosition], newer_) : "";
    column = PutString("Icon= \"", column);
    column = PutString(name, column);
    column = PutString("\" ", column);
    return PutString(display, column);
}

int GarLine::PutHexBytes(int value, int column) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const char text[2] = {kDigits[(value >> 4) & 15], kDigits[value & 15]};
    return PutString(std::string_view(text, 2), column);
}

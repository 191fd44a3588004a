#include "transfer/common/GarLine.h"

#include <cmath>
#include <cstring>

#include "common/CLocale.h"
#include "common/CoordinateFormat.h"
#include "common/TextHelpers.h"
#include "transfer/common/GarTables.h"

std::string GarLine::Text() const {
    std::string text;
    TextTo(text);
    return text;
}

void GarLine::TextTo(std::string& out) const {
    int end = used_;
    while (end > 0 && line_[end - 1] == ' ') --end;
    out.clear();
    out.append(line_, static_cast<size_t>(end));
}

int GarLine::EndField(int column, const char* spare, const char* start, const char* end) {
    if (start == spare) return PutString(std::string_view(start, static_cast<size_t>(end - start)), column);
    column = static_cast<int>(end - line_);
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
    const unsigned long magnitude = value < 0 ? 0 - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    const int digits = DecimalDigitCount(magnitude);
    const int length = digits + (value < 0 ? 1 : 0);
    int blanks = width > length ? width - length : 0;
    if (column < 0 || column > kWidth - blanks - length) {
        // Cut at the line's end.
        for (; blanks > 0; --blanks) column = PutString(" ", column);
        char text[24];
        char* p = text;
        if (value < 0) *p++ = '-';
        return PutString(std::string_view(text, static_cast<size_t>(PutNumber(p, magnitude, 1) - text)), column);
    }
    char* p = line_ + column;
    for (; blanks > 0; --blanks) *p++ = ' ';
    if (value < 0) *p++ = '-';
    p += digits;
    if (magnitude <= UINT32_MAX) {
        PutDigitsBackwards(p, static_cast<uint32_t>(magnitude));
    } else {
        PutDigitsBackwards(p, magnitude);
    }
    column = static_cast<int>(p - line_);
    if (column > used_) used_ = column;
    return column;
}

int GarLine::PutPadded(std::string_view text, int column, int width) {
    for (int i = static_cast<int>(text.size()); i < width; ++i) column = PutString("0", column);
    return PutString(text, column);
}

char* PutLatLonText(char* out, int32_t semicircles, bool latitude) {
    // The value keeps 26 bits and a degree is 2^23 / 45 of them: degrees and minutes are exact
    // in 2^-23 and rounded in integers as printf rounds them.
    const int64_t units = semicircles >> 6;
    const bool negative = units < 0;
    const uint64_t magnitude = static_cast<uint64_t>(negative ? -units : units) * 45;
    uint64_t whole = magnitude >> kFixedPointBits;
    uint64_t thousandths = RoundFixedPoint((magnitude & ((uint64_t{1} << kFixedPointBits) - 1)) * 60, 1000);
    if (thousandths >= 60000) {
        ++whole;
        thousandths = 0;
    }
    const unsigned degrees = static_cast<unsigned>(whole);
    const unsigned minutes = static_cast<unsigned>(thousandths / 1000);
    const unsigned fraction = static_cast<unsigned>(thousandths % 1000);
    char* p = out;
    *p++ = latitude ? (negative ? 'S' : 'N') : (negative || whole == 180 ? 'W' : 'E');
    if (latitude) *p++ = ' ';
    if (degrees >= 100 || !latitude) *p++ = static_cast<char>('0' + degrees / 100);
    p = PutTwoDigits(p, degrees % 100);
    *p++ = '\xB0';
    // Minutes as "%6.3f".
    if (minutes < 10) {
        *p++ = ' ';
        *p++ = static_cast<char>('0' + minutes);
    } else {
        p = PutTwoDigits(p, minutes);
    }
    *p++ = '.';
    *p++ = static_cast<char>('0' + fraction / 100);
    return PutTwoDigits(p, fraction % 100);
}

int GarLine::PutLatLon(int first, int last, int column, bool latitude) {
    if (!record_.Reaches(last) || last - first != 3) return column;
    char spare[kFieldRoom];
    char* const start = FieldAt(column, spare);
    return EndField(column, spare, start, PutLatLonText(start, record_.S32(first), latitude));
}

namespace {

// The date part "dd.MON.yyyy " of a day count after 1989-12-31. The last day asked is kept,
// as neighbouring records mostly fall on one day.
struct DateText {
    char text[16];
    int length;
};

const DateText& UnitDateText(int days) {
    thread_local DateText last{};
    thread_local int lastDays = -1;
    if (days == lastDays) return last;
    int year = 1989, month = 11, day = 31;
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
    char* p = PutTwoDigits(last.text, static_cast<unsigned>(day));
    *p++ = '.';
    for (const char* name = MonthName(month); *name;) *p++ = *name++;
    p = PutNumber(p, static_cast<unsigned>(year), 1);
    *p++ = ' ';
    last.length = static_cast<int>(p - last.text);
    lastDays = days;
    return last;
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
    const unsigned seconds = static_cast<unsigned>(t) % 86400;
    p = PutTwoDigits(p, seconds / 3600);
    *p++ = ':';
    p = PutTwoDigits(p, seconds / 60 % 60);
    *p++ = ':';
    p = PutTwoDigits(p, seconds % 60);
    *p++ = ' ';
    const DateText& date = UnitDateText(static_cast<int>(static_cast<unsigned>(t) / 86400));
    // Every year a 32-bit time reaches has four digits: the text is 12 characters.
    if (date.length == 12) {
        std::memcpy(p, date.text, 12);
    } else {
        for (int i = 0; i < date.length; ++i) p[i] = date.text[i];
    }
    return p + date.length;
}

std::string UnitTimeText(int32_t t) {
    char text[32];
    return std::string(text, static_cast<size_t>(PutUnitTime(text, t) - text));
}

int GarLine::PutTime(int first, int last, int column) {
    if (!record_.Reaches(last) || last - first != 3) return column;
    const int32_t t = record_.S32(first);
    char spare[kFieldRoom];
    char* const start = FieldAt(column, spare);
    return EndField(column, spare, start, PutUnitTime(start, t));
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
        feet = TensOfFeet(static_cast<long>(record_.U16(first)) * 3281 / 1000);
    } else if (last - first != 3 || !FeetOfMetres(record_.F32(first), feet)) {
        return column;
    }
    return PutString(" ft", PutInt(feet, column));
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

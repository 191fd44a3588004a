#include "transfer/common/GarLine.h"

#include <cmath>
#include <cstring>

#include "common/CLocale.h"
#include "common/TextHelpers.h"
#include "transfer/common/GarTables.h"

namespace {

// Minutes as "%6.3f"; only values on a rounding tie go through printf.
char* PutMinutes(char* out, double minutes) {
    const double scaled = minutes * 1000.0;
    const double fraction = scaled - std::floor(scaled);
    if (std::fabs(fraction - 0.5) < 1e-6 || !(minutes >= 0.0 && minutes < 100.0)) {
        return out + FormatC(out, 16, "%6.3f", minutes);
    }
    const long thousandths = std::lround(scaled);
    const long whole = thousandths / 1000;
    if (whole < 10) *out++ = ' ';
    out = PutNumber(out, whole, 1);
    *out++ = '.';
    return PutNumber(out, thousandths % 1000, 3);
}

}  // namespace

void GarLine::Clear() { std::memset(line_, ' ', sizeof line_); }

std::string GarLine::Text() const {
    int end = kWidth;
    while (end > 0 && line_[end - 1] == ' ') --end;
    return std::string(line_, static_cast<size_t>(end));
}

int GarLine::PutString(std::string_view text, int column) {
    for (char c : text) {
        if (column < 0 || column >= kWidth) break;
        line_[column++] = c;
    }
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
        } else {
            column = PutString(std::string_view(reinterpret_cast<const char*>(&c), 1), column);
        }
    }
    return column;
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
    p = PutNumber(p, whole, latitude ? 2 : 3);
    *p++ = '\xB0';
    p = PutMinutes(p, minutes);
    return PutString(std::string_view(text, static_cast<size_t>(p - text)), column);
}

std::string UnitTimeText(int32_t t) {
    if (t == 0 || t == -1) return {};
    char text[40];
    if (t < 0) {
        char hex[16];
        FormatC(hex, sizeof hex, "%lx", static_cast<unsigned long>(static_cast<uint32_t>(t)));
        std::string padded(hex);
        if (padded.size() < 8) padded.insert(0, 8 - padded.size(), '0');
        return "0x" + padded + " ";
    }
    const int seconds = t % 86400;
    int days = t / 86400;  // days after 1989-12-31
    int year = 1989, month = 11, day = 31;
    if (days > 0) {
        year = 1990;
        for (int length = year % 4 == 0 ? 366 : 365; days > length; length = year % 4 == 0 ? 366 : 365) {
            days -= length;
            ++year;
        }
        month = 0;
        while (days > MonthLength(month, year)) {
            days -= MonthLength(month, year);
            ++month;
        }
        day = days;
    }
    char* p = PutNumber(text, seconds / 3600, 2);
    *p++ = ':';
    p = PutNumber(p, seconds / 60 % 60, 2);
    *p++ = ':';
    p = PutNumber(p, seconds % 60, 2);
    *p++ = ' ';
    p = PutNumber(p, day, 2);
    *p++ = '.';
    const char* name = MonthName(month);
    while (*name) *p++ = *name++;
    p = PutNumber(p, year, 1);
    *p++ = ' ';
    return std::string(text, static_cast<size_t>(p - text));
}

int GarLine::PutTime(int first, int last, int column) {
    if (!record_.Reaches(last) || last - first != 3) return column;
    return PutString(UnitTimeText(record_.S32(first)), column);
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
    char text[32];
    FormatC(text, sizeof text, "%ld ft", rounded * 10);
    return PutString(text, column);
}

int GarLine::PutSymbol(int symbolPosition, int displayPosition, int column) {
    if (!record_.Reaches(symbolPosition + 1)) return column;
    const char* name = GarSymbolName(record_.U16(symbolPosition));
    if (!name) return column;
    const char* display = record_.Reaches(displayPosition) ? SymbolDisplayText(record_.data[displayPosition], newer_) : "";
    std::string text = "Icon= \"";
    text += name;
    text += "\" ";
    text += display;
    return PutString(text, column);
}

int GarLine::PutHexBytes(int value, int column) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const char text[2] = {kDigits[(value >> 4) & 15], kDigits[value & 15]};
    return PutString(std::string_view(text, 2), column);
}

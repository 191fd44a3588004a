// The display line of a GAR listing: 132 columns of blanks that the field writers fill at
// fixed columns from a record. A writer whose field the record does not reach writes nothing;
// every writer gives the next free column.
#pragma once

#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "common/TextHelpers.h"
#include "transfer/common/GarRecord.h"

class GarLine {
public:
    static constexpr int kWidth = 132;

    GarLine(const GarRecord& record, bool newer) : record_(record), newer_(newer) {
        std::memset(line_, ' ', sizeof line_);
    }

    void Clear() {
        std::memset(line_, ' ', sizeof line_);
        used_ = 0;
    }
    // The line without its trailing blanks.
    std::string Text() const;
    void TextTo(std::string& out) const;

    // Plain text at a column, cut at the line's end.
    int PutString(std::string_view text, int column) {
        if (column < 0) return column;
        const size_t room = column < kWidth ? static_cast<size_t>(kWidth - column) : 0;
        const size_t n = text.size() < room ? text.size() : room;
        if (n != 0) std::memcpy(line_ + column, text.data(), n);
        column += static_cast<int>(n);
        if (column > used_) used_ = column;
        return column;
    }
    // Record bytes first..last up to a zero byte or '_'; bytes below 32 as '^' and byte + 0x30.
    int PutText(int first, int last, int column);
    // The text preceded by '0' characters up to width.
    int PutPadded(std::string_view text, int column, int width);
    // Semicircles as "N 12" 0xB0 "34.567" (latitude) or "E012" 0xB0 "34.567" (longitude).
    int PutLatLon(int first, int last, int column, bool latitude);
    // Seconds since 1989-12-31 00:00 as "hh:mm:ss dd.MON.yyyy ".
    int PutTime(int first, int last, int column);
    // Metres as float, in nautical miles: "%.1f nm".
    int PutDistance(int first, int last, int column);
    // Metres (16-bit count or float) in feet rounded to tens: "%d ft".
    int PutAltitude(int first, int last, int column);
    // "Icon= \"name\" display" for a known symbol number.
    int PutSymbol(int symbolPosition, int displayPosition, int column);
    // A byte as two upper-case hexadecimal digits.
    int PutHexBytes(int value, int column);
    // A number as "%*d" writes it: blanks before it up to width.
    int PutInt(long value, int column, int width = 0);

    const GarRecord& Record() const { return record_; }
    bool Newer() const { return newer_; }

private:
    // A field of at most kFieldRoom characters is made in the line where it fits there, else in
    // `spare`; EndField puts one made in spare at the column, cut at the line's end.
    static constexpr int kFieldRoom = 32;
    char* FieldAt(int column, char* spare) {
        return column >= 0 && column <= kWidth - kFieldRoom ? line_ + column : spare;
    }
    int EndField(int column, const char* spare, const char* start, const char* end);

    const GarRecord& record_;
    bool newer_;
    char line_[kWidth];
    int used_ = 0;  // the columns before this may hold other than blanks
};

// Semicircles as PutLatLon writes them, at out (at most 12 characters); returns the end.
char* PutLatLonText(char* out, int32_t semicircles, bool latitude);

// Feet as PutAltitude shows them: rounded to tens, a last digit of 5 up.
inline long TensOfFeet(long feet) { return (feet / 10 + (feet % 10 >= 5 ? 1 : 0)) * 10; }

// Metres as a float in the feet PutAltitude shows; false for a value beyond any height (or
// not a number), which shows no feet.
inline bool FeetOfMetres(float metres, long& shown) {
    const double value = static_cast<double>(metres) * 3281.0 / 1000.0;
    if (!std::isfinite(value) || std::fabs(value) > 1e9) return false;
    shown = TensOfFeet(static_cast<long>(value));
    return true;
}

// Unit time (seconds since 1989-12-31 00:00) as written by PutTime; empty for 0 and -1.
std::string UnitTimeText(int32_t seconds);
// The same text written at out (room for 32 characters); returns its end.
char* PutUnitTime(char* out, int32_t seconds);

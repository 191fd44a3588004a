#include "common/DateText.h"

#include <ctime>

#include "common/CLocale.h"
#include "common/ListingTables.h"

void FormatDayMonYear(char* text, size_t size, const uint8_t* date) {
    const int year = date[2] | date[3] << 8;
    FormatC(text, size, "%d.%s.%d", date[1], MonthAbbreviation(date[0]), year);
}

void FormatUnitTime(char* out, int64_t seconds) {
    if (seconds < 1) {
        out[0] = '\0';
        return;
    }
    int64_t days = seconds / 86400;
    int year = 1990;
    auto leap = [](int y) { return y % 4 == 0; };
    while (days > (leap(year) ? 366 : 365)) {
        days -= leap(year) ? 366 : 365;
        ++year;
    }
    const int monthDays[] = {31, leap(year) ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = 0;
    while (month < 11 && days > monthDays[month]) days -= monthDays[month++];
    const int64_t rest = seconds % 86400;
    FormatC(out, kUnitTimeTextSize, "%2d.%s.%d %02d:%02d", static_cast<int>(days), MonthAbbreviation(month + 1), year,
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60));
}

int32_t UnitTimeNow() { return static_cast<int32_t>(static_cast<int64_t>(std::time(nullptr)) - 631065600); }

#include "common/DateText.h"

#include "common/CLocale.h"
#include "common/ListingTables.h"

void FormatDayMonYear(char* text, size_t size, const uint8_t* date) {
    const int year = date[2] | date[3] << 8;
    FormatC(text, size, "%d.%s.%d", date[1], MonthAbbreviation(date[0]), year);
}

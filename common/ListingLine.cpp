#include "common/ListingLine.h"

#include <cstdarg>
#include <cstring>

#include "common/CLocale.h"
#include "common/TextHelpers.h"

void ListingLine::Clear() {
    std::memset(text_, ' ', kWidth);
    text_[kWidth] = '\0';
}

int ListingLine::Append(int column, const char* text) {
    const int length = static_cast<int>(std::strlen(text));
    for (int i = 0; i < length; ++i) {
        const long target = static_cast<long>(column) + i;
        if (target >= kWidth) break;
        if (target >= 0) text_[target] = text[i];
    }
    return column + length;
}

int ListingLine::Format(int column, const char* format, ...) {
    char piece[kSize];
    va_list args;
    va_start(args, format);
    const int length = VFormatC(piece, sizeof piece, format, args);
    va_end(args);
    if (length < 0) return column;
    Append(column, piece);
    return column + length;
}

int ListingLine::Trim() {
    return static_cast<int>(TrimTrailingBlanks(text_));
}

ListingLine& SharedListingLine() {
    static ListingLine line;
    return line;
}

int AppendLineText(int column, const char* text) { return SharedListingLine().Append(column, text); }

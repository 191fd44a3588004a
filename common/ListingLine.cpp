#include "common/ListingLine.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "common/CLocale.h"

void ListingLine::Clear() {
    std::memset(text_, ' ', kWidth);
    text_[kWidth] = '\0';
    end_ = 0;
}

int ListingLine::Append(int column, const char* text) { return Append(column, text, std::strlen(text)); }

int ListingLine::Append(int column, const char* text, size_t length) {
    const long first = std::max<long>(column, 0);
    const long last = std::min<long>(static_cast<long>(column) + static_cast<long>(length), kWidth);
    if (first < last) {
        std::memcpy(text_ + first, text + (first - column), static_cast<size_t>(last - first));
        end_ = std::max(end_, static_cast<int>(last));
    }
    return column + static_cast<int>(length);
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
    // Only blanks lie beyond the last column written.
    int length = end_;
    while (length > 0 && static_cast<unsigned char>(text_[length - 1]) <= ' ') --length;
    text_[length] = '\0';
    end_ = length;
    return length;
}

ListingLine& SharedListingLine() {
    static ListingLine line;
    return line;
}

int AppendLineText(int column, const char* text) { return SharedListingLine().Append(column, text); }

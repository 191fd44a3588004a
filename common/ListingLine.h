// The listing line: 159 characters written at fixed columns and a terminating NUL.
#pragma once

#include <cstddef>

class ListingLine {
public:
    static constexpr int kWidth = 159;            // writable columns 0 to 158
    static constexpr size_t kSize = kWidth + 1;   // with the terminating NUL

    ListingLine() { Clear(); }

    // Fills the line with blanks.
    void Clear();

    // Copies the text, without its NUL, to the line at the column; returns column + its length.
    // Characters that would fall outside columns 0 to 158 are dropped.
    int Append(int column, const char* text);
    int Append(int column, const char* text, size_t length);

    // Formats (C locale) and appends at the column; returns column + the formatted length.
    int Format(int column, const char* format, ...) __attribute__((format(printf, 3, 4)));

    // Cuts the line after its last character above a blank; returns the new length.
    int Trim();

    const char* Text() const { return text_; }

private:
    char text_[kSize];
    int end_ = 0;  // one past the last column written
};

// The process-wide line that the listing formatters share.
ListingLine& SharedListingLine();

// Appends to the shared line: returns column + the text's length.
int AppendLineText(int column, const char* text);

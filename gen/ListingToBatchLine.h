// A listing line of the point-record kinds cut into its fields at the fixed columns of its
// record type, as the batch and SBS forms of Save As read it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Record types of a listing line, by the three letters that begin it.
enum ListingLineType : int {
    kLineApt = 0,
    kLineInt = 1,
    kLineNdb = 2,
    kLineVor = 3,
    kLineDetail = 4,  // anything else: an airport's runway and frequency line
};

class SplitListingLine {
public:
    // Cuts the line: for every column after the first, the character just before it ends the
    // previous field, and the field loses its trailing characters of code 32 or less; the field
    // of the last column runs to the end of the line. A '*' at column 17 is remembered and read
    // as a blank.
    explicit SplitListingLine(std::string_view line);

    int Type() const { return type_; }
    bool StarAt17() const { return starAt17_; }

    // The field that starts at the column; "" when the type has no field there.
    const std::string& Field(int column) const;
    // The field of the last column: the names of a record line, the rest of a detail line.
    const std::string& Last() const { return fields_.back(); }
    int LastColumn() const;

    // The line as read ('*' at column 17 read as a blank) and one of its characters ('\0'
    // beyond its end).
    const std::string& Text() const { return text_; }
    char At(size_t column) const { return column < text_.size() ? text_[column] : '\0'; }

private:
    int type_ = kLineDetail;
    bool starAt17_ = false;
    std::string text_;
    const std::vector<int>* columns_ = nullptr;
    std::vector<std::string> fields_;
};

// The record type of a line from its first three characters.
int ListingLineTypeOf(std::string_view line);

// The type name ("APT", "INT", "NDB", "VOR") of a record type.
const char* ListingLineTypeName(int type);

// Cuts a text after its last character above a blank (code above 32); returns the new length.
size_t TrimLineEnd(std::string& text);
// The text without its leading blanks.
std::string SkipLeadingBlanks(std::string_view text);

// A listing line of the point-record kinds cut into its fields at the fixed columns of its
// record type, as the batch and SBS forms of Save As read it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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
    SplitListingLine() { Assign({}); }
    explicit SplitListingLine(std::string_view line) { Assign(line); }

    // Cuts the line: for every column after the first, the character just before it ends the
    // previous field, and the field loses its trailing characters of code 32 or less; the field
    // of the last column runs to the end of the line. A '*' at column 17 is remembered and read
    // as a blank. The line is copied into storage that later calls reuse, so a converter that
    // keeps one object allocates nothing per line.
    void Assign(std::string_view line);

    int Type() const { return type_; }
    bool StarAt17() const { return starAt17_; }

    // The field that starts at the column; "" when the type has no field there. The views stay
    // valid until the next Assign.
    std::string_view Field(int column) const;
    // The field of the last column: the names of a record line, the rest of a detail line.
    std::string_view Last() const { return FieldAt(count_ - 1); }
    int LastColumn() const;

    // The line as read ('*' at column 17 read as a blank), the same NUL-terminated (for the
    // number readers of the C library), and one of its characters ('\0' beyond its end).
    std::string_view Text() const { return text_; }
    const char* CText() const { return text_.c_str(); }
    char At(size_t column) const { return column < text_.size() ? text_[column] : '\0'; }

private:
    static constexpr int kMaxFields = 9;
    struct Span {
        size_t from = 0;
        size_t length = 0;
    };

    std::string_view FieldAt(int i) const { return std::string_view(text_).substr(fields_[i].from, fields_[i].length); }

    int type_ = kLineDetail;
    bool starAt17_ = false;
    int count_ = 0;
    std::string text_;
    Span fields_[kMaxFields];
};

// The record type of a line from its first three characters.
int ListingLineTypeOf(std::string_view line);

// The type name ("APT", "INT", "NDB", "VOR") of a record type.
const char* ListingLineTypeName(int type);

// Cuts a text after its last character above a blank (code above 32); returns the new length.
size_t TrimLineEnd(std::string& text);
// The text without its trailing characters of code 32 or less.
std::string_view TrimmedEnd(std::string_view text);
// The text without its leading blanks (a view into the same characters).
std::string_view SkipLeadingBlanks(std::string_view text);

// Appends the text as printf's "%s" takes it: up to its first NUL. Returns false when a NUL
// ended it.
bool AppendCText(std::string& out, std::string_view text);

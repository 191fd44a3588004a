#include "gen/ListingToBatchLine.h"

#include <algorithm>

namespace {

constexpr size_t kStarColumn = 17;

// Start columns of the fields, by record type.
const std::vector<int> kColumns[] = {
    {0, 5, 11, 23, 35, 42, 46},              // APT
    {0, 5, 11, 23, 35},                      // INT
    {0, 5, 11, 23, 35, 41, 44},              // NDB
    {0, 5, 11, 23, 35, 42, 45, 52, 57},      // VOR
    {0, 11, 19, 27},                         // an airport's detail line
};

const char* const kTypeNames[] = {"APT", "INT", "NDB", "VOR"};

bool Blank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Characters from..to of the text (to the end with npos) without their trailing blanks.
std::string Piece(const std::string& text, size_t from, size_t to) {
    if (from >= text.size()) return {};
    size_t end = std::min(to, text.size());
    while (end > from && Blank(text[end - 1])) --end;
    return text.substr(from, end - from);
}

}  // namespace

int ListingLineTypeOf(std::string_view line) {
    for (int t = kLineApt; t <= kLineVor; ++t) {
        if (line.substr(0, 3) == kTypeNames[t]) return t;
    }
    return kLineDetail;
}

const char* ListingLineTypeName(int type) { return type >= kLineApt && type <= kLineVor ? kTypeNames[type] : ""; }

size_t TrimLineEnd(std::string& text) {
    size_t n = text.size();
    while (n > 0 && Blank(text[n - 1])) --n;
    text.resize(n);
    return n;
}

std::string SkipLeadingBlanks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    return std::string(text.substr(i));
}

SplitListingLine::SplitListingLine(std::string_view line) : type_(ListingLineTypeOf(line)), text_(line) {
    if (text_.size() > kStarColumn && text_[kStarColumn] == '*') {
        starAt17_ = true;
        text_[kStarColumn] = ' ';
    }
    columns_ = &kColumns[type_];
    const std::vector<int>& c = *columns_;
    fields_.reserve(c.size());
    for (size_t i = 0; i < c.size(); ++i) {
        const size_t from = static_cast<size_t>(c[i]);
        const size_t to = i + 1 < c.size() ? static_cast<size_t>(c[i + 1] - 1) : std::string::npos;
        fields_.push_back(Piece(text_, from, to));
    }
}

const std::string& SplitListingLine::Field(int column) const {
    static const std::string none;
    const std::vector<int>& c = *columns_;
    for (size_t i = 0; i < c.size(); ++i) {
        if (c[i] == column) return fields_[i];
    }
    return none;
}

int SplitListingLine::LastColumn() const { return columns_->back(); }

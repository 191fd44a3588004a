#include "gen/listing/ListingToBatchLine.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kStarColumn = 17;

// Start columns of the fields, by record type.
struct Columns {
    int count;
    int at[9];
};
constexpr Columns kColumns[] = {
    {7, {0, 5, 11, 23, 35, 42, 46}},          // APT
    {5, {0, 5, 11, 23, 35}},                  // INT
    {7, {0, 5, 11, 23, 35, 41, 44}},          // NDB
    {9, {0, 5, 11, 23, 35, 42, 45, 52, 57}},  // VOR
    {4, {0, 11, 19, 27}},                     // an airport's detail line
};

const char* const kTypeNames[] = {"APT", "INT", "NDB", "VOR"};

bool Blank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

int ListingLineTypeOf(std::string_view line) {
    for (int t = kLineApt; t <= kLineVor; ++t) {
        if (line.substr(0, 3) == kTypeNames[t]) return t;
    }
    return kLineDetail;
}

const char* ListingLineTypeName(int type) { return type >= kLineApt && type <= kLineVor ? kTypeNames[type] : ""; }

std::string_view TrimmedEnd(std::string_view text) {
    size_t n = text.size();
    while (n > 0 && Blank(text[n - 1])) --n;
    return text.substr(0, n);
}

size_t TrimLineEnd(std::string& text) {
    text.resize(TrimmedEnd(text).size());
    return text.size();
}

std::string_view SkipLeadingBlanks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    return text.substr(i);
}

bool AppendCText(std::string& out, std::string_view text) {
    const void* nul = text.empty() ? nullptr : std::memchr(text.data(), '\0', text.size());
    if (!nul) {
        out.append(text);
        return true;
    }
    out.append(text.data(), static_cast<size_t>(static_cast<const char*>(nul) - text.data()));
    return false;
}

void SplitListingLine::Assign(std::string_view line) {
    type_ = ListingLineTypeOf(line);
    text_.assign(line);
    starAt17_ = text_.size() > kStarColumn && text_[kStarColumn] == '*';
    if (starAt17_) text_[kStarColumn] = ' ';
    const Columns& c = kColumns[type_];
    count_ = c.count;
    const std::string_view text(text_);
    for (int i = 0; i < count_; ++i) {
        const size_t from = static_cast<size_t>(c.at[i]);
        if (from >= text.size()) {
            fields_[i] = {};
            continue;
        }
        const size_t to = i + 1 < count_ ? static_cast<size_t>(c.at[i + 1] - 1) : text.size();
        fields_[i] = {from, TrimmedEnd(text.substr(from, std::min(to, text.size()) - from)).size()};
    }
}

std::string_view SplitListingLine::Field(int column) const {
    const Columns& c = kColumns[type_];
    for (int i = 0; i < count_; ++i) {
        if (c.at[i] == column) return FieldAt(i);
    }
    return {};
}

int SplitListingLine::LastColumn() const { return kColumns[type_].at[count_ - 1]; }

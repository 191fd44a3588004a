// Idents issued in one listing: how often each was asked for, and the rules that turn a name
// into a 5-character ident unique within the listing (VRPs) or a height into a numbered
// name (fixed-layout obstacles).
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace obstacles {

constexpr size_t kIdentLength = 5;

class IdentList {
public:
    // Times the ident was asked for before (0 the first time); counts this use.
    int CountIdentUse(const std::string& ident);
    // A first ident stays; one issued before gets its use count: appended while that fits in
    // 5 characters, else written over the last places of the 5-character field; a count of
    // 6 or more digits gives "XXXXX". An empty ident becomes "VRP" first.
    void MakeUniqueIdent(std::string& ident);
    // The name of an obstacle of this height: the height, with a letter suffix for a height
    // used before (see the listing of fixed-layout files); a negative height is written
    // with "M" for the minus sign.
    std::string MakeNumberedName(int height);
    void Clear() { uses_.clear(); }

private:
    std::unordered_map<std::string, int> uses_;
};

// Appends the letters and digits of text, upper-cased, to ident while it is shorter than
// maxLength; a phonetic word ("alpha" ...) or a compass word gives only its initial.
void AppendIdentWords(std::string& ident, size_t maxLength, std::string_view text);
// Exactly "north", "south", "east" or "west".
bool IsCompassWord(std::string_view word);

}  // namespace obstacles

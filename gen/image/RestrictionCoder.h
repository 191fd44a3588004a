// The restriction text of a frequency ("R:" text of batch FRQ lines) as the self-delimiting
// restriction bytes kept in RESTR records and in the airport's rwy/com/appr entry:
//   byte 0 count of the bytes that follow; byte 1 flags; then, when their flag is set, the
//   sector (two bearing low bytes; flag 1, bearing bit 8 in flags 64 and 128), "BELOW" (u16
//   height + 5000; flag 4), "ABOVE" (flag 2), the remote VOR ident (3 bytes; flag 8) and the
//   remaining text in the name code (flag 16; "UNK20 " before it gives flag 32).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/ImageResult.h"

constexpr size_t kMaxRestrictionBytes = 128;

// The bytes of the text; empty when it does not begin with "R:" or holds nothing recognised.
// More than 128 bytes, or a height that does not fit its field, is an error naming the limit.
// Without `unk20Keyword` "UNK20 " is plain text (its flag is never set).
ImageResult EncodeRestrictionText(const std::string& text, std::vector<uint8_t>* bytes, bool unk20Keyword = true);

// What differs between the families' readings of the text.
struct RestrictionTextRules {
    bool unk20Keyword = true;   // "UNK20 " sets its flag
    bool quotedText = false;    // the text part is the text between double quotes (none without them)
    bool emptyForm = false;     // a text with no part still gives its two bytes (count 1, flags 0)
};
ImageResult EncodeRestrictionText(const std::string& text, std::vector<uint8_t>* bytes, const RestrictionTextRules& rules);

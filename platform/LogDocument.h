// The log variant of the listing document: at most 2000 lines; an append past that drops
// the oldest 250 and the first remaining line becomes "*** Scroll Truncated ***". Progress
// lines agreeing in their first 6 characters replace the last line in place.
#pragma once

#include "platform/ListingDocument.h"

namespace platform {

inline constexpr const char* kScrollTruncatedText = "*** Scroll Truncated ***";

class LogDocument : public ListingDocument {
public:
    static constexpr size_t kMaxLines = 2000;
    static constexpr size_t kDropLines = 250;
    static constexpr size_t kCompareLength = 6;

    LogDocument() : ListingDocument({kMaxLines, kDropLines, kScrollTruncatedText, kCompareLength}) {}
};

}  // namespace platform

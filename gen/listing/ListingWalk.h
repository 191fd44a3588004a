// The walk of a section listing over records 0..total-1: each record gives as many sub-lines
// as `lines` says (0: it is not listed), and the walk hands out one position code per call.
#pragma once

#include <cstdint>

#include "gen/shell/OperationContext.h"

// Where the walk stands: the record whose sub-lines are being handed out.
struct ListingCursor {
    int32_t record = -1;
    uint32_t sub = 0;
    uint32_t subCount = 0;
};

// From the context's current record: the current record's next sub-line, or sub-line 0 of the
// next record from `start` on whose `lines` is not 0; -1 at the end. The walk starts again
// whenever the context's listing position is reset.
template <class Lines, class Code>
int32_t WalkListing(OperationContext& context, ListingCursor& c, uint32_t total, uint32_t start, const Lines& lines,
                    const Code& code) {
    const int32_t current = context.currentRecord;
    if (current >= 0 && current == c.record && c.sub + 1 < c.subCount) return code(static_cast<uint32_t>(current), ++c.sub);
    for (uint32_t n = current < 0 ? start : static_cast<uint32_t>(current) + 1; n < total; ++n) {
        const uint32_t count = lines(n);
        if (count == 0) continue;
        context.currentRecord = static_cast<int32_t>(n);
        c.record = context.currentRecord;
        c.sub = 0;
        c.subCount = count;
        return code(n, 0);
    }
    context.currentRecord = static_cast<int32_t>(total);
    c.record = -1;
    return -1;
}

// A document that is a listing: an ordered store of text lines with a cap. When an append
// takes the store past its cap, lines are dropped from the front and the new first line
// becomes a marker text. The last line can be replaced in place (progress texts). Views
// are told of changes with kHintLinesChanged. Specialisations may show other lines
// (formatted on demand) by overriding GetLineCount and GetLine.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Document.h"

namespace platform {

// Update hint: the lines changed.
constexpr long kHintLinesChanged = 1;

struct ListingLimits {
    size_t maxLines = 0;        // the store never holds more after an append
    size_t dropLines = 0;       // dropped from the front when an append goes past maxLines
    std::string marker;         // replaces the first remaining line after a drop
    size_t compareLength = 0;   // ReplaceLastLine: texts agreeing in this many leading
                                // characters are the same progress line
};

class ListingDocument : public Document {
public:
    explicit ListingDocument(ListingLimits limits);
    ~ListingDocument() override;

    const ListingLimits& Limits() const { return limits_; }

    // Appends a copy of the text (then applies the cap) and tells the views.
    void AddLine(std::string_view text);
    // Overwrites the last line when forced or when the last line and the text agree in
    // their first compareLength characters (as a bounded C-string compare); otherwise, and
    // on an empty store, appends. An overwrite repaints only the bottom line of the first
    // listing view; the views are not told (they do not scroll).
    void ReplaceLastLine(std::string_view text, bool force = false);
    // Empties the store and tells the views.
    void ClearLines();

    // The lines the views show; by default the stored lines.
    virtual int GetLineCount() const;
    // Text of line i as the views show it, valid until the next call; "" outside the count.
    virtual const std::string& GetLine(int i);

    const std::vector<std::string>& Lines() const { return lines_; }

    // Tells the views that the lines changed.
    void LinesChanged() { UpdateAllViews(nullptr, kHintLinesChanged); }

private:
    void AppendLine(std::string_view text);

    ListingLimits limits_;
    std::vector<std::string> lines_;
};

}  // namespace platform

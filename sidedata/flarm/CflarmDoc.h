// Gindral's listing: every line is kept (and saved by Save Full Listing As), the screen shows
// the first 1999 and then a fixed line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Document.h"

// Update hint: a line was added.
constexpr long kHintLineAdded = 1;

inline constexpr const char* kMaxDisplayableText = "Maximum Displayable Lines - use View/Filter or Save Full Listing";

class CflarmDoc : public platform::Document {
public:
    static constexpr int kMaxShownLines = 2000;

    CflarmDoc();

    // Appends a copy (echoed to standard output headless); the views are told while the
    // listing holds 2000 lines or fewer.
    void AddLine(std::string_view text);
    void ClearLines();
    // Lines on the screen: at most 2000.
    int GetLineCount() const;
    // Line i for i up to 1998; past it the fixed text.
    const std::string& GetLine(int i) const;
    const std::vector<std::string>& Lines() const { return lines_; }

    // File>Save Full Listing As.
    void OnSaveFullListingAs();
    // Every line followed by CR LF; false when the file could not be written.
    bool SaveFullListing(const std::string& path) const;

private:
    std::vector<std::string> lines_;
};

// The generator's single document: the listing, an ordered list of text lines that every
// operation appends to, or, while an image-section listing is shown, a listing index of record
// handles formatted on demand. Owns the image-operation object and connects the database
// library's status and error hooks to the listing and the user.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Document.h"

class Image;
class OperationContext;

// Update hint: the lines changed.
constexpr long kHintLinesChanged = 1;

inline constexpr const char* kListingTruncatedText = "***** Listing truncated *****";
inline constexpr const char* kMaxListableText = "Maximum listable lines - use filters to see later entries";
inline constexpr const char* kNoMatchingItemsText = "No Matching Items";

class CGenDoc : public platform::Document {
public:
    static constexpr size_t kMaxLines = 2040;       // stored lines after an append
    static constexpr size_t kTruncateLines = 510;   // dropped from the front when over
    static constexpr size_t kMaxListingHandles = 2041;  // then the entry -2
    static constexpr size_t kCompareLength = 12;    // ReplaceLastLine's "same progress text"

    CGenDoc();
    ~CGenDoc() override;

    // The document that the database library's status texts go to (the last constructed).
    static CGenDoc* Registered();

    void AddLine(std::string_view text);
    // Overwrites the last line when forced or when its first 12 characters equal the new
    // text's; otherwise appends. An empty listing appends.
    void ReplaceLastLine(std::string_view text, bool force = false);

    // Lines the view shows: listing index entries while a listing kind is shown, else lines.
    int GetLineCount() const;
    // Text of line i as the view shows it; valid until the next call. Outside the count: "".
    const std::string& GetLine(int i);

    // Starts building an image-section listing of kind (negative: the kind shown last) from
    // the file, or, with kind 0 or no file, shows the stored lines again.
    void StartListing(const char* fileName, int kind);

    int ShownKind() const { return shownKind_; }
    int RequestedKind() const { return requestedKind_; }
    int LastShownKind() const { return lastShownKind_; }
    // The requested kind becomes the shown kind (end of a listing).
    void ShowRequestedKind();

    const std::vector<std::string>& Lines() const { return lines_; }
    std::vector<int32_t>& ListingIndex() { return listingIndex_; }
    const std::vector<int32_t>& ListingIndex() const { return listingIndex_; }

    // The image-operation object (null when the model has none).
    Image* GetImage() const { return image_.get(); }
    void SetImage(std::unique_ptr<Image> image);

    // Tells the views that the lines changed (hint 1).
    void LinesChanged() { UpdateAllViews(nullptr, kHintLinesChanged); }

    // The database library's hooks.
    static void OnIsamStatus(const char* text);
    [[noreturn]] static void OnIsamError(const char* text);

private:
    void AppendLine(std::string_view text);

    int shownKind_ = 0;
    int requestedKind_ = 0;
    int lastShownKind_ = 0;
    std::string lineBuffer_;
    std::vector<std::string> lines_;
    std::vector<int32_t> listingIndex_;
    std::unique_ptr<Image> image_;
};

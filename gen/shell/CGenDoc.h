// The generator's single document: the listing, an ordered list of text lines that every
// operation appends to, or, while an image-section listing is shown, a listing index of record
// handles formatted on demand. Owns the image-operation object and connects the database
// library's status and error hooks to the listing and the user.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ListingDocument.h"

class Image;
class OperationContext;

using platform::kHintLinesChanged;

inline constexpr const char* kListingTruncatedText = "***** Listing truncated *****";
inline constexpr const char* kMaxListableText = "Maximum listable lines - use filters to see later entries";
inline constexpr const char* kNoMatchingItemsText = "No Matching Items";

class CGenDoc : public platform::ListingDocument {
public:
    static constexpr size_t kMaxLines = 2040;       // stored lines after an append
    static constexpr size_t kTruncateLines = 510;   // dropped from the front when over
    static constexpr size_t kMaxListingHandles = 2041;  // then the entry -2
    static constexpr size_t kCompareLength = 12;    // ReplaceLastLine's "same progress text"

    // What the document is given to show image-section listings: the formatter of one
    // record handle of the current kind, and the opener that starts building a listing of
    // a kind from a file.
    struct ListingHooks {
        std::function<void(int32_t handle, std::string& line)> format;
        std::function<void(CGenDoc& doc, const std::string& fileName, int kind)> open;
    };

    explicit CGenDoc(ListingHooks hooks = {});
    ~CGenDoc() override;

    // The document that the database library's status texts go to (the last constructed).
    static CGenDoc* Registered();

    // Lines the view shows: listing index entries while a listing kind is shown, else lines.
    int GetLineCount() const override;
    // Text of line i as the view shows it; valid until the next call. Outside the count: "".
    const std::string& GetLine(int i) override;

    // Starts building an image-section listing of kind (negative: the kind shown last) from
    // the file, or, with kind 0 or no file, shows the stored lines again.
    void StartListing(const char* fileName, int kind);

    int ShownKind() const { return shownKind_; }
    int RequestedKind() const { return requestedKind_; }
    int LastShownKind() const { return lastShownKind_; }
    // The requested kind becomes the shown kind (end of a listing).
    void ShowRequestedKind();

    std::vector<int32_t>& ListingIndex() { return listingIndex_; }
    const std::vector<int32_t>& ListingIndex() const { return listingIndex_; }

    // The image-operation object (null when the model has none).
    Image* GetImage() const { return image_.get(); }
    void SetImage(std::unique_ptr<Image> image);

    // The database library's hooks.
    static void OnIsamStatus(const char* text);
    [[noreturn]] static void OnIsamError(const char* text);

private:
    ListingHooks hooks_;
    int shownKind_ = 0;
    int requestedKind_ = 0;
    int lastShownKind_ = 0;
    std::string lineBuffer_;
    std::vector<int32_t> listingIndex_;
    std::unique_ptr<Image> image_;
};

#include "platform/ListingDocument.h"

#include <cstring>

#include "platform/ListingView.h"

namespace platform {

namespace {

// Whether the texts agree in their first `length` characters, as a bounded C-string compare:
// each text ends at its first NUL.
bool SameLeadingText(std::string_view a, const std::string& b, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        const char ca = i < a.size() ? a[i] : '\0';
        const char cb = b.c_str()[i];
        if (ca != cb) return false;
        if (ca == '\0') return true;
    }
    return true;
}

}  // namespace

ListingDocument::ListingDocument(ListingLimits limits) : limits_(std::move(limits)) {}

ListingDocument::~ListingDocument() = default;

void ListingDocument::AppendLine(std::string_view text) {
    lines_.emplace_back(text);
    EchoLine(text);
    if (lines_.size() > limits_.maxLines) {
        size_t drop = std::min(limits_.dropLines, lines_.size() - 1);
        lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(drop));
        lines_.front() = limits_.marker;
    }
}

void ListingDocument::AddLine(std::string_view text) {
    AppendLine(text);
    LinesChanged();
}

void ListingDocument::ReplaceLastLine(std::string_view text, bool force) {
    if (lines_.empty()) {
        AddLine(text);
        return;
    }
    if (!force && !SameLeadingText(text, lines_.back(), limits_.compareLength)) {
        AddLine(text);
        return;
    }
    lines_.back().assign(text);
    EchoReplacedLine(text);
    if (auto* view = dynamic_cast<ListingView*>(FirstView())) view->RepaintBottomLine();
}

void ListingDocument::ClearLines() {
    lines_.clear();
    LinesChanged();
}

int ListingDocument::GetLineCount() const { return static_cast<int>(lines_.size()); }

const std::string& ListingDocument::GetLine(int i) {
    static const std::string empty;
    if (i < 0 || i >= static_cast<int>(lines_.size())) return empty;
    return lines_[static_cast<size_t>(i)];
}

}  // namespace platform

#include "platform/ListingDocument.h"

#include <cstring>

#include "platform/ListingView.h"

namespace platform {

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
    if (!force) {
        // Texts end at their first NUL, as C strings do.
        std::string a(text.substr(0, limits_.compareLength));
        if (std::strncmp(a.c_str(), lines_.back().c_str(), limits_.compareLength) != 0) {
            AddLine(text);
            return;
        }
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

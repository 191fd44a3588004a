#include "gen/ListingToBatch.h"

#include <algorithm>
#include <cstdlib>

#include "common/LineWriter.h"

namespace {

constexpr int kTypeColumn = 11;
constexpr int kFrequencyColumn = 19;
constexpr int kRestColumn = 27;
constexpr size_t kMarkColumn = 25;
constexpr size_t kRunwayLineLength = 47;
constexpr size_t kDesignatorColumn = 46;
constexpr size_t kDesignatorEnd = 52;
constexpr size_t kForwardEnd = 49;
constexpr size_t kReciprocalColumn = 50;
constexpr size_t kLengthColumn = 54;
constexpr int kReciprocalOffset = 18;
constexpr const char* kCommentPrefix = "// ";
constexpr const char* kNoWidthRemark = "ff 0000 00000000";

// Everything of the batch line up to and including its fourth '|' ("ADD|APT|KSEA|US-...|"),
// with the record type replaced; "" when the line has fewer separators.
std::string AirportHead(const std::string& buffer, const char* type) {
    size_t at = 0;
    for (int i = 0; i < 4; ++i) {
        at = buffer.find('|', at);
        if (at == std::string::npos) return {};
        ++at;
    }
    std::string head = buffer.substr(0, at);
    head.replace(4, 3, type);
    return head;
}

std::string Cut(const std::string& text, size_t from, size_t to) {
    if (from >= text.size()) return {};
    std::string piece = text.substr(from, to - from);
    TrimLineEnd(piece);
    return SkipLeadingBlanks(piece);
}

// The runway's fields "length|designator|surface|lighting|" and its remark, from the runway
// part of a detail line (columns 46 on); "" when the line holds no length.
std::string RunwayTail(std::string text) {
    if (!text.empty() && text.back() == ')') text.pop_back();
    const size_t quote = text.find('\'', kLengthColumn);
    if (quote == std::string::npos) return {};
    size_t end = kDesignatorEnd;
    if (text.compare(kDesignatorColumn + 1, 5, "..-..") == 0 ||
        std::atoi(text.c_str() + kDesignatorColumn) ==
            std::atoi(text.c_str() + std::min(kReciprocalColumn, text.size())) - kReciprocalOffset) {
        end = kForwardEnd;
    }
    std::string tail = Cut(text, kLengthColumn, quote) + "|" + Cut(text, kDesignatorColumn, end) + "|" +
                       Cut(text, quote + 2, quote + 8) + "|" + Cut(text, quote + 9, quote + 15) + "|";
    size_t remark = quote + 16;
    if (remark < text.size() && text[remark] == '<') {
        tail += text.substr(remark, 5) + " ";
        remark += 6;
    }
    const size_t open = remark < text.size() ? text.find('(', remark) : std::string::npos;
    if (open != std::string::npos) return tail + text.substr(open + 1);
    // A runway listed without a width has a negative flag byte, which no remark shows: keep it
    // negative, or the runway comes back with a width of 0.
    const bool noWidth = text.substr(kLengthColumn, quote - kLengthColumn).find('x') == std::string::npos;
    return tail + (noWidth ? kNoWidthRemark : "0");
}

}  // namespace

void ListingLineToBatch::Convert(std::string& line, LineWriter& out) {
    const SplitListingLine split(line);
    if (form_ == Form::SbsWaypoints) {
        line = SbsWaypointLine(split);
        return;
    }
    if (form_ == Form::SbsAirports) {
        line = sbsAirport_.Convert(split);
        return;
    }
    if (split.Type() == kLineDetail) {
        ConvertDetail(split, line, out);
        return;
    }
    // Each field as far as a NUL, as "%s" takes it.
    const auto append = [this](const std::string& field) { buffer_.append(field.c_str()); };
    buffer_.assign("ADD|");
    append(split.Field(0));
    buffer_ += '|';
    append(split.Field(5));
    buffer_ += '|';
    append(BatchFieldsFromListing(split));
    line = buffer_;
}

void ListingLineToBatch::ConvertDetail(const SplitListingLine& split, std::string& line, LineWriter& out) {
    const std::string& text = split.Text();
    if (!split.Field(0).empty()) {
        line = kCommentPrefix + text;
        TrimLineEnd(line);
        return;
    }
    const std::string frqHead = AirportHead(buffer_, "FRQ");
    if (frqHead.empty()) {
        line.clear();
        return;
    }
    std::string frequency;
    if (!split.Field(kTypeColumn).empty()) {
        std::string value = split.Field(kFrequencyColumn);
        const bool marked = split.At(kMarkColumn) == '*';
        if (marked) value = Cut(text, kFrequencyColumn, kMarkColumn);
        frequency = frqHead + split.Field(kTypeColumn) + "|" + value;
        if (marked) frequency += "|M";
        const std::string& rest = split.Field(kRestColumn);
        if (split.StarAt17()) {
            frequency += "|R:" + rest;
        } else if (rest.compare(0, 2, "RX") == 0 || rest.compare(0, 2, "TX") == 0) {
            frequency += "|R:";
            frequency += rest[0];
            frequency += rest[1];
            frequency += ' ';
        }
        buffer_ = frequency;
    }
    if (text.size() < kRunwayLineLength || split.StarAt17()) {
        line = frequency;
        return;
    }
    const std::string tail = RunwayTail(text);
    if (tail.empty()) {
        line = frequency;
        return;
    }
    if (!frequency.empty()) out.WriteLine(frequency);
    buffer_ = AirportHead(buffer_, "RWY") + tail;
    line = buffer_;
}

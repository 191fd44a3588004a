#include "gen/listing/ListingToBatch.h"

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
constexpr long long kReciprocalOffset = 18;
constexpr const char* kCommentPrefix = "// ";
constexpr const char* kNoWidthRemark = "ff 0000 00000000";

// The end of the batch line's head: everything up to and including its fourth '|'
// ("ADD|APT|KSEA|US-...|"); npos when the line has fewer separators.
size_t HeadEnd(std::string_view buffer) {
    size_t at = 0;
    for (int i = 0; i < 4; ++i) {
        at = buffer.find('|', at);
        if (at == std::string_view::npos) return at;
        ++at;
    }
    return at;
}

// Cuts the batch line back to its head and puts the record type in it.
void KeepHead(std::string& buffer, size_t head, const char* type) {
    buffer.resize(head);
    buffer.replace(4, 3, type);
}

// Characters from..to of the text, without trailing blanks and then without leading ones.
std::string_view Cut(std::string_view text, size_t from, size_t to) {
    if (from >= text.size()) return {};
    return SkipLeadingBlanks(TrimmedEnd(text.substr(from, to - from)));
}

// The fields of the runway part of a detail line (columns 46 on).
struct RunwayFields {
    std::string_view length;      // the length, or the length, 'x' and the width
    std::string_view designator;  // the first end only, unless the other end is not its reciprocal
    std::string_view surface;
    std::string_view lighting;
    std::string_view ends;        // the dump form's threshold ends "<L-R>", or ""
    std::string_view remark;      // the text after the remark's '('
    const char* noRemark = nullptr;  // what stands for a missing remark
};

// Reads the runway part; false when the line holds no length.
bool ReadRunway(const SplitListingLine& split, bool keepOtherEnd, RunwayFields* r) {
    std::string_view text = split.Text();
    if (!text.empty() && text.back() == ')') text.remove_suffix(1);
    const size_t quote = text.find('\'', kLengthColumn);
    if (quote == std::string_view::npos) return false;
    size_t end = kDesignatorEnd;
    // Both numbers as atoi reads them (the line is NUL-terminated behind them); the other end's
    // number less 18 is taken in 64 bits, so that a number at the edge of the int range cannot overflow.
    if (keepOtherEnd) {
        end = kLengthColumn;
    } else if (text.substr(kDesignatorColumn + 1, 5) == "..-.." ||
               std::atoi(split.CText() + kDesignatorColumn) ==
                   static_cast<long long>(std::atoi(split.CText() + kReciprocalColumn)) - kReciprocalOffset) {
        end = kForwardEnd;
    }
    r->length = Cut(text, kLengthColumn, quote);
    r->designator = Cut(text, kDesignatorColumn, end);
    r->surface = Cut(text, quote + 2, quote + 8);
    r->lighting = Cut(text, quote + 9, quote + 15);
    size_t remark = quote + 16;
    if (remark < text.size() && text[remark] == '<') {
        r->ends = text.substr(remark, 5);
        remark += 6;
    }
    const size_t open = remark < text.size() ? text.find('(', remark) : std::string_view::npos;
    if (open != std::string_view::npos) {
        r->remark = text.substr(open + 1);
        return true;
    }
    // A runway listed without a width has a negative flag byte, which no remark shows: keep it
    // negative, or the runway comes back with a width of 0.
    const bool noWidth = text.substr(kLengthColumn, quote - kLengthColumn).find('x') == std::string_view::npos;
    r->noRemark = noWidth ? kNoWidthRemark : "0";
    return true;
}

// "%s|%s|%s|%s|" with length, designator, surface and lighting, the ends and a blank when
// listed, then the remark.
void AppendRunway(const RunwayFields& r, std::string& out) {
    for (std::string_view field : {r.length, r.designator, r.surface, r.lighting}) {
        out.append(field);
        out += '|';
    }
    if (!r.ends.empty()) {
        out.append(r.ends);
        out += ' ';
    }
    if (r.noRemark) {
        out.append(r.noRemark);
    } else {
        out.append(r.remark);
    }
}

}  // namespace

void ListingLineToBatch::Convert(std::string& line, LineWriter& out) {
    split_.Assign(line);
    if (form_ == Form::SbsWaypoints) {
        line = SbsWaypointLine(split_);
        return;
    }
    if (form_ == Form::SbsAirports) {
        line = sbsAirport_.Convert(split_);
        return;
    }
    if (split_.Type() == kLineDetail) {
        ConvertDetail(line, out);
        return;
    }
    // "ADD|%s|%s|%s": each piece as far as a NUL, as "%s" takes it.
    buffer_.assign("ADD|");
    AppendCText(buffer_, split_.Field(0));
    buffer_ += '|';
    AppendCText(buffer_, split_.Field(5));
    buffer_ += '|';
    const size_t fields = buffer_.size();
    AppendBatchFields(split_, buffer_);
    const size_t nul = buffer_.find('\0', fields);
    if (nul != std::string::npos) buffer_.resize(nul);
    line.assign(buffer_);
}

// The frequency's fields "%s|%s" (type and frequency), the mark and the restriction or RX/TX
// remark, behind the buffer's head.
void ListingLineToBatch::AppendFrequency() {
    const bool marked = split_.At(kMarkColumn) == '*';
    buffer_.append(split_.Field(kTypeColumn));
    buffer_ += '|';
    buffer_.append(marked ? Cut(split_.Text(), kFrequencyColumn, kMarkColumn) : split_.Field(kFrequencyColumn));
    if (marked) buffer_ += "|M";
    const std::string_view rest = split_.Field(kRestColumn);
    if (split_.StarAt17()) {
        buffer_ += "|R:";
        buffer_.append(rest);
    } else if (rest.substr(0, 2) == "RX" || rest.substr(0, 2) == "TX") {
        buffer_ += "|R:";
        buffer_.append(rest.substr(0, 2));
        buffer_ += ' ';
    }
}

void ListingLineToBatch::ConvertDetail(std::string& line, LineWriter& out) {
    const std::string_view text = split_.Text();
    if (!split_.Field(0).empty()) {
        line.assign(kCommentPrefix);
        line.append(text);
        TrimLineEnd(line);
        return;
    }
    const size_t head = HeadEnd(buffer_);
    if (head == std::string::npos) {
        line.clear();
        return;
    }
    const bool frequency = !split_.Field(kTypeColumn).empty();
    if (frequency) {
        KeepHead(buffer_, head, "FRQ");
        AppendFrequency();
    }
    RunwayFields runway;
    if (text.size() < kRunwayLineLength || split_.StarAt17() || !ReadRunway(split_, keepOtherEnd_, &runway)) {
        if (frequency) {
            line.assign(buffer_);
        } else {
            line.clear();
        }
        return;
    }
    if (frequency) out.WriteLine(buffer_);
    KeepHead(buffer_, head, "RWY");
    AppendRunway(runway, buffer_);
    line.assign(buffer_);
}

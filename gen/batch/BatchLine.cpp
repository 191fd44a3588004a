#include "gen/batch/BatchLine.h"

#include <algorithm>

namespace {

const char* const kResultTexts[] = {
    "DONE",    "ABS",     "MODIFIED", "ERR-NU",  "ERR-FC",  "ERR-F1",  "ERR-F2",
    "ERR-F3",  "ERR-CID", "ERR-CTY",  "ERR-FAC", "ERR-LAT", "ERR_LNG", "ERR-CSP",
    "ERR-DME", "ERR-RWY", "ERR-LIT",  "ERR-SFC", "ERR-FRQ", "OK",
};
constexpr int kResultTextCount = static_cast<int>(sizeof kResultTexts / sizeof kResultTexts[0]);

const char* const kTypeWords[] = {"APT", "INT", "NDB", "VOR", "RWY", "FRQ", "USR", "RTE"};

// Trailing blanks, control characters and characters with the top bit set.
bool IsTrailingJunk(char c) {
    auto u = static_cast<unsigned char>(c);
    return u < 33 || u >= 0x80;
}

void TrimEnd(std::string& text) {
    size_t n = text.size();
    while (n > 0 && IsTrailingJunk(text[n - 1])) --n;
    text.resize(n);
}

}  // namespace

const char* BatchResultText(int code) {
    if (code >= 0 && code < kResultTextCount) return kResultTexts[code];
    return "INTERNAL ERROR";
}

bool IsBatchError(int code) { return !(code == kBatchDone || code == kBatchAbs || code == kBatchModified || code == kBatchOk); }

BatchCommand BatchCommandOf(std::string_view word) {
    if (word == "ADD") return kBatchAdd;
    if (word == "DEL") return kBatchDel;
    return kBatchNoCommand;
}

BatchType BatchTypeOf(std::string_view word) {
    for (int i = 0; i < 8; ++i) {
        if (word == kTypeWords[i]) return static_cast<BatchType>(i + 1);
    }
    return kBatchNoType;
}

size_t BatchIdentLimit(BatchType type) {
    switch (type) {
    case kBatchApt:
    case kBatchRwy:
    case kBatchFrq:
        return 4;
    case kBatchInt:
        return 5;
    case kBatchNdb:
    case kBatchVor:
        return 3;
    default:
        return 7;
    }
}

const std::string& BatchLine::Field(size_t n) const {
    static const std::string empty;
    return n >= 1 && n <= count ? fields[n - 1] : empty;
}

std::string& BatchLine::MutableField(size_t n) { return fields[n - 1]; }

size_t SplitBatchFields(std::string_view text, std::array<std::string, kBatchMaxFields>& fields) {
    size_t count = 0;
    size_t i = 0;
    while (count < kBatchMaxFields) {
        while (i < text.size() && text[i] == '|') ++i;
        if (i >= text.size()) break;
        size_t end = text.find('|', i);
        if (end == std::string_view::npos) end = text.size();
        fields[count++].assign(text.substr(i, end - i));
        i = end;
    }
    for (size_t k = count; k < kBatchMaxFields; ++k) fields[k].clear();
    return count;
}

bool PrepareBatchLine(std::string_view raw, BatchLine& line) {
    std::string& text = line.text;
    text.assign(raw.substr(0, std::min(raw.find('\0'), raw.size())));
    TrimEnd(text);
    line.count = 0;
    line.type = kBatchNoType;
    if (text.empty() || text[0] == '/') return false;
    size_t comment = text.find("//", 1);
    if (comment != std::string::npos) {
        text.resize(comment);
        // A journal line puts a tab before its comment: the fields end before it.
        TrimEnd(text);
    }
    line.upper = text;
    for (char& c : line.upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    line.count = SplitBatchFields(line.upper, line.fields);
    return true;
}

namespace {

std::string ResultLine(const std::string& result, std::string_view text) {
    std::string out(11, ' ');
    if (result.size() >= 10) {
        out.replace(0, result.size(), result);
        out.resize(std::max(out.size(), result.size()));
        if (out.size() < 11) out.resize(11, ' ');
    } else {
        out.replace(10 - result.size(), result.size(), result);
    }
    // The line follows from column 11 (or right after a longer result text).
    if (out.size() > 11) out += ' ';
    out.append(text);
    if (out.size() > kBatchLineLength) out.resize(kBatchLineLength);
    TrimEnd(out);
    return out;
}

}  // namespace

std::string FormatBatchResultLine(int code, std::string_view text) {
    return ResultLine(IsBatchError(code) ? std::string("*") + BatchResultText(code) + "*"
                                         : std::string("(") + BatchResultText(code) + ")",
                      text);
}

bool IsBatchError(int code, const std::vector<std::string>& resultTexts) {
    if (resultTexts.empty()) return IsBatchError(code);
    return code < 0 || static_cast<size_t>(code) >= resultTexts.size() || resultTexts[code].empty() ||
           resultTexts[code][0] != '(';
}

std::string FormatBatchResultLine(int code, std::string_view text, const std::vector<std::string>& resultTexts) {
    if (resultTexts.empty()) return FormatBatchResultLine(code, text);
    const std::string t = code >= 0 && static_cast<size_t>(code) < resultTexts.size() ? resultTexts[code]
                                                                                      : "INTERNAL ERROR";
    return ResultLine(!t.empty() && t[0] == '(' ? t : "*" + t + "*", text);
}

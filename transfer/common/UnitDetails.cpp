#include "transfer/common/UnitDetails.h"

#include "common/CLocale.h"

namespace {

// The zero-ended string at `at`, cut at the packet's end; `at` moves past its zero byte.
std::string NextString(const uint8_t* data, int size, int& at) {
    std::string text;
    while (at < size && data[at] != 0) text.push_back(static_cast<char>(data[at++]));
    ++at;
    return text;
}

void AddStrings(const uint8_t* data, int size, int at, std::vector<std::string>& lines) {
    while (at < size) {
        const bool shown = data[at] < 0x80;
        std::string text = NextString(data, size, at);
        if (shown) lines.push_back(std::move(text));
    }
}

}  // namespace

std::vector<std::string> ProductDataLines(const uint8_t* data, int size, ProductData* product) {
    std::vector<std::string> lines{"Unit Details:"};
    ProductData found;
    if (size >= 2) found.productId = data[0] | data[1] << 8;
    if (size >= 4) found.softwareVersion = static_cast<int16_t>(data[2] | data[3] << 8);
    int at = 4;
    const std::string text = NextString(data, size, at);
    lines.push_back(StringFormatC("[%d/%d] %s", found.productId, found.softwareVersion, text.c_str()));
    AddStrings(data, size, at, lines);
    lines.emplace_back();
    if (product) *product = found;
    return lines;
}

std::vector<std::string> ProtocolArrayLines(const uint8_t* data, int size) {
    std::vector<std::string> lines{"Protocol Array:"};
    std::string line;
    for (int at = 0; at + 3 <= size; at += 3) {
        line += StringFormatC(" %c%03d", static_cast<char>(data[at]), data[at + 1] | data[at + 2] << 8);
        if (line.size() > 59) lines.push_back(std::move(line)), line.clear();
    }
    if (!line.empty()) lines.push_back(line);
    lines.emplace_back();
    return lines;
}

std::vector<std::string> TextStringLines(const uint8_t* data, int size) {
    std::vector<std::string> lines;
    AddStrings(data, size, 0, lines);
    lines.emplace_back();
    return lines;
}

#include "transfer/common/UnitRecordText.h"

#include "common/CLocale.h"

namespace {

// The zero-ended text at `position`, cut at the data's end; position moves past its zero.
std::string TakeText(const uint8_t* data, size_t size, size_t& position) {
    std::string text;
    while (position < size && data[position] != 0) text += static_cast<char>(data[position++]);
    if (position < size) ++position;
    return text;
}

void AddTexts(const uint8_t* data, size_t size, size_t position, std::vector<std::string>& lines) {
    while (position < size) {
        const bool shown = data[position] < 0x80;
        std::string text = TakeText(data, size, position);
        if (shown) lines.push_back(std::move(text));
    }
}

}  // namespace

std::vector<std::string> UnitDetailsLines(const uint8_t* data, size_t size, int& productId) {
    std::vector<std::string> lines{"Unit Details:"};
    productId = size >= 2 ? data[0] | data[1] << 8 : 0;
    const int version = size >= 4 ? static_cast<int16_t>(data[2] | data[3] << 8) : 0;
    size_t position = size >= 4 ? 4 : size;
    const std::string first = TakeText(data, size, position);
    lines.push_back(StringFormatC("[%d/%d] %s", productId, version, first.c_str()));
    AddTexts(data, size, position, lines);
    lines.emplace_back();
    return lines;
}

std::vector<std::string> ProtocolArrayLines(const uint8_t* data, size_t size) {
    std::vector<std::string> lines;
    std::string line = "Protocol Array:";
    for (size_t i = 0; i + 3 <= size; i += 3) {
        line += StringFormatC(" %c%03d", data[i], data[i + 1] | data[i + 2] << 8);
        if (line.size() > 59) {
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(line);
    lines.emplace_back();
    return lines;
}

std::vector<std::string> TextListLines(const uint8_t* data, size_t size) {
    std::vector<std::string> lines;
    AddTexts(data, size, 0, lines);
    lines.emplace_back();
    return lines;
}

std::string HexDumpText(const char* label, const uint8_t* bytes, size_t count, int value) {
    std::string text = StringFormatC("%s:", label);
    for (size_t i = 0; i < count && i < 32; ++i) text += StringFormatC(" %02x", bytes[i]);
    if (count > 32) text += " ...";
    text += StringFormatC(" (%d)", value);
    return text;
}

std::string PacketProgressText(int packets) { return StringFormatC("Packets Transferred: %d", packets); }

#include "gen/image/RestrictionCoder.h"

#include <algorithm>
#include <cctype>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "gen/image/NameCoder.h"

namespace {

constexpr uint8_t kFlagSector = 0x01;
constexpr uint8_t kFlagAbove = 0x02;
constexpr uint8_t kFlagBelow = 0x04;
constexpr uint8_t kFlagRemoteVor = 0x08;
constexpr uint8_t kFlagText = 0x10;
constexpr uint8_t kFlagUnk20 = 0x20;
constexpr uint8_t kFlagFirstBearing8 = 0x40;
constexpr uint8_t kFlagSecondBearing8 = 0x80;
constexpr uint32_t kHeightBias = 5000;

bool Digits(const std::string& s, size_t at, size_t n) {
    if (at + n > s.size()) return false;
    return std::all_of(s.begin() + static_cast<long>(at), s.begin() + static_cast<long>(at + n),
                       [](char c) { return c >= '0' && c <= '9'; });
}

uint32_t Bearing(const std::string& s, size_t at) {
    const int v = std::stoi(s.substr(at, 3));
    return (v >= 1 && v <= 359) ? static_cast<uint32_t>(v) : 360;
}

void SkipBlank(const std::string& s, size_t* at) {
    if (*at < s.size() && s[*at] == ' ') ++*at;
}

}  // namespace

ImageResult EncodeRestrictionText(const std::string& text, std::vector<uint8_t>* bytes, bool unk20Keyword) {
    RestrictionTextRules rules;
    rules.unk20Keyword = unk20Keyword;
    return EncodeRestrictionText(text, bytes, rules);
}

ImageResult EncodeRestrictionText(const std::string& text, std::vector<uint8_t>* bytes, const RestrictionTextRules& rules) {
    const bool unk20Keyword = rules.unk20Keyword;
    bytes->clear();
    if (text.compare(0, 2, "R:") != 0) return ImageResult::Ok();
    std::vector<uint8_t> out = {0, 0};
    uint8_t flags = 0;
    size_t at = 2;

    if (Digits(text, at, 3) && at + 3 < text.size() && text[at + 3] == '-' && Digits(text, at + 4, 3) &&
        (at + 7 == text.size() || text[at + 7] == ' ')) {
        const uint32_t first = Bearing(text, at);
        const uint32_t second = Bearing(text, at + 4);
        flags |= kFlagSector | ((first & 0x100) ? kFlagFirstBearing8 : 0) | ((second & 0x100) ? kFlagSecondBearing8 : 0);
        out.push_back(static_cast<uint8_t>(first));
        out.push_back(static_cast<uint8_t>(second));
        at += 7;
        SkipBlank(text, &at);
    }

    struct Keyword {
        const char* word;
        uint8_t flag;
    };
    static const Keyword kHeights[] = {{"BELOW ", kFlagBelow}, {"ABOVE ", kFlagAbove}};
    for (const Keyword& k : kHeights) {
        const size_t len = std::char_traits<char>::length(k.word);
        if (text.compare(at, len, k.word) != 0) continue;
        size_t end = at + len;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
        if (end == at + len) continue;
        const unsigned long height = std::stoul(text.substr(at + len, end - at - len));
        if (height > 0xFFFF - kHeightBias) {
            return ImageResult::Data(StringFormatC("Restriction height %lu does not fit its field (limit %u)", height,
                                                   0xFFFF - kHeightBias));
        }
        flags |= k.flag;
        const auto value = static_cast<uint32_t>(height + kHeightBias);
        out.push_back(static_cast<uint8_t>(value));
        out.push_back(static_cast<uint8_t>(value >> 8));
        at = end;
        SkipBlank(text, &at);
    }

    static const char kRemoteVor[] = "REMOTEVOR ";
    if (text.compare(at, sizeof kRemoteVor - 1, kRemoteVor) == 0) {
        at += sizeof kRemoteVor - 1;
        uint8_t packed[3] = {};
        uint32_t bit = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = at < text.size() ? text[at++] : '\0';
            bit = PutBits(bit, 6, packed, static_cast<uint32_t>(static_cast<unsigned char>(c)) & 31);
        }
        flags |= kFlagRemoteVor;
        out.push_back(packed[2]);
        out.push_back(packed[1]);
        out.push_back(packed[0]);
        SkipBlank(text, &at);
    }

    std::string rest = at < text.size() ? text.substr(at) : std::string();
    if (unk20Keyword && rest.compare(0, 6, "UNK20 ") == 0) {
        flags |= kFlagUnk20;
        rest.erase(0, 6);
    }
    if (rules.quotedText) {
        // The text between the first double quote and the next one (or the end).
        const size_t open = rest.find('"');
        rest = open == std::string::npos ? std::string() : rest.substr(open + 1);
        rest = rest.substr(0, rest.find('"'));
    }
    if (!rest.empty()) {
        flags |= kFlagText;
        const uint32_t codeBits = NameCodeBits(rest.c_str());
        const uint32_t fieldBytes = (7 + codeBits) / 8 + 1;
        if (out.size() + fieldBytes > kMaxRestrictionBytes) {
            return ImageResult::Data(StringFormatC("Restriction text of %zu bytes is too long (limit %zu)",
                                                   out.size() + fieldBytes, kMaxRestrictionBytes));
        }
        std::vector<uint8_t> field(fieldBytes, 0);
        field[0] = static_cast<uint8_t>(fieldBytes << 1);
        EncodeNameText(rest.c_str(), 7, field.data());
        out.insert(out.end(), field.begin(), field.end());
    }

    if (out.size() <= 2 && !rules.emptyForm) return ImageResult::Ok();
    out[0] = static_cast<uint8_t>(out.size() - 1);
    out[1] = flags;
    *bytes = std::move(out);
    return ImageResult::Ok();
}

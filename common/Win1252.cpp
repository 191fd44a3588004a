#include "common/Win1252.h"

#include "platform/Text1252.h"

namespace {

// The length of the UTF-8 sequence at text[i] when its lead and continuation bytes have the
// right shape, else 0.
size_t SequenceLength(std::string_view text, size_t i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) length = 2;
    else if ((lead & 0xF0) == 0xE0) length = 3;
    else if ((lead & 0xF8) == 0xF0) length = 4;
    else return 0;
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    }
    return length;
}

}  // namespace

std::string Win1252ToUtf8(std::string_view text) { return platform::Utf8From1252(text); }

std::string Utf8ToWin1252(std::string_view text, size_t* replaced) {
    std::string out;
    out.reserve(text.size());
    size_t replacements = 0;
    std::string one;
    for (size_t i = 0; i < text.size();) {
        const size_t length = SequenceLength(text, i);
        if (length > 0 && platform::Utf8To1252(text.substr(i, length), one)) {
            out += one;
        } else {
            out += '?';
            ++replacements;
        }
        i += length > 0 ? length : 1;
    }
    if (replaced) *replaced = replacements;
    return out;
}

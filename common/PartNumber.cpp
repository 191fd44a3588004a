#include "common/PartNumber.h"

#include <algorithm>
#include <cstring>

#include "common/CLocale.h"
#include "common/SixBitCode.h"
#include "common/SixBitText.h"

namespace {

constexpr size_t kLabelLength = 20;
constexpr char kTemplate[] = "006-Dxxxx-XX";

}  // namespace

std::string MakePartNumberText(const std::string& title, int partNumber) {
    const std::string tail = StringFormatC("006-D%04d-XX", partNumber);
    std::string label = SixBitTextOf("   " + title);
    label.resize(kLabelLength, ' ');
    if (label.size() + tail.size() > kPartNumberTextLength) {
        label.resize(tail.size() < kPartNumberTextLength ? kPartNumberTextLength - tail.size() : 0);
    }
    std::string text = label + tail;
    text.resize(std::min(text.size(), kPartNumberTextLength));
    return text;
}

void PackPartNumber(uint8_t* field, const std::string& text) {
    std::memset(field, 0, kPartNumberFieldSize);
    const std::string packed = SixBitTextOf(text.substr(0, kPartNumberTextLength));
    PackSixBitText(field, kPartNumberFieldSize, packed.c_str());
}

std::string UnpackPartNumberText(const uint8_t* field) {
    char text[kPartNumberTextLength + 1];
    UnpackSixBitText(field, kPartNumberFieldSize, kPartNumberTextLength, text);
    return text;
}

int DecodePartNumber(const uint8_t* header, size_t size, size_t offset) {
    if (offset > size || size - offset < kPackedPartNumberSize) return -1;
    char text[sizeof kTemplate];
    UnpackSixBitText(header + offset, kPackedPartNumberSize, sizeof kTemplate - 1, text);
    int number = 0;
    for (size_t i = 0; i + 1 < sizeof kTemplate; ++i) {
        const char t = kTemplate[i];
        const char c = text[i];
        const bool digit = c >= '0' && c <= '9';
        if (t == 'x') {
            if (!digit) return -1;
            number = number * 10 + (c - '0');
        } else if (t == 'X') {
            if (!digit && c != 'X') return -1;
        } else if (c != t) {
            return -1;
        }
    }
    return number;
}

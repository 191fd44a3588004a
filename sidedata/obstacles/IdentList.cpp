#include "sidedata/obstacles/IdentList.h"

#include <cstdlib>

namespace obstacles {

namespace {

const char* const kPhonetic[26] = {"alpha",  "bravo",  "charlie", "delta",   "echo",   "foxtrot", "golf",
                                   "hotel",  "india",  "juliet",  "kilo",    "lima",   "mike",    "november",
                                   "oscar",  "papa",   "quebec",  "romeo",   "sierra", "tango",   "uniform",
                                   "victor", "whiskey", "xray",   "yankee",  "zulu"};

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool IsCompassWord(std::string_view word) {
    return word == "north" || word == "south" || word == "east" || word == "west";
}

void AppendIdentWords(std::string& ident, size_t maxLength, std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] != '\0' && ident.size() < maxLength) {
        char c = text[i];
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c)) {
            ++i;
            continue;
        }
        ident += Upper(c);
        if (IsAsciiLetter(c)) {
            std::string word;
            for (size_t j = i; j < text.size() && text[j] != ' ' && text[j] != '\0' && word.size() < 8; ++j) {
                word += Lower(text[j]);
            }
            if (word.size() >= 4 && word[0] >= 'a' && word[0] <= 'z' &&
                (word == kPhonetic[word[0] - 'a'] || IsCompassWord(word))) {
                i += word.size();
                continue;
            }
        }
        ++i;
    }
}

int IdentList::CountIdentUse(const std::string& ident) {
    auto [it, added] = uses_.try_emplace(ident, 0);
    if (added) return 0;
    return ++it->second;
}

void IdentList::MakeUniqueIdent(std::string& ident) {
    if (ident.empty()) ident = "VRP";
    int count = CountIdentUse(ident);
    if (count == 0) return;
    std::string digits = std::to_string(count);
    if (digits.size() >= 6) {
        ident = "XXXXX";
    } else if (ident.size() + digits.size() <= kIdentLength) {
        ident += digits;
    } else {
        ident.resize(kIdentLength, ' ');
        ident.replace(kIdentLength - digits.size(), digits.size(), digits);
    }
}

std::string IdentList::MakeNumberedName(int height) {
    for (;;) {
        std::string text = height < 0 ? "M" + std::to_string(-static_cast<long>(height)) : std::to_string(height);
        int n = CountIdentUse(text);
        std::string name = text;
        if (n > 26 * 27) {
            name.clear();  // no letter suffix left: the next height
        } else if (n > 0) {
            std::string suffix;
            if (n <= 26) {
                suffix = std::string(1, static_cast<char>('A' + n - 1));
            } else {
                suffix = std::string(1, static_cast<char>('A' + (n - 1) / 26 - 1));
                suffix += static_cast<char>('A' + (n - 1) % 26);
            }
            if (text.size() > 4) {
                long hundreds = std::labs(static_cast<long>(height)) / 100;
                if (std::labs(static_cast<long>(height)) % 100 >= 10) ++hundreds;
                name = (height < 0 ? "LM" : "L") + std::to_string(hundreds) + suffix;
            } else {
                name = text + suffix;
            }
        }
        if (!name.empty() && name.size() <= kIdentLength) return name;
        if (height >= 9998) return "XXXXX";
        ++height;
    }
}

}  // namespace obstacles

#include "transfer/common/MountInfo.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

// Undoes the kernel's escapes of blank, tab, newline and backslash ("\040").
std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const std::string digits = text.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace

std::vector<MountEntry> ReadMountInfo(const std::string& path) {
    std::vector<MountEntry> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mount-point options [optional fields] - type source super-options
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string word; fields >> word;) words.push_back(word);
        const auto dash = std::find(words.begin(), words.end(), "-");
        if (words.size() < 6 || dash == words.end() || dash - words.begin() < 6 || words.end() - dash < 3) continue;
        entries.push_back({words[2], Unescape(words[4]), Unescape(*(dash + 1)), Unescape(*(dash + 2))});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const MountEntry& a, const MountEntry& b) { return a.mountPoint < b.mountPoint; });
    return entries;
}

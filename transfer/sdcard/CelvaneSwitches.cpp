#include "transfer/sdcard/CelvaneSwitches.h"

#include <cctype>

const char* const kCelvaneUsage = "usage: celvane [-G3X | -G3XT] [-d[n]]";

bool ParseCelvaneSwitches(const std::vector<std::string>& words, CelvaneOptions& options, std::string& unknown) {
    for (const std::string& word : words) {
        if (word == "-G3X") {
            options.targetModel = 4;
        } else if (word == "-G3XT") {
            options.targetModel = 5;
        } else if (word == "-d") {
            ++options.debugLevel;
        } else if (word.size() > 2 && word.compare(0, 2, "-d") == 0 &&
                   std::isdigit(static_cast<unsigned char>(word[2]))) {
            size_t end = 2;
            while (end < word.size() && std::isdigit(static_cast<unsigned char>(word[end])) && end < 11) ++end;
            if (end != word.size()) {
                unknown = word;
                return false;
            }
            options.debugLevel = std::stoi(word.substr(2));
        } else {
            unknown = word;
            return false;
        }
    }
    return true;
}

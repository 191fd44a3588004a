#include "sidedata/obstacles/TrevossaOptions.h"

#include <cstdlib>

namespace obstacles {

bool ParseTrevossaOptions(const std::vector<std::string>& args, TrevossaOptions& options, std::string& bad) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word.empty() || word[0] != '-') continue;
        if (word == "--help") {
            options.help = true;
            continue;
        }
        if (word == "--version") {
            options.version = true;
            continue;
        }
        char letter = word.size() > 1 ? word[1] : '\0';
        std::string rest = word.size() > 2 ? word.substr(2) : std::string();
        switch (letter) {
        case 'B':
        case 'P':
            if (!rest.empty()) break;
            options.batchFormat = true;
            if (letter == 'P') options.purge = true;
            continue;
        case 'D':
        case 'S': {
            if (rest.empty()) {
                if (i + 1 >= args.size()) break;
                rest = args[++i];
            }
            if (letter == 'D') {
                options.outputPath = rest;
                options.batchFormat = true;
            } else {
                options.inputPath = rest;
            }
            continue;
        }
        case 'd': {
            if (rest.empty()) {
                options.debugLevel += 1;
                continue;
            }
            char* end = nullptr;
            long n = std::strtol(rest.c_str(), &end, 10);
            if (*end != '\0' || n < 0 || n > 0xFFFF) break;
            options.debugLevel += static_cast<int>(n);
            continue;
        }
        default:
            break;
        }
        bad = word;
        return false;
    }
    return true;
}

}  // namespace obstacles

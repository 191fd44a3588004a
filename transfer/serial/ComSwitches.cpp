#include "transfer/serial/ComSwitches.h"

#include <cstdlib>
#include <cstring>

const char* const kComUsage =
    "usage: wistrel [-COMn] [-d|-dN] [-L] [-NEWPCL] [-SERVER] [-AVD|-90|-89|-3P|-195|-92|-295|-196|-296|-96|-96C|-396|-496]";

namespace {

bool StartsWith(const std::string& word, const char* prefix) { return word.rfind(prefix, 0) == 0; }

struct ModelSwitch {
    const char* word;
    int model;
};

// Longer words first where one begins like another (-96C before -96).
constexpr ModelSwitch kModelSwitches[] = {
    {"-195", 4}, {"-196", 7}, {"-295", 6}, {"-296", 8}, {"-3P", 3},  {"-89", 2},  {"-92", 5},
    {"-90", 1},  {"-96C", 10}, {"-96", 9}, {"-AVD", 0}, {"-396", 11}, {"-496", 12},
};

}  // namespace

bool ParseComSwitches(const std::vector<std::string>& words, ComStartOptions& o, std::string& unknown) {
    for (const std::string& word : words) {
        bool known = false;
        for (const ModelSwitch& s : kModelSwitches) {
            if (StartsWith(word, s.word)) {
                o.emulatedModel = s.model;
                known = true;
                break;
            }
        }
        if (known) continue;
        if (StartsWith(word, "-COM")) {
            const long n = std::strtol(word.c_str() + 4, nullptr, 10) - 1;
            o.startPort = n < 0 || n > 254 ? 0 : static_cast<int>(n);
        } else if (StartsWith(word, "-L")) {
            ++o.suppressSends;
        } else if (StartsWith(word, "-NEWPCL")) {
            o.newProtocol = true;
        } else if (StartsWith(word, "-SERVER")) {
            o.server = true;
        } else if (StartsWith(word, "-d")) {
            const char* rest = word.c_str() + 2;
            o.debugLevel += *rest >= '0' && *rest <= '9' ? static_cast<int>(std::strtol(rest, nullptr, 10)) : 1;
        } else {
            unknown = word;
            return false;
        }
    }
    return true;
}

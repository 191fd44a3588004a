#include "transfer/usb/UsbSwitches.h"

#include <cstdlib>

const char* const kUsbUsage =
    "usage: norvesk [-d|-dN] [-M[n] -D[n] -Ffile] [-UD -Ffile] [-SDAVDB] [--usb-emulator=PRODUCTID]";

namespace {

// The number after the switch letter, or `alone` when none follows.
int Number(const std::string& word, size_t from, int alone) {
    if (from >= word.size() || word[from] < '0' || word[from] > '9') return alone;
    return static_cast<int>(std::strtol(word.c_str() + from, nullptr, 10));
}

}  // namespace

bool UsbStartOptions::Consistent() const {
    if (!Unattended()) return true;
    return mode >= 1 && mode <= 3 && database >= 1 && database <= 8 && !fileName.empty();
}

UsbSwitchResult ParseUsbSwitches(const std::vector<std::string>& words, UsbStartOptions& o, std::string& unknown) {
    static const std::string kEmulator = "--usb-emulator=";
    for (const std::string& word : words) {
        if (word.rfind(kEmulator, 0) == 0) {
            const std::string value = word.substr(kEmulator.size());
            char* end = nullptr;
            const long id = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || id <= 0 || id > 65535) {
                unknown = word;
                return UsbSwitchResult::BadValue;
            }
            o.emulatedUnit = static_cast<int>(id);
            continue;
        }
        if (word.size() < 2 || word[0] != '-') {
            unknown = word;
            return UsbSwitchResult::Unknown;
        }
        switch (word[1]) {
            case 'd':
                o.debugLevel = word.size() > 2 && word[2] >= '0' && word[2] <= '9' ? Number(word, 2, 0) : o.debugLevel + 1;
                break;
            case 'M':
                o.mode = Number(word, 2, 1);
                break;
            case 'D':
                o.database = Number(word, 2, 1);
                break;
            case 'F':
                o.fileName = word.substr(2);
                o.fileGiven = true;
                break;
            case 'S':
                if (word != "-SDAVDB") {
                    unknown = word;
                    return UsbSwitchResult::Unknown;
                }
                ++o.programMode;
                break;
            case 'U':
                if (word != "-UD") {
                    unknown = word;
                    return UsbSwitchResult::Unknown;
                }
                o.detailsOnly = true;
                o.mode = 1;
                o.database = 1;
                break;
            default:
                unknown = word;
                return UsbSwitchResult::Unknown;
        }
    }
    return UsbSwitchResult::Ok;
}

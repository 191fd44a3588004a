#include "transfer/sdcard/SdCard.h"

#include <strings.h>
#include <unistd.h>

#include "platform/FileSystem.h"

bool CheckSdCard(const UnitDrive& card, const std::string& home, std::string& message) {
    const bool driveC = card.Letter() == 'C';
    char resolved[4096];
    const bool systemRoot = !card.root.empty() && ::realpath(card.root.c_str(), resolved) &&
                            std::string(resolved) == "/";
    if (driveC || systemRoot || card.root.empty() || ::chdir(card.root.c_str()) != 0) {
        message = "SD Card not recognised";
        if (::chdir(home.c_str()) != 0) {
            // The card's paths are absolute; the folder left current matters to Browse only.
        }
        return false;
    }
    bool taken = false;
    for (const std::string& name : platform::ListDirectory(".")) {
        if (::strcasecmp(name.c_str(), ".System") == 0 || ::strcasecmp(name.c_str(), "Garmin") == 0) taken = true;
    }
    if (::chdir(home.c_str()) != 0) {
        // As above.
    }
    if (taken) {
        message = "This drive has a .System folder";
        return false;
    }
    return true;
}

// The serial program's command-line switches.
#pragma once

#include <string>
#include <vector>

struct ComStartOptions {
    int startPort = 0;         // -COMn: n - 1
    int debugLevel = 0;        // -d, -dN
    int suppressSends = 0;     // -L
    int emulatedModel = 1;     // -195 ... -AVD, -396, -496
    bool newProtocol = false;  // -NEWPCL
    bool server = false;       // -SERVER: the emulator child
};

// Reads the words into the options; false with the first word that is no switch.
bool ParseComSwitches(const std::vector<std::string>& words, ComStartOptions& options, std::string& unknown);

// The one-line usage of the switches.
extern const char* const kComUsage;

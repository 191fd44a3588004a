// The USB program's command line: its letter switches (-d, -M, -D, -F, -SDAVDB, -UD) and the
// long option of the emulated unit.
#pragma once

#include <string>
#include <vector>

struct UsbStartOptions {
    int debugLevel = 0;       // -d, -dN
    int mode = 0;             // -M[n]: mode + 1, 0 none
    int database = 0;         // -D[n]: database + 1, 0 none
    std::string fileName;     // -Ffile
    bool fileGiven = false;
    int programMode = 0;      // -SDAVDB
    bool detailsOnly = false; // -UD
    int emulatedUnit = 0;     // --usb-emulator=PRODUCTID, 0: the real unit

    // True when the run is unattended (-M, -D or -F given).
    bool Unattended() const { return mode != 0 || database != 0 || fileGiven; }
    // The unattended values are all valid (M 1-3, D 1-8, a file), or none was given.
    bool Consistent() const;
};

enum class UsbSwitchResult { Ok, Unknown, BadValue };

// Reads the words; unknown names the first word that is no switch.
UsbSwitchResult ParseUsbSwitches(const std::vector<std::string>& words, UsbStartOptions& options, std::string& unknown);

extern const char* const kUsbUsage;

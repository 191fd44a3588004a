// The delays file of the USB program: the waits of a USB session, the models that need a
// loader and the unit maker's vendor id, as "key=value" lines. Read, then always rewritten
// with every key in its fixed order.
#pragma once

#include <string>

struct DelaySettings {
    int postEraseDelay = 4000;
    int postLoaderDelay = 6000;
    int intraReadDelay = 5000;
    int intraWriteDelay = 5000;
    int postTransferDelay = 750;
    std::string loaderModels = "96,96C,296,396,696";
    int usbVendorId = 0x091E;

    // Takes the known keys of the text (unknown keys and lines without '=' are skipped).
    void Parse(const std::string& text);
    // The file's text: one "key=value\n" line per setting, in the fixed order.
    std::string Text() const;
    // Reads the file when it exists and rewrites it; false when it cannot be written.
    bool LoadAndRewrite(const std::string& path);

    // True when the unit's product id is named in loaderModels.
    bool NeedsLoader(int productId) const;
};

// The delays file: "norvesk.ini" beside the program when that file exists, else
// $XDG_CONFIG_HOME/Norvesk/norvesk.ini (~/.config when the variable is not set).
std::string DelaySettingsFile(const std::string& programPath);

// The layer's own command-line options, taken off before a program parses its own.
#pragma once

#include <string>
#include <vector>

#include "platform/Switches.h"

namespace platform {

struct LayerOptions {
    bool headless = false;     // --headless, or no display available
    std::string answersFile;   // --answers FILE (also --answers=FILE)
};

struct LayerOptionsResult {
    bool ok = true;
    std::string error;  // why parsing failed ("--answers needs a file name")
};

// Removes --headless and --answers FILE from args (which excludes the program
// path) wherever they stand before a lone "--"; the rest keeps its order.
LayerOptionsResult TakeLayerOptions(std::vector<std::string>& args, LayerOptions& options);

// The layer's options and --help and --version, as the help text lists them.
const std::vector<SwitchDecl>& LayerOptionDecls();

// True when neither DISPLAY nor WAYLAND_DISPLAY is set to a non-empty value.
bool NoDisplayAvailable();

}  // namespace platform

// Gindral's command line after the layer's own options: -d debug tokens, --list IN,
// --convert IN... --to KIND OUT [--version HEX6] [--force], --help and --version.
#pragma once

#include <string>
#include <vector>

inline constexpr const char* kGindralVersion = "1.0";
inline constexpr const char* kGindralUsage =
    "usage: gindral [--headless] [--answers FILE] [-d[N]] [--list IN | --convert IN... --to KIND OUT "
    "[--version HEX6] [--force]] [--help] [--version]";

struct FlarmOptions {
    int debugLevel = 0;              // each "-d" token adds 1, "-dN" adds N
    bool list = false;               // --list IN
    std::string listInput;
    bool convert = false;            // --convert IN... --to KIND OUT
    std::vector<std::string> inputs;
    int saveType = 0;                // 1-5, from KIND
    std::string output;
    std::string version;             // --version HEX6
    bool force = false;              // --force: overwrite without asking
    bool help = false;
    bool showVersion = false;        // --version alone
};

// Parses the arguments; false with a one-line reason (naming the switch) when they are wrong.
bool ParseFlarmCommandLine(const std::vector<std::string>& args, FlarmOptions& options, std::string& error);

// The --help text.
std::string FlarmHelpText();

// Trevossa's command line: -B (batch format), -D<path> (output path, batch format), -P (purge
// duplicate line obstacles, batch format), -S<path> (input path), -d / -dN (debug level), a
// path written straight after its letter or as the next word; --help and --version.
#pragma once

#include <string>
#include <vector>

namespace obstacles {

struct TrevossaOptions {
    bool batchFormat = false;
    bool purge = false;
    int debugLevel = 0;
    std::string inputPath;
    std::string outputPath;
    bool help = false;
    bool version = false;
    // Both paths given: the unattended run.
    bool Unattended() const { return !inputPath.empty() && !outputPath.empty(); }
};

inline constexpr const char* kTrevossaUsage = "usage: trevossa [-B] [-P] [-d[N]] [-S <input.awp|.taw>] [-D <output.txt>]";

// Reads the switches; false with the offending word in bad for an unknown switch or a path
// switch without its path. Words that do not begin with '-' are passed over.
bool ParseTrevossaOptions(const std::vector<std::string>& args, TrevossaOptions& options, std::string& bad);

}  // namespace obstacles

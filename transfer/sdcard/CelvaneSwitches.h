// The SD-card program's command line: -G3X, -G3XT (target model) and -d[n] (debug level).
#pragma once

#include <string>
#include <vector>

struct CelvaneOptions {
    int debugLevel = 0;
    int targetModel = 0;  // 696
};

// False naming the first word that is no switch in `unknown`.
bool ParseCelvaneSwitches(const std::vector<std::string>& words, CelvaneOptions& options, std::string& unknown);

extern const char* const kCelvaneUsage;

// Golden files of the listing and Save As scenarios, shared by the unit tests that compare with them.
#pragma once

#include <fstream>
#include <string>
#include <vector>

inline const std::string kGoldenDir = std::string(SUITE_SOURCE_DIR) + "/tests/e2e/golden/";

// The lines of a file without their CR LF or LF ends.
inline std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

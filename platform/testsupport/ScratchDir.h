// What the tests of every folder share: a scratch folder of their own, made under the
// system's temporary folder (TMPDIR, which the test runner points into the build folder) and
// removed with its object, and whole-file reads and writes.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace suitetest {

class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix = "scratch") {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::filesystem::create_directories(base);
        std::string pattern = (base / (prefix + "-XXXXXX")).string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder like " + pattern);
        path = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string File(const std::string& name) const { return path + "/" + name; }

    std::string path;
};

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace suitetest

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

// A whole file in one read (a byte-by-byte stream read is slow in sanitizer builds); empty when
// the file cannot be read.
inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < 0) return std::string(std::istreambuf_iterator<char>(in), {});
    std::string text(static_cast<size_t>(size), '\0');
    in.seekg(0);
    in.read(text.data(), size);
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    const std::string text = ReadText(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

inline void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace suitetest

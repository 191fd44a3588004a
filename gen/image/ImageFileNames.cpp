#include "gen/image/ImageFileNames.h"

namespace {

// Position of the extension's '.' in the path, npos when the last component has none.
size_t ExtensionStart(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
    return dot;
}

}  // namespace

std::string FileExtension(const std::string& path) {
    const size_t dot = ExtensionStart(path);
    return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    const size_t dot = ExtensionStart(path);
    return (dot == std::string::npos ? path : path.substr(0, dot)) + extension;
}

std::string SecondHalfName(const std::string& path) {
    const size_t dot = ExtensionStart(path);
    if (dot == std::string::npos || path.size() < dot + 4 || path[dot + 3] != '1') return {};
    std::string second = path;
    second[dot + 3] = '2';
    return second;
}

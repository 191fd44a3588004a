#include "dblib/DbDir.h"

#include "platform/FileSystem.h"

namespace {

std::string& DbDirValue() {
    static std::string dir = kDbDirName;
    return dir;
}

}  // namespace

const std::string& GetDbDir() { return DbDirValue(); }

void SetDbDir(const std::string& folder) { DbDirValue() = platform::NormalizePath(folder); }

std::string FindDbDirUnder(const std::string& folder) {
    std::string path = platform::ResolveCase(folder.empty() ? std::string(kDbDirName)
                                                            : folder + "/" + kDbDirName);
    return platform::IsDirectory(path) ? path : std::string();
}

std::string DbFilePath(const char* baseName, const char* extension) {
    return GetDbDir() + "/" + baseName + "." + extension;
}

std::string DbFolderFile(const char* fileName) { return GetDbDir() + "/" + fileName; }

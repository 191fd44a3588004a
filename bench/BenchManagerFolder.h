// A scratch folder with db50 under /tmp, made the current folder and opened as the manager
// opens its database at start-up (the journal goes to the folder).
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

#include "dblib/CKestraneDBOpen.h"
#include "dblib/DbDir.h"

// The folder's path, or "" when it could not be made or opened.
inline std::string OpenManagerScratch(const char* name) {
    std::string pattern = std::string("/tmp/") + name + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) return "";
    const std::string dir = pattern;
    std::filesystem::create_directory(dir + "/db50");
    if (::chdir(dir.c_str()) != 0) return "";
    SetDbDir(dir + "/db50");
    CKestraneDBOpen check;
    return check.OpenDatabase(nullptr, 0, 0) == 0 ? dir : "";
}

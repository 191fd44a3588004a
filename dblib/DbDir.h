// The database folder of the process and the paths of the files in it.
#pragma once

#include <string>

// The name of the database folder.
inline constexpr const char* kDbDirName = "db50";

// The database folder that the program settled at start-up ("db50" until set).
const std::string& GetDbDir();
void SetDbDir(const std::string& folder);

// The folder db50 under `folder` (matched without regard to case), or "" when there is none.
std::string FindDbDirUnder(const std::string& folder);

// "%s/%s.%s": a record file of the database folder by base name and extension ("dta", "dtx").
std::string DbFilePath(const char* baseName, const char* extension);
// "%s/%s": a file of the database folder by its whole name.
std::string DbFolderFile(const char* fileName);

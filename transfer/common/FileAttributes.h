// The read-only attribute of a file on a drive: on vfat the FAT attribute byte, elsewhere the
// write bits of the file's mode (a file nobody may write is read-only).
#pragma once

#include <cstdint>
#include <string>

constexpr uint32_t kAttributeReadOnly = 0x01;

// The file's attributes (kAttributeReadOnly and, on vfat, the other FAT bits); false (errno set)
// when the file cannot be examined.
bool ReadFileAttributes(const std::string& path, uint32_t& attributes);

// Makes the file normal: no FAT attribute bits on vfat, writable for its owner elsewhere.
bool SetNormalAttributes(const std::string& path);

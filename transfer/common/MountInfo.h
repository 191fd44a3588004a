// The mount table of /proc/self/mountinfo: one entry per mounted file system.
#pragma once

#include <string>
#include <vector>

struct MountEntry {
    std::string device;      // "major:minor"
    std::string mountPoint;  // octal escapes (\040) decoded
    std::string fsType;
    std::string source;      // the device's path, or the file system's own word ("tmpfs")
};

// The entries of a mountinfo file in mount-point order; lines that do not parse are skipped,
// and a file that cannot be read gives none.
std::vector<MountEntry> ReadMountInfo(const std::string& path);

#include "transfer/common/UnitDriveSearch.h"

#include <stdlib.h>

#include <fstream>

#include "platform/FileSystem.h"
#include "transfer/common/MountInfo.h"

namespace {

std::string RealPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return std::string();
    std::string out = real;
    ::free(real);
    return out;
}

bool HoldsFolder(const std::string& root, const std::string& folder) {
    return platform::IsDirectory(platform::ResolveCase(root + "/" + folder));
}

}  // namespace

bool IsRemovableDevice(const std::string& devices, const std::string& majorMinor) {
    const std::string device = RealPath(devices + "/" + majorMinor);
    if (device.empty()) return false;
    // A partition's disk is the folder above it.
    const std::string disk = platform::FileExists(device + "/partition") ? platform::DirName(device) : device;
    if (device.find("/usb") != std::string::npos || platform::BaseName(disk).rfind("loop", 0) == 0) return true;
    std::ifstream removable(disk + "/removable");
    char flag = 0;
    return removable.get(flag) && flag == '1';
}

std::string FindUnitDrive(const UnitDriveSources& sources) {
    const std::string labelled = RealPath(sources.labels + "/GARMIN");
    if (labelled.empty()) return std::string();
    for (const MountEntry& entry : ReadMountInfo(sources.mountInfo)) {
        if (RealPath(entry.source) != labelled || !IsRemovableDevice(sources.devices, entry.device)) continue;
        if (HoldsFolder(entry.mountPoint, "Garmin") && HoldsFolder(entry.mountPoint, ".System/AVTN")) {
            return entry.mountPoint;
        }
    }
    return std::string();
}

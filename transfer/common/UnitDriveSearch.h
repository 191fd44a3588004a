// The search for a unit's drive: the first mounted file system, in mount-point order, that is
// on a removable disk (or a USB bus, or a loop device standing in for a card), carries the
// volume label "GARMIN" exactly, and holds the folders "Garmin" and ".System/AVTN".
#pragma once

#include <string>

struct UnitDriveSources {
    std::string mountInfo = "/proc/self/mountinfo";
    std::string labels = "/dev/disk/by-label";  // one link per label, to its device
    std::string devices = "/sys/dev/block";     // "major:minor" links into the device tree
};

// Whether the block device "major:minor" is removable: its disk's "removable" reads 1, or the
// device sits on a USB bus, or its disk is a loop device.
bool IsRemovableDevice(const std::string& devices, const std::string& majorMinor);

// The mount point of the unit's drive, empty when none is mounted.
std::string FindUnitDrive(const UnitDriveSources& sources = {});

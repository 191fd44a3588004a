// The check of the SD card before anything is written onto it.
#pragma once

#include <string>

#include "transfer/common/UnitDrive.h"

// Refuses drive C (either case), the path "/", a root that cannot be made the current folder
// ("SD Card not recognised") and a card whose root holds ".System" or "Garmin", matched
// case-insensitively ("This drive has a .System folder"). The current folder is `home` again
// afterwards. False with the message.
bool CheckSdCard(const UnitDrive& card, const std::string& home, std::string& message);

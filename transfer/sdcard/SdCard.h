// The SD card as this system sees it: a drive letter named in the settings' [Drives] section
// (E=/media/me/CARD), or a mount point or folder given as a path.
#pragma once

#include <string>

namespace platform {
class Settings;
}

struct SdCard {
    std::string drive;  // as typed: a letter or a path
    std::string root;   // the folder the letter names, or the path

    // A letter: the Drive field's first character is the whole field (a trailing ':' aside).
    bool IsLetter() const;
    // "E:" for a letter, the path otherwise: how messages name the card.
    std::string Label() const;
};

SdCard CardFromDrive(const std::string& drive, const platform::Settings& settings);

// Refuses drive C (either case), the path "/", a root that cannot be made the current folder
// ("SD Card not recognised") and a card whose root holds ".System" or "Garmin", matched
// case-insensitively ("This drive has a .System folder"). The current folder is `home` again
// afterwards. False with the message.
bool CheckSdCard(const SdCard& card, const std::string& home, std::string& message);

// Creates every missing folder of `folder` ('\\' or '/' separated) under root; false naming
// the first that could not be made in `failed`.
bool MakeCardFolders(const std::string& root, const std::string& folder, std::string& failed);

// Flushes a folder's entries to the medium.
bool SyncFolder(const std::string& folder);

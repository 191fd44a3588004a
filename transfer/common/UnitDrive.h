// A drive as the transfer programs name it: a letter that the settings' [Drives] section maps to
// a mount point (E=/media/me/GARMIN), or a mount point or any folder given as a path.
#pragma once

#include <string>

namespace platform {
class Settings;
}

struct UnitDrive {
    std::string field;  // as typed
    std::string root;   // the folder the letter names, or the path; empty for an unmapped letter

    // A letter: one letter is the whole field (a trailing ':' aside).
    bool IsLetter() const;
    // Upper case; 0 when the field is a path.
    char Letter() const;
    // "E:" for a letter, the path otherwise: how messages name the drive.
    std::string Label() const;
    // The folder of the unit ('\\' or '/' separated) below the root, matched case-insensitively;
    // the root itself for an empty folder.
    std::string Path(const std::string& folder) const;
};

UnitDrive DriveFromField(const std::string& field, const platform::Settings& settings);

// Creates every missing level of `folder` ('\\' or '/' separated) under root, reusing levels
// that exist in another case; false naming the first that could not be made in `failed`.
bool MakeDriveFolders(const std::string& root, const std::string& folder, std::string& failed);

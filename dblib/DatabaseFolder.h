// The database folder made whole or not at all: its fifteen record files are made and stamped
// in a temporary folder beside it, synced, and the folder renamed to its name.
#pragma once

#include <string>

// Makes `folder` with every record file, empty and stamped with the version mark. A folder of
// that name made meanwhile by another program is taken as it is (the temporary one is
// removed). False, errno set, when the folder cannot be made.
[[nodiscard]] bool MakeDatabaseFolder(const std::string& folder);

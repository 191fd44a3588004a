// Create ISAM from a 696 image: the image is loaded and checked before anything is erased,
// the database files and section files of the erase list are removed (user waypoints and
// routes stay), and the sections that do not come from the database are written back as the
// seven section files.
#pragma once

#include "gen/shell/GenModel.h"

// The step table and its driver into the model (mode 1).
void InstallCreateIsam696(GenModel& model);

extern const char* const kCreateIsamTexts696[15];

// Create Image of the 696 family: the 39-row step table run by the framework's Create Image
// driver, and its finishing step. The steps copy the section files of the database folder into
// the image, write the tables that come from the database, set the header's dates and length
// word and seal the image with its CRC.
#pragma once

#include "gen/shell/GenModel.h"

// The step table and finishing step into the model, the driver as mode 0, and the release of
// the run when the operation is stopped.
void InstallCreateImage696(GenModel& model);

// The progress texts of the table, in order.
extern const char* const kCreateImageTexts696[39];

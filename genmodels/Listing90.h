// The List operation of the 90/95 XL generator: the older families' listing with the family's
// runway and frequency entries, section map and image size against the XL mode's limit.
#pragma once

#include "gen/shell/GenModel.h"

// The listing hooks of the model.
void InstallListing90(GenModel& model);

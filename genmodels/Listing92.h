// The List operation of the 92/190 generator: the older families' listing with the family's
// VLR entries, section map and image size.
#pragma once

#include "gen/shell/GenModel.h"

// The listing hooks of the model.
void InstallListing92(GenModel& model);

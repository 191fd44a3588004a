// The List operation of the GPS 89 generator: the title page, countries, airports and VORs of
// a model-89 image, with its section map at a debug level.
#pragma once

#include "gen/shell/GenModel.h"

// The listing hooks of the model.
void InstallListing89(GenModel& model);

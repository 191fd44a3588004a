// Fulmaro's model: the generator of the GPS 89 on the framework, with the family's image file,
// Create Image, Create ISAM and GEO.DAT.
#pragma once

#include "gen/shell/GenModel.h"

inline constexpr const char* kFulmaroVersion = "5.4.10";

inline constexpr const char* kNotSupported89 = "This operation is not supported by this program";

void InstallFulmaro(GenModel& model);

// Create ISAM of the GPS 89: the five rows that rebuild countries, airports, VORs and GEO.DAT
// from a model-89 image.
#pragma once

#include "gen/createisam/CreateIsamSteps.h"

// Countries and the GEO section inside the file.
ImageResult CheckImageRecords89(const IsamImageSource& source);
// Airport n: ident, position, country, elevation, afuel bits 1-3; facility and city 0.
void ReadAirport89(const CreateIsamState& s, uint32_t n, AptRecord* apt, DecodedAirportDetail* detail);

void InstallCreateIsam89(GenModel& model);

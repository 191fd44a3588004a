// Create ISAM of the 90/95 XL family: the nine rows that rebuild the database from a model-90
// image, the 92/190 family's steps with the model-90 airport and VOR readings.
#pragma once

#include "gen/createisam/CreateIsamSteps.h"

// Countries, name pointers and every airport's rwy/com entry readable.
ImageResult CheckImageRecords90(const IsamImageSource& source);
// Airport n: afuel from byte 5 bits 1-5 (bit 0 when bit 7 of byte 8 is clear), runways and
// frequencies from its entry or its runway summary.
void ReadAirport90(const CreateIsamState& s, uint32_t n, AptRecord* apt, DecodedAirportDetail* detail);

void InstallCreateIsam90(GenModel& model);

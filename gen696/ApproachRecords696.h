// The approaches of an airport information block back into the database (Create ISAM): one
// APPR record per decoded approach, and the LWPT records of its local NDB or ILS navaid and its
// local waypoints, found among the airport's or added.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen696/AirportInfo696.h"

struct AptRecord;
struct OperationContext;

// `runwaySerials` are the serial numbers of the airport's runway slots as just written,
// `approachIds` the texts of the image's approach ID table. An approach whose type has no
// database type is left out with a listing line.
void WriteApproachRecords696(OperationContext& c, const AptRecord& apt, const AirportInfo696& info,
                             const std::vector<int32_t>& runwaySerials, const std::vector<std::string>& approachIds);

// Tessily's batch update: the ADD handlers of the 696 database's fields (helicopter airports,
// time zones, 64 frequency types, 16 runway surfaces, runway pictures, VRP intersections, VOR
// kinds and classes), the DEL checks before the framework's delete handlers, and the handler
// table with Tessily's result texts.
#pragma once

#include "gen/batch/BatchUpdate.h"

// An ADD line of any record type (the type already in the line), by its handler below; another
// type gives kBatchErrF2.
int BatchAddUpdate696(BatchContext& c);
// A DEL line: an unknown country (types APT to FRQ) gives kBatchErrCid, an unknown city or
// facility name (APT to VOR) kBatchErrCty or kBatchErrFac; then the framework's delete handler.
int BatchDelete696(BatchContext& c);

int BatchAddApt696(BatchContext& c);
int BatchAddInt696(BatchContext& c);
int BatchAddNdb696(BatchContext& c);
int BatchAddVor696(BatchContext& c);
int BatchAddRwy696(BatchContext& c);
int BatchAddFrq696(BatchContext& c);
int BatchAddUsr696(BatchContext& c);
int BatchDelFrq696(BatchContext& c);

// Tessily's handlers and result texts.
const BatchHandlerTable& BatchHandlers696();

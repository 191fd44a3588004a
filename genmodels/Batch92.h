// The batch handlers whose rules differ in the 92/190 family: RWY lines of exactly 9 fields,
// user-waypoint idents of at most 6 characters, and frequency restrictions without "UNK20 ".
#pragma once

#include "gen/batch/BatchUpdate.h"

constexpr size_t kUserIdentLimit92 = 6;

int BatchAddUpdRWY92(BatchContext& c);
int BatchAddUpdUSR92(BatchContext& c);
int BatchAddUpdFRQ92(BatchContext& c);

// The framework's handlers with the three above in their places.
BatchHandlerTable BatchHandlers92();

// The SD-card program's tables: its target models (the Model menu), the unit model names, the
// memory region names and the card file table (where each region's file goes on the card).
#pragma once

#include "transfer/common/CardFile.h"

struct CelvaneTarget {
    unsigned command;      // Model menu command
    const char* menuText;
    const char* name;      // in messages
};
constexpr int kCelvaneTargets = 6;
extern const CelvaneTarget CelvaneTargetTable[kCelvaneTargets];

// Targets 0 (696), 4 (G3X) and 5 (G3XT) form the 696 family; the others the G1000 family.
bool IsPortableTarget(int model);
// Product ids of the 696 family's data.
bool IsPortableProduct(int productId);

// The unit model name of a product id ("UNKNOWN" when not listed).
const char* CelvaneModelName(int productId);
// The name of a memory region ("Unknown" when not listed).
const char* CelvaneRegionName(int region);

// The card file row of a region, or null when the region has no place on the card.
const CardFile* FindCardFile(int region);

// The unit models the program can play: Emulation list entry, name and product id.
#pragma once

struct EmulatedModel {
    const char* listEntry;
    const char* name;  // in "Emulating GPS%s"
    int productId;
};

constexpr int kEmulatedModels = 13;
extern const EmulatedModel EmulatedModelTable[kEmulatedModels];

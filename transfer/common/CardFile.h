// A row of a card file table: where a memory region's file goes on a unit's drive or card.
#pragma once

#include <span>

struct CardFile {
    int region;
    const char* file;
    const char* folder;  // "" for the drive root; levels separated by '\\'
};

// The first row of the region in the table, or null when the region has no place there.
inline const CardFile* FindCardFileIn(std::span<const CardFile> table, int region) {
    for (const CardFile& row : table) {
        if (row.region == region) return &row;
    }
    return nullptr;
}

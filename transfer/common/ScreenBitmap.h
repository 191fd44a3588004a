// A listed screen-dump GAR file as a Windows bitmap: grey palette, rows bottom-up, each row
// padded to a multiple of 4 bytes.
#pragma once

#include <cstdint>
#include <vector>

class GarListing;

// The bitmap file's bytes; false (out empty) when the file's screen header, its depth (1, 2, 4
// or 8 bits) or its row records do not fit each other.
bool BuildScreenBitmap(GarListing& listing, std::vector<uint8_t>& out);

// The two checks Create Image stores in a finished image, recomputed from the image's bytes:
// the packet count, and the chunk sumcheck (left out of an image that failed its size check).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/ImageLayout.h"
#include "gen/image/ImageParams.h"

// The 128-byte blocks of an image held in memory that hold a byte other than 0xFF. Every byte
// behind a finished image's end is 0xFF, so this is what Create Image counts up to the image end.
uint32_t UsedBlocksOf(const uint8_t* data, size_t size);

// What is wrong with the stored packet count and sumcheck bytes of an image of `size` bytes with
// this layout (its end, appended sections included, given apart), as a text for a "Damaged
// image" message; "" when both are as Create Image stores them.
std::string ImageSealFault(const ImageParams& params, const ImageLayout& layout, uint32_t imageEnd, const uint8_t* data,
                           size_t size);

// Stores the packet count and, when the image passes its size check, the sumcheck bytes into an
// image held in memory, as Create Image does.
void SealImageBytes(const ImageParams& params, const ImageLayout& layout, uint32_t imageEnd, std::vector<uint8_t>& data);

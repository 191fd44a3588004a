// Packet count of an image: the 128-byte blocks up to the image end that hold data.
#pragma once

#include <cstdint>

#include "gen/image/ImageResult.h"

class Image;

constexpr uint32_t kPacketBlock = 128;

// The value stored by the 495/496 family: packets of 256 bytes, so ceil(blocks / 2).
uint32_t PacketCountHalved(uint32_t usedBlocks);
// The value stored by the GPS III Pilot and the 195 family: the block count itself.
uint32_t PacketCountBlocks(uint32_t usedBlocks);

// Counts the blocks from offset 0 while the bytes read are below the image end (the block that
// holds the last image byte is read whole); a block counts when one of its bytes is not 0xFF.
// Returns -1 when the image cannot be read.
long CountUsedBlocks(const Image& image, uint32_t imageEnd);

// Counts the blocks and stores the family's value at its packet-count offset. A value that does
// not fit the 16-bit field is an error naming the limit.
ImageResult WritePacketCount(Image& image, uint32_t imageEnd, uint32_t* stored = nullptr);

// The USB program's image rules: its part-number test (two image types more than the serial
// program's) and its image and GAR compatibility tables.
#pragma once

#include <cstddef>
#include <cstdint>

// The image type of the file's first 256 bytes, -1 when none; partNumber gets the number.
int UsbImageType(const uint8_t* header, size_t size, int* partNumber = nullptr);
// True when the unit may take images of the type (types outside 0-8 are not checked).
bool UsbImageAllowsUnit(int imageType, int productId);
// True when GAR files of the two product ids are interchangeable (an unknown file id passes).
bool UsbGarInterchangeable(int garProductId, int unitProductId);

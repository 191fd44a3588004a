// Log lines of what a unit tells about itself: its product data, protocol array and text
// strings. Data is read only inside the packet; a string without its zero byte ends there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ProductData {
    int productId = 0;
    int softwareVersion = 0;  // x 100
};

// "Unit Details:", "[%d/%d] %s" (product id, version, the text after them), each further
// string whose first byte is below 0x80, and an empty line.
std::vector<std::string> ProductDataLines(const uint8_t* data, int size, ProductData* product = nullptr);
// "Protocol Array:", the entries (tag and u16) as " %c%03d" in lines cut after 59 characters,
// and an empty line.
std::vector<std::string> ProtocolArrayLines(const uint8_t* data, int size);
// Each string whose first byte is below 0x80, and an empty line.
std::vector<std::string> TextStringLines(const uint8_t* data, int size);

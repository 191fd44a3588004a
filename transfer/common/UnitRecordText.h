// The log texts of the records a unit sends about itself, as both transfer engines write them:
// its product data, protocol array and text list, the packet progress line and the hex dump.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// "Unit Details:", "[%d/%d] %s" (product id, software version, first text), each further text
// whose first byte is below 0x80, and an empty line. productId gets the unit's id (0 when the
// data is shorter than 2 bytes).
std::vector<std::string> UnitDetailsLines(const uint8_t* data, size_t size, int& productId);

// "Protocol Array:" followed by the entries (tag letter and u16) as " %c%03d", a line ended
// whenever it passes 59 characters, the rest and an empty line.
std::vector<std::string> ProtocolArrayLines(const uint8_t* data, size_t size);

// Each zero-ended text of the data whose first byte is below 0x80, then an empty line.
std::vector<std::string> TextListLines(const uint8_t* data, size_t size);

// "%s:" label, " %02x" for each of the first 32 bytes, " ..." when there are more, " (%d)".
std::string HexDumpText(const char* label, const uint8_t* bytes, size_t count, int value);

// "Packets Transferred: %d".
std::string PacketProgressText(int packets);

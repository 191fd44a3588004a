// Characters of the six-bit texts (part number, country records): code - 0x20 in six bits,
// so only 0x20 to 0x5F can be held.
#pragma once

#include <string>

// The character as the six-bit text holds it: upper-cased, and a blank for one it cannot hold.
char SixBitTextChar(char c);

// Every character of the text through SixBitTextChar.
std::string SixBitTextOf(const std::string& text);

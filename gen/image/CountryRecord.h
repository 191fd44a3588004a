// The 9-byte country record of the country table: the two-character id and the name, at most
// 12 six-bit characters, bytes reversed.
#pragma once

#include <cstdint>
#include <string>

// Packs the record from the COUNTRY record's `cid` and `cname` (NUL-terminated or filling
// their fields). A missing second id character counts as a blank; the name loses trailing
// blanks and control characters. Letters are upper-cased (the code has no lower case) and
// characters it cannot hold become blanks.
void PackCountryRecord(uint8_t out[9], const char* cid, size_t cidSize, const char* cname, size_t cnameSize);

// The two id characters and the name (trailing blanks cut) of a packed record.
void UnpackCountryRecord(const uint8_t record[9], std::string* id, std::string* name);

// A frequency's remarks in the two forms: the blob of the image (flags byte F, then the parts
// F's bits 0-4 name: sector 3 bytes, BELOW 2, ABOVE 2, remote VOR 3, coded text) and the form
// the database keeps in its restriction chains (a length byte, a flags byte, then the parts
// with altitudes + 5000 and the text's length doubled). Both start with a byte that counts
// the bytes after it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Image blob -> database form; false with a message for a blob that is cut short or an
// altitude that the form cannot hold.
bool RemarksFormOfBlob696(const std::vector<uint8_t>& blob, std::vector<uint8_t>* form, std::string* error);
// Database form -> image blob; false with a message for a form that is cut short.
bool RemarksBlobOfForm696(const std::vector<uint8_t>& form, std::vector<uint8_t>* blob, std::string* error);

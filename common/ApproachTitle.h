// Approach titles of the listings, from an approach's type code and ident.
#pragma once

#include <cstddef>

// The approach type's name by type code / 2 for the codes 0-40 ("GPS" ... "TAC-A"), else "unknown".
const char* ApproachTypeName(int typeCode);

// The title of an ident (trailing blanks ignored): "ILS RW09R", "VOR 123 A", "NDB C-T-L",
// "VOR-A", "unknown (XYZ)". Cut to fit size.
void ApproachTitleText(char* out, size_t size, const char* ident);

// The approach line: "%s Approach: %s" with the type's name and the title, or
// "Unknown Approach (type %02x): %s" for a type code above 40; with `showRaw` (dump flag or
// debug level 2 and above) " (%x/%s)" with the type code and the ident as given follows.
void ApproachLineText(char* out, size_t size, int typeCode, const char* ident, bool showRaw);

// The names of the SUA areas' 4-bit type codes: sixteen rows, one column for the areas of the
// first kind ("SUA(a)") and one for the second ("SUA(b)"). A family may bring its own column
// for the second kind; null stands for the framework's.
#pragma once

#include <cstdint>
#include <string>

// The name of `code` (its low 4 bits) in the column of the kind.
const char* SuaTypeName(const char* const* typesB, bool kindA, uint32_t code);
// The code of a name in the column of the kind (whole text, case-sensitive); -1 when the column
// lacks it. In the framework's column "Unknown Type" stands for code 7 as well.
int SuaTypeCode(const char* const* typesB, bool kindA, const std::string& name);

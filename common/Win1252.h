// Windows-1252 texts (the suite's texts inside) to UTF-8 and back, for terminal and window output.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Every byte to its character in UTF-8. The five bytes that Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same code, so the
// conversion back gives the same bytes.
std::string Win1252ToUtf8(std::string_view text);

// UTF-8 to Windows-1252: a character that Windows-1252 cannot hold, and each byte of a malformed
// sequence, becomes '?'. The number of such replacements goes to *replaced when given.
std::string Utf8ToWin1252(std::string_view text, size_t* replaced = nullptr);

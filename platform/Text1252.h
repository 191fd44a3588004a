// Windows-1252 and UTF-8 for terminal output and answer files (the layer's own small copy).
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string Utf8From1252(std::string_view text);
void AppendUtf8From1252(std::string_view text, std::string& out);
// The text in UTF-8 written at out, which has room for 3 * text.size() bytes; the end.
char* PutUtf8From1252(std::string_view text, char* out);
// False when the text is not UTF-8 or holds a character the code page lacks.
bool Utf8To1252(std::string_view text, std::string& out);

}  // namespace platform

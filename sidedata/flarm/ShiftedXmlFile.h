// FLARMNET XML with every byte increased by one: one element per line, the texts in UTF-8.
#pragma once

#include <string>
#include <string_view>

class FlarmInput;
class FlarmMemory;

void ReadShiftedXmlFile(FlarmMemory& memory, FlarmInput& input);
int WriteShiftedXmlFile(FlarmMemory& memory, std::string& out);

// Element text (UTF-8 with the five entities and numeric references) to Windows-1252; a
// character the code page lacks becomes '?'.
std::string XmlTextTo1252(std::string_view text);
// A Windows-1252 text as element or attribute text in UTF-8, with & < > " escaped.
std::string XmlTextFrom1252(std::string_view text);

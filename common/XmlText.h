// Texts of XML files: Windows-1252 texts written as escaped UTF-8 and element texts read back.
#pragma once

#include <string>
#include <string_view>

// Element text (UTF-8 with the five entities and numeric references) to Windows-1252; a
// character the code page lacks becomes '?'. A reference that is not one stays as it stands.
std::string XmlTextTo1252(std::string_view text);
// A Windows-1252 text as element or attribute text in UTF-8, with & < > " escaped; control
// characters other than the tab, which XML cannot carry, become '?'.
std::string XmlTextFrom1252(std::string_view text);

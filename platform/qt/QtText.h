// Windows-1252 texts of the programs to and from the strings of the widgets.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace platform::qt {

QString From1252(std::string_view text);
// Characters the code page lacks become '?'.
std::string To1252(const QString& text);

// File paths stay the bytes the file system holds (not converted).
QString FromPath(const std::string& path);
std::string ToPath(const QString& path);

// A menu or button text without its '&' markers ("&&" stays one '&') and without the
// accelerator part after a tab.
QString PlainLabel(std::string_view text);

}  // namespace platform::qt

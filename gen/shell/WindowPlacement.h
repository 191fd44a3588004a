// The main window's placement kept in the settings store: section "Settings", value
// "WindowPos", text "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d".
#pragma once

#include <string>

#include "platform/Frame.h"
#include "platform/Settings.h"

inline constexpr const char* kPlacementSection = "Settings";
inline constexpr const char* kPlacementValue = "WindowPos";

// The ten numbers as stored.
std::string FormatWindowPlacement(const platform::WindowPlacement& placement);
// True only when all ten numbers were read; the placement is untouched otherwise.
bool ParseWindowPlacement(const std::string& text, platform::WindowPlacement& placement);

// True only when the stored value exists and all ten numbers were read.
bool ReadWindowPlacement(const platform::Settings& settings, platform::WindowPlacement& placement);
// Writes the placement, except one whose flags hold 2 (restore to maximised): the value of
// the last normal close stays. True when written.
bool SaveWindowPos(platform::Settings& settings, const platform::WindowPlacement& placement);
// The main frame's close: unless minimised, its placement with flags 2 when maximised and 0
// otherwise goes to SaveWindowPos.
void WriteWindowPlacement(const platform::Frame& frame, platform::Settings& settings);

// A main window's placement kept in the settings store: section "Settings", value
// "WindowPos", text "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d" (flags, show command, minimised x and y,
// maximised x and y, normal left, top, right, bottom).
#pragma once

#include <string>

#include "platform/Frame.h"
#include "platform/Settings.h"

namespace platform {

inline constexpr const char* kPlacementSection = "Settings";
inline constexpr const char* kPlacementValue = "WindowPos";

// The ten numbers as stored.
std::string FormatWindowPlacement(const WindowPlacement& placement);
// True only when all ten numbers were read; the placement is untouched otherwise.
bool ParseWindowPlacement(const std::string& text, WindowPlacement& placement);

// True only when the stored value exists and all ten numbers were read.
bool ReadWindowPlacement(const Settings& settings, WindowPlacement& placement);
// Writes the placement, except one whose flags hold 2 (restore to maximised): the value of
// the last normal close stays. True when written.
bool SaveWindowPos(Settings& settings, const WindowPlacement& placement);
// The main frame's close: unless minimised, its placement with flags 2 when maximised and 0
// otherwise goes to SaveWindowPos.
void WriteWindowPlacement(const Frame& frame, Settings& settings);
// Applies the stored placement to a frame not yet created; nothing when none is stored.
void RestoreWindowPlacement(Frame& frame, const Settings& settings);

}  // namespace platform

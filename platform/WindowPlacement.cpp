#include "platform/WindowPlacement.h"

#include <cstdio>

namespace platform {

std::string FormatWindowPlacement(const WindowPlacement& p) {
    char text[160];
    std::snprintf(text, sizeof text, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", p.flags, p.showCmd, p.minPosition.x,
                  p.minPosition.y, p.maxPosition.x, p.maxPosition.y, p.normal.left, p.normal.top,
                  p.normal.right, p.normal.bottom);
    return text;
}

bool ParseWindowPlacement(const std::string& text, WindowPlacement& placement) {
    WindowPlacement p;
    int n = std::sscanf(text.c_str(), "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", &p.flags, &p.showCmd, &p.minPosition.x,
                        &p.minPosition.y, &p.maxPosition.x, &p.maxPosition.y, &p.normal.left, &p.normal.top,
                        &p.normal.right, &p.normal.bottom);
    if (n != 10) return false;
    placement = p;
    return true;
}

bool ReadWindowPlacement(const Settings& settings, WindowPlacement& placement) {
    auto value = settings.Find(kPlacementSection, kPlacementValue);
    return value && ParseWindowPlacement(*value, placement);
}

bool SaveWindowPos(Settings& settings, const WindowPlacement& placement) {
    if (placement.flags & 2) return false;
    return settings.WriteString(kPlacementSection, kPlacementValue, FormatWindowPlacement(placement));
}

void WriteWindowPlacement(const Frame& frame, Settings& settings) {
    if (frame.IsMinimized()) return;
    WindowPlacement placement;
    if (!frame.GetWindowPlacement(placement)) return;
    placement.flags = frame.IsMaximized() ? 2 : 0;
    SaveWindowPos(settings, placement);
}

void RestoreWindowPlacement(Frame& frame, const Settings& settings) {
    WindowPlacement placement;
    if (ReadWindowPlacement(settings, placement)) frame.SetWindowPlacement(placement);
}

}  // namespace platform

// The menus, tool bar and status bar that the transfer programs' main windows share: the
// program's File menu, then Edit (Copy), View (bars, Screen Font) and Help (About).
#pragma once

#include <string>
#include <vector>

#include "platform/Frame.h"

// The File menu's print and exit part, after the program's own commands.
std::vector<platform::MenuItem> TransferFileMenuTail();

// Sets the menu (the File items and the shared menus), the tool bar (Setup, STOP/RESET,
// Print, About) and the four status panes.
void SetTransferFrameBars(platform::Frame& frame, std::vector<platform::MenuItem> fileItems, unsigned stopResetId,
                          const std::string& aboutText);

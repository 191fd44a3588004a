// Gindral's main window: its menus.
#pragma once

#include "platform/Frame.h"

class CMainFrame : public platform::Frame {
public:
    bool OnCreate() override;
};

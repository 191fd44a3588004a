// The viewer's main window (menus, toolbar, status bar around the record windows) and the
// frame of each record window.
#pragma once

#include "platform/Frame.h"

class CMainFrame : public platform::Frame {
public:
    CMainFrame();
    bool OnCreate() override;
};

class CChildFrame : public platform::Frame {
public:
    bool OnCreate() override;
};

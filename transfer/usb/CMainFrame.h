// The USB program's main window: title "Norvesk", menus, tool bar, status bar and the saved
// placement.
#pragma once

#include "platform/Frame.h"

class CUsbApp;

class CMainFrame : public platform::Frame {
public:
    explicit CMainFrame(CUsbApp& app);
    bool OnCreate() override;
    void OnClose() override;

private:
    CUsbApp& app_;
};

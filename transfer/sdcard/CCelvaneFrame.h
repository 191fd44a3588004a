// The SD-card program's main window: title "Celvane", the transfer programs' menus with the
// Model menu, tool bar, status bar and the saved placement.
#pragma once

#include "platform/Frame.h"

class CCelvaneApp;

class CCelvaneFrame : public platform::Frame {
public:
    explicit CCelvaneFrame(CCelvaneApp& app);
    bool OnCreate() override;
    void OnClose() override;

private:
    CCelvaneApp& app_;
};

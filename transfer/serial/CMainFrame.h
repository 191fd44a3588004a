// The serial program's main window: title "Wistrel", menus, tool bar, status bar and the
// saved placement.
#pragma once

#include "platform/Frame.h"

class CComApp;

class CMainFrame : public platform::Frame {
public:
    explicit CMainFrame(CComApp& app);
    bool OnCreate() override;
    void OnClose() override;

private:
    CComApp& app_;
};

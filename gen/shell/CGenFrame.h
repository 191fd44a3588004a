// The generator's main window: menus, toolbar, the status bar whose panes show the listing
// filters, and a placement that survives between runs.
#pragma once

#include "platform/Frame.h"

class CGenApp;

class CGenFrame : public platform::Frame {
public:
    // Pane indexes.
    static constexpr size_t kPaneMessage = 0;
    static constexpr size_t kPaneCountry = 1;
    static constexpr size_t kPaneName = 2;
    static constexpr size_t kPaneIcao = 3;

    // Reads the stored placement and applies it before the window is created.
    explicit CGenFrame(CGenApp& app);

    bool OnCreate() override;
    void OnClose() override;

    // Country, Name and ICAO panes from the filters.
    void UpdateFilterPanes();

private:
    CGenApp& app_;
};

// "Add Waypoint to Route": a route point taken from a record of one of the point windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Dialog.h"

class CKestraneAddRteDialog : public platform::Dialog {
public:
    static constexpr int kResourceId = 1018;
    static constexpr int kRoute = 1039, kType = 1042, kIdent = 1040, kCountry = 1041, kAfter = 1043;

    CKestraneAddRteDialog();
    bool OnInit() override;
    void OnOk() override;
    void OnSelChange(int id) override;

    std::string route, ident, country;
    int type = -1;          // 0 APT, 1 INT, 2 NDB, 3 VOR, 4 USR
    bool after = false;
    bool afterLocked = false;  // checked by the command for a route's header
    std::function<bool()> validate;
};

// The ident and country id of the record selected in the type's window ("" without one).
void FillRouteWaypointFields(CKestraneAddRteDialog& dialog);
// Checks the texts in order (first error in a box, false); else fills the rte object, opening
// a gap at `order` of the current route first.
bool ValidateRouteWaypoint(CKestraneAddRteDialog& dialog, int32_t currentRoute, int32_t order);

// "Change Route Title".
class CKestraneRteChgDialog : public platform::Dialog {
public:
    static constexpr int kResourceId = 1026;
    static constexpr int kTitle = 1048;

    CKestraneRteChgDialog();
    bool OnInit() override;
    void OnOk() override;

    std::string title;
};

// "Add or Change USR Waypoint": ident, position, name, symbol and how the unit shows it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Dialog.h"

class CKestraneUsrAddChgDialog : public platform::Dialog {
public:
    static constexpr int kResourceId = 1016;
    static constexpr int kIdent = 1012, kLatitude = 1036, kLongitude = 1037, kName = 1015, kIcon = 1046, kView = 1047;
    static constexpr int32_t kDefaultIcon = (4608 << 8) | 3;

    CKestraneUsrAddChgDialog();
    bool OnInit() override;
    void OnOk() override;

    std::string ident, latitude, longitude, name;
    int32_t icon = kDefaultIcon;  // in: the icon word shown; out: the chosen one
    std::function<bool()> validate;
};

// Shows the user waypoint held in the usr object (change); the name's trailing '_' are cut.
void FillUsrDialog(CKestraneUsrAddChgDialog& dialog);
// Checks the texts in order (first error in a box, false); else stores them into the usr
// object. The ident must be new on add, and on change when it differs from `oldIdent`.
bool ValidateUsrWaypoint(CKestraneUsrAddChgDialog& dialog, bool change, const std::string& oldIdent);
// False when a user waypoint has the ident held in the usr object (the object is kept).
bool CheckUsrIdentUnique();

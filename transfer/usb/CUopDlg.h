// The dialog "User Specified Region": a prompt and a hexadecimal region number.
#pragma once

#include <string>

#include "platform/Dialog.h"

class CUopDlg : public platform::Dialog {
public:
    explicit CUopDlg(const std::string& prompt);
    void OnOk() override;
    // The region typed, 0 when cancelled or not a hexadecimal number.
    int region = 0;
};

// Shows the dialog; the region, or 0.
int AskRegion(const std::string& prompt);

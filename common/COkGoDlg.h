// The confirmation dialog of an operation or transfer: its details are in the main window,
// GO goes on, Cancel does not.
#pragma once

#include <string>

#include "platform/Dialog.h"

class COkGoDlg : public platform::Dialog {
public:
    // Dialog `id` with its caption and the first line of its text ("Click GO when ready."
    // follows).
    COkGoDlg(int id, std::string caption, std::string prompt);
};

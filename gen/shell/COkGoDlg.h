// The confirmation dialog "Confirm Operation Details": GO or Cancel.
#pragma once

#include "platform/Dialog.h"

class COkGoDlg : public platform::Dialog {
public:
    COkGoDlg();
};

// The Emulation dialog: the unit model that Host mode and the emulator child play.
#pragma once

#include "platform/Dialog.h"

constexpr int kIdEmulationModel = 1001;

class ComEMUDialog : public platform::Dialog {
public:
    ComEMUDialog();
    int model = 1;
    void DoDataExchange(platform::Exchange& dx) override;
};

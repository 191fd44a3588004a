// The SUA compiler's filter: one edit for the maximum base in feet.
#pragma once

#include <string>

#include "platform/Dialog.h"

constexpr int kIdComp696MaxBase = 1007;

class Comp696Dialog : public platform::Dialog {
public:
    Comp696Dialog();
    std::string maxBase;
    void DoDataExchange(platform::Exchange& dx) override;
};

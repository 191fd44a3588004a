// The debug dialog "Program Debug Trace Levels": Normal and Extra.
#pragma once

#include <cstdint>

#include "platform/Dialog.h"

constexpr int kIdDebugNormal = 1014;
constexpr int kIdDebugExtra = 1015;

class CGenDbgDialog : public platform::Dialog {
public:
    CGenDbgDialog();
    unsigned normal = 0;
    unsigned extra = 0;
    void DoDataExchange(platform::Exchange& dx) override;
};

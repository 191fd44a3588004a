// The debug level dialog "Program Debug Trace Level": one number; a negative level is taken
// as 1.
#pragma once

#include "platform/Dialog.h"

namespace platform {

constexpr int kIdDebugLevel = 1000;

class DebugLevelDialog : public Dialog {
public:
    explicit DebugLevelDialog(int resourceId);
    int level = 0;
    void DoDataExchange(Exchange& dx) override;
};

// Shows the dialog with the level; on OK the level is taken (negative: 1). True on OK.
bool RunDebugLevelDialog(int resourceId, int& level);

}  // namespace platform

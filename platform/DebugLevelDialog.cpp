#include "platform/DebugLevelDialog.h"

#include "platform/Exchange.h"

namespace platform {

DebugLevelDialog::DebugLevelDialog(int resourceId)
    : Dialog({resourceId, "Program Debug Trace Level",
              {NumberControl(kIdDebugLevel, "Debug Level"), ButtonControl(kIdOk, "OK", true),
               ButtonControl(kIdCancel, "Cancel")}}) {}

void DebugLevelDialog::DoDataExchange(Exchange& dx) { dx.Int(kIdDebugLevel, level); }

bool RunDebugLevelDialog(int resourceId, int& level) {
    DebugLevelDialog dialog(resourceId);
    dialog.level = level;
    if (dialog.RunModal() != kIdOk) return false;
    level = dialog.level < 0 ? 1 : dialog.level;
    return true;
}

}  // namespace platform

#include "platform/Clipboard.h"

#include "platform/App.h"

namespace platform {

bool CopyTextToClipboard(const std::string& text) {
    App* app = App::Current();
    if (!app) return false;
    Clipboard& clipboard = app->GetUi().GetClipboard();
    if (!clipboard.Open()) return false;
    bool ok = clipboard.Empty() && clipboard.SetText(text);
    clipboard.Close();
    return ok;
}

}  // namespace platform

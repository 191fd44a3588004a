#include "platform/WaitCursor.h"

#include "platform/App.h"

namespace platform {
namespace {
int g_depth = 0;  // user-interface thread only

void Apply() {
    if (App* app = App::Current()) app->GetUi().SetWaitCursor(g_depth > 0);
}
}  // namespace

void BeginWaitCursor() {
    ++g_depth;
    Apply();
}

void EndWaitCursor() {
    if (g_depth > 0) --g_depth;
    Apply();
}

void RestoreWaitCursor() { Apply(); }

}  // namespace platform

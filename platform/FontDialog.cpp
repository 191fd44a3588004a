#include "platform/FontDialog.h"

#include "platform/App.h"

namespace platform {

bool RunFontDialog(FontDialogRequest& request) {
    App* app = App::Current();
    return app && app->GetUi().RunFontDialog(request);
}

}  // namespace platform

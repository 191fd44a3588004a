// The font dialog.
#pragma once

#include "platform/DeviceContext.h"

namespace platform {

struct FontDialogRequest {
    Font font;                 // initial font in; chosen font out
    bool fixedPitchOnly = false;
    bool screenFonts = true;   // else printer fonts
    bool effects = true;       // offer underline/colour
};

// True on OK, with request.font the chosen font.
bool RunFontDialog(FontDialogRequest& request);

}  // namespace platform

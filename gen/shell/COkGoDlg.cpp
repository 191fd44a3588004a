#include "gen/shell/COkGoDlg.h"

using namespace platform;

COkGoDlg::COkGoDlg()
    : Dialog({132, "Confirm Operation Details",
              {StaticControl("Please check the requested operation details in the main window. "),
               StaticControl("Click GO when ready."), ButtonControl(kIdOk, "GO", true),
               ButtonControl(kIdCancel, "Cancel")}}) {}

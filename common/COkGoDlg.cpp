#include "common/COkGoDlg.h"

using namespace platform;

COkGoDlg::COkGoDlg(int id, std::string caption, std::string prompt)
    : Dialog({id, std::move(caption),
              {StaticControl(std::move(prompt)), StaticControl("Click GO when ready."), ButtonControl(kIdOk, "GO", true),
               ButtonControl(kIdCancel, "Cancel")}}) {}

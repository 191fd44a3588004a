#include "gen/shell/CAboutDlg.h"

using namespace platform;

CAboutDlg::CAboutDlg(const std::string& name, const std::string& version)
    : Dialog({100, "About " + name,
              {StaticControl(name + " Version " + version), ButtonControl(kIdOk, "OK", true)}}) {}

// The About box: the program's name and version, one OK button.
#pragma once

#include <string>

#include "platform/Dialog.h"

class CAboutDlg : public platform::Dialog {
public:
    CAboutDlg(const std::string& name, const std::string& version);
};

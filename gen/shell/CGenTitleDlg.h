// The title dialog "Title Page": the new image's title.
#pragma once

#include <string>

#include "platform/Dialog.h"

constexpr int kIdTitleEdit = 140;

class CGenTitleDlg : public platform::Dialog {
public:
    CGenTitleDlg();
    std::string title = "CUSTOMISED DB";  // at most 31 characters
    void DoDataExchange(platform::Exchange& dx) override;
};

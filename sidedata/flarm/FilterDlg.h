// "Set ID Filter": only records whose FlarmID begins with the text are used.
#pragma once

#include <string>

#include "platform/Dialog.h"

constexpr int kIdFilterEdit = 1001;

class FilterDlg : public platform::Dialog {
public:
    FilterDlg();
    std::string filter;
    void DoDataExchange(platform::Exchange& dx) override;
};

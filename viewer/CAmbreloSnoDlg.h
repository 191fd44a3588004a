// "Enter Required Value": the value a search looks for, decimal or hexadecimal after "0x".
#pragma once

#include <string>

#include "platform/Dialog.h"

constexpr int kIdSnoValue = 131;

class CAmbreloSnoDlg : public platform::Dialog {
public:
    CAmbreloSnoDlg();
    std::string value;
    void DoDataExchange(platform::Exchange& dx) override;
};

// The search value of a text: "0x" and hexadecimal digits, else leading decimal digits, else 0.
int ParseSearchValue(const std::string& text);

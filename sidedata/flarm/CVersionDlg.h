// "Set Version Number": the six hexadecimal digits some formats carry.
#pragma once

#include <string>

#include "platform/Dialog.h"

constexpr int kIdVersionEdit = 1000;

class CVersionDlg : public platform::Dialog {
public:
    CVersionDlg();
    std::string version;
    void DoDataExchange(platform::Exchange& dx) override;
    // Refuses a text that is not six hexadecimal digits; the dialog stays open.
    void OnOk() override;
};

// Why a version text is refused, or null when it is six hexadecimal digits.
const char* VersionTextProblem(const std::string& text);

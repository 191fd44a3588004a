#include "transfer/usb/CUopDlg.h"

#include <cstdlib>

namespace {

constexpr int kIdRegion = 1000;
constexpr int kIdPrompt = 1001;

}  // namespace

CUopDlg::CUopDlg(const std::string& prompt)
    : Dialog({145, "User Specified Region",
              {platform::StaticControl(prompt, kIdPrompt), platform::EditControl(kIdRegion, "Region (Hex)"),
               platform::ButtonControl(platform::kIdOk, "OK", true), platform::ButtonControl(platform::kIdCancel, "Cancel")}}) {}

void CUopDlg::OnOk() {
    const std::string text = GetItemText(kIdRegion);
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 16);
    region = end == text.c_str() || value < 0 || value > 0xFFFF ? 0 : static_cast<int>(value);
    End(platform::kIdOk);
}

int AskRegion(const std::string& prompt) {
    CUopDlg dialog(prompt);
    return dialog.RunModal() == platform::kIdOk ? dialog.region : 0;
}

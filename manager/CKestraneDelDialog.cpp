#include "manager/CKestraneDelDialog.h"

CKestraneDelDialog::CKestraneDelDialog(std::string description)
    : platform::Dialog({kResourceId,
                        "Deletions",
                        {platform::StaticControl("Are you sure you want to DELETE"), platform::ListBoxControl(kList, ""),
                         platform::ButtonControl(platform::kIdOk, "OK", true),
                         platform::ButtonControl(platform::kIdCancel, "Cancel")}}),
      description_(std::move(description)) {}

bool CKestraneDelDialog::OnInit() {
    std::string line = description_;
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ') line.pop_back();
    AddString(kList, line);
    return true;
}

bool ConfirmDeletion(const std::string& description) {
    CKestraneDelDialog dialog(description);
    return dialog.RunModal() == platform::kIdOk;
}

// "Deletions": asks whether to delete the record the delete command describes.
#pragma once

#include <string>

#include "platform/Dialog.h"

class CKestraneDelDialog : public platform::Dialog {
public:
    static constexpr int kResourceId = 1006;
    static constexpr int kList = 1007;

    explicit CKestraneDelDialog(std::string description);
    bool OnInit() override;

private:
    std::string description_;
};

// Shows the dialog; true on OK.
bool ConfirmDeletion(const std::string& description);

// The SD-card program's "Setup Transfer" dialog: the card's drive and the data file (with
// Browse). The file name is kept for the life of the process.
#pragma once

#include <string>

#include "platform/Dialog.h"

constexpr int kIdCelvaneFilename = 1005;
constexpr int kIdCelvaneBrowse = 1006;
constexpr int kIdCelvaneDrive = 1017;

class CCelvaneSetupDlg : public platform::Dialog {
public:
    explicit CCelvaneSetupDlg(std::string drive);

    std::string fileName;
    std::string drive;

    bool OnInit() override;
    void OnOk() override;
    void OnButton(int id) override;
};

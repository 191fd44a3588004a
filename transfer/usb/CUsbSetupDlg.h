// The setup dialog "Setup Transfer": mode, database, file (with Browse by database) and the
// drive of a unit reached as a drive. The last choices are kept for the life of the process.
#pragma once

#include <string>

#include "platform/Dialog.h"

constexpr int kIdUsbMode = 1003;
constexpr int kIdUsbDatabase = 1004;
constexpr int kIdUsbFilename = 1005;
constexpr int kIdUsbBrowse = 1006;
constexpr int kIdUsbDrive = 1017;
constexpr int kIdUsbDriveButton = 1018;

enum UsbMode { kUsbRead = 0, kUsbWrite = 1, kUsbList = 2 };

struct UsbSetupChoice {
    int mode = kUsbRead;
    int database = 1;
    std::string fileName;
    std::string drive;
};

UsbSetupChoice& LastUsbSetupChoice();

class CUsbSetupDlg : public platform::Dialog {
public:
    CUsbSetupDlg();

    UsbSetupChoice choice;

    bool OnInit() override;
    void OnOk() override;
    void OnButton(int id) override;
    void OnSelChange(int id) override;

private:
    void OnBrowse();
};

// The setup dialog "Setup Communications": port, mode, database, file, new protocol and the
// maximum baud rate. The last choices are kept for the life of the process.
#pragma once

#include <string>

#include "platform/Dialog.h"

constexpr int kIdSetupPort = 1001;
constexpr int kIdSetupMode = 1002;
constexpr int kIdSetupDatabase = 1003;
constexpr int kIdSetupFilename = 1004;
constexpr int kIdSetupBrowse = 1005;
constexpr int kIdSetupNewProtocol = 1006;
constexpr int kIdSetupMaxBaud = 1007;
constexpr int kIdSetupProtocolText = 1008;

enum ComMode { kModeRead = 0, kModeWrite = 1, kModeHost = 2, kModeList = 3 };

// The port index of the "Client" row.
constexpr int kPortClient = 256;

struct ComSetupChoice {
    int port = -1;  // -1: not yet set (the start port)
    int mode = kModeRead;
    int database = 1;
    int maxBaud = 5;
    std::string fileName;
};

// The choices offered the next time.
ComSetupChoice& LastComSetupChoice();

class CComSetupDlg : public platform::Dialog {
public:
    CComSetupDlg(int startPort, int debugLevel, bool newProtocol);

    // The choice after OK (port -1 when no port row was chosen).
    ComSetupChoice choice;
    bool newProtocol = false;

    bool OnInit() override;
    void OnOk() override;
    void OnButton(int id) override;
    void OnSelChange(int id) override;

private:
    void Enable();
    void OnBrowse();

    int startPort_;
    int debugLevel_;
};

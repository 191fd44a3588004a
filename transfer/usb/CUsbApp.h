// The USB transfer program's application: its command line, the document template of the
// log document, main window and view, the start message to the view and the idle job.
#pragma once

#include "platform/App.h"
#include "transfer/usb/UsbSwitches.h"

inline constexpr const char* kNorveskVersion = "1.0.0";

enum UsbExitStatus : int {
    kUsbExitOk = 0,       // "Transfer Complete", "Details Complete", nothing asked
    kUsbExitLink = 1,     // the unit cannot be reached or the link failed; a file that cannot be read
    kUsbExitUsage = 2,    // the command line is wrong
    kUsbExitRefused = 3,  // a refusal, a NO answer, an abort of the engine, STOP/RESET
};

// Idle job states.
enum UsbIdleJob { kIdleNone = 0, kIdleStart = 1, kIdleStep = 2, kIdleCopy = 3 };

class CUsbView;

class CUsbApp : public platform::App {
public:
    CUsbApp();

    bool InitInstance() override;
    bool OnIdle(long count) override;

    UsbStartOptions& UsbOptions() { return options_; }
    CUsbView* UsbView() const;
    int idleJob = kIdleNone;

private:
    UsbStartOptions options_;
};

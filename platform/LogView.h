// The log variant of the listing view: the screen and print font commands 32776 and 32777,
// File > Setup (32771) and the private start message 0x464 handed to the owning program's
// start handler, File > Debug Level (32775) with the debug level dialog, and File >
// STOP/RESET (its id given by the program) calling the stop handler with "Transfer Aborted
// (Operator)". Setup and Debug Level are enabled while not busy, STOP/RESET while busy,
// unless the program's view says otherwise.
#pragma once

#include <string>

#include "platform/ListingView.h"

namespace platform {

class LogDocument;

constexpr unsigned kCmdLogSetup = 32771;
constexpr unsigned kCmdLogDebugLevel = 32775;
constexpr unsigned kCmdLogScreenFont = 32776;
constexpr unsigned kCmdLogPrintFont = 32777;
constexpr unsigned kCmdLogSelectDown = 32786;
constexpr unsigned kCmdLogSelectUp = 32787;
constexpr unsigned kMsgLogStart = 0x0400 + 100;

inline constexpr const char* kLogStopText = "Transfer Aborted (Operator)";

struct LogViewDecl {
    unsigned stopResetId = 0;     // the program's File > STOP/RESET command
    int debugDialogId = 0;        // resource id of the debug level dialog
};

class LogView : public ListingView {
public:
    // debugLevel: the program's debug level, which the Debug Level dialog sets.
    LogView(LogViewDecl decl, Clipboard& clipboard, int& debugLevel);
    ~LogView() override;

    LogDocument* GetLogDoc() const;
    int& DebugLevel() const { return debugLevel_; }

    // The start message and File > Setup (wparam 0 from the menu).
    virtual void OnStart(WParam wparam) = 0;
    // File > STOP/RESET: the stop handler with the operator's text.
    virtual void OnStopReset() { Stop(kLogStopText); }
    // Ends the running work with a text; by default the text is logged while busy.
    virtual void Stop(const std::string& text);
    // True while work runs.
    virtual bool Busy() const { return busy_; }
    void SetBusy(bool busy) { busy_ = busy; }
    virtual bool StopEnabled() const { return Busy(); }

    void OnDebugLevel();

    bool OnMessage(unsigned message, WParam wparam, LParam lparam) override;

private:
    int& debugLevel_;
    LogViewDecl decl_;
    bool busy_ = false;
};

}  // namespace platform

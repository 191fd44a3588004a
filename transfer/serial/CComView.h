// The serial program's view: the transfer log (or a GAR listing) in the platform's log view,
// the start of a transfer with the setup dialog and its checks, and the image checks of the
// files it sends and receives.
#pragma once

#include <string>

#include "platform/LogView.h"
#include "transfer/common/ImageChecks.h"

class CComApp;
class CComDoc;

constexpr unsigned kCmdStopReset = 32772;
constexpr unsigned kCmdEmulation = 32774;

class CComView : public platform::LogView, public CheckReporter {
public:
    explicit CComView(CComApp& app);
    ~CComView() override;

    CComDoc* GetDoc() const;

    // The start message and File > Setup Comms.
    void OnStart(platform::WParam wparam) override;
    void OnStartTransfer(bool child);
    // The transfer details and the GO question; true for GO.
    bool ShowTransferDetails(bool child);
    // Starts the link of a transfer that passed its checks.
    virtual void OpenPort(int port);
    void Stop(const std::string& text) override;
    void OnEmulation();

    // True when the last setup ended on a refused choice.
    bool Refused() const { return refused_; }

    // platform::ListingView
    bool ShowsStoredLines() const override;

    // CheckReporter
    void Log(const std::string& line) override;
    bool AskYesNo(const std::string& question) override;
    void Message(const std::string& text) override;
    int DebugLevel() const override;
    void SetWaitCursor(bool on) override;

    ImageChecks checks{*this};
    int mode = 0;
    int database = 1;
    int maxBaud = 5;
    int port = 0;
    int emulatedModel = 1;

private:
    // The checks of one setup choice; false after its message (or a No) when it does not pass.
    bool CheckChoice(bool& asked);
    void Refuse(const std::string& text);

    CComApp& app_;
    bool refused_ = false;
};

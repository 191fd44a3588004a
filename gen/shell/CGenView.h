// The generator's only view: the listing view of the platform with the program's banner,
// and the setup and run state of the current operation.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ListingView.h"

class CGenApp;
class CGenDoc;

// Commands of the view.
constexpr unsigned kCmdSetup = 32771;
constexpr unsigned kCmdStopReset = 32773;
constexpr unsigned kCmdScreenFont = 32784;
constexpr unsigned kCmdPrintFont = 32785;
constexpr unsigned kCmdSelectDown = 32786;
constexpr unsigned kCmdSelectUp = 32787;

using platform::kMaxScrollUnits;

class CGenView : public platform::ListingView {
public:
    explicit CGenView(CGenApp& app);
    ~CGenView() override;

    CGenDoc* GetDoc() const;
    CGenApp& App() const { return app_; }

    // Operation state (RunSetup and the runner work on these).
    bool running = false;
    int mode = 3;
    int section = 0;
    bool listing = false;
    std::string fileName;   // at most 255 characters
    std::string title;      // at most 31 characters
    int partNumbers[2] = {0, 0};
    // The probe file of the setup (-1 when closed) and the second file.
    int probeFd = -1;
    int secondFd = -1;

    // The setup loop.
    void RunSetup();
    // App state 3 on the next idle turn after GO.
    void StartOperation();
    void StopOperation(const std::string& text);
    void CloseSetupFiles();

    // platform::ListingView
    std::string BannerText() const override;
    bool ShowsStoredLines() const override;
    bool OnMessage(unsigned message, platform::WParam wparam, platform::LParam lparam) override;

private:
    void AddCommands();

    CGenApp& app_;
};

// The database manager's application: six record windows over the database folder db50.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/App.h"
#include "platform/Document.h"
#include "platform/Frame.h"

class CKestraneScrollView;

// The documents of the six windows hold nothing but their title.
class CKestraneADoc : public platform::Document {};
class CKestraneIDoc : public platform::Document {};
class CKestraneNDoc : public platform::Document {};
class CKestraneVDoc : public platform::Document {};
class CKestraneUDoc : public platform::Document {};
class CKestraneRDoc : public platform::Document {};

// A record window's frame.
class CChildFrame : public platform::Frame {
public:
    void OnClose() override;
};

class CMainFrame : public platform::Frame {
public:
    static constexpr size_t kPaneDb = 1;
    static constexpr size_t kPaneCountry = 2;
    static constexpr size_t kPaneIcao = 3;

    CMainFrame();
    bool OnCreate() override;
    // Saves the placement ("WindowPos") unless minimised, then closes.
    void OnClose() override;
    // The DB, Country and ICAO panes from the settings.
    void UpdatePanes();
};

class CKestraneApp : public platform::App {
public:
    static constexpr unsigned kCmdOpenApt = 32771;  // .. 32776 for I N V U R
    static constexpr unsigned kCmdRecordNos = 32802;
    static constexpr unsigned kCmdPictureBytes = 32803;
    static constexpr unsigned kCmdFilters = 32806;

    CKestraneApp();
    bool InitInstance() override;
    int ExitInstance() override;
    bool OnIdle(long count) override;

    // Start-up options from the command line (-V<letter>, -c <ident>, -d[n], -p, -r).
    struct Options {
        char initialLetter = 'A';
        std::string country;
        bool hasCountry = false;
        int32_t debug = 0;
        int32_t pictureBytes = 0;
        int32_t recordNumbers = 0;
    };
    static Options ParseCommandLine(const std::string& commandLine);
    const Options& StartOptions() const { return options_; }

    // Opens the window of a letter unless it is open.
    void OpenRecordWindow(char letter);

private:
    Options options_;
    std::unique_ptr<CMainFrame> mainFrame_;
};

// Finds the database folder: db50 under the current folder, else one the user chooses.
bool SetupDbdir();
// Tells every view of the letter's window (all six for 0) to list afresh.
void UpdateAllRecordViews(char letter);

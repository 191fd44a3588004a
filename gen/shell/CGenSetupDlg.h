// The setup dialog "Select Required Operation": mode, section, file name, title and the
// listing flag of the next operation; and the remembered choice that survives between openings.
#pragma once

#include <string>
#include <vector>

#include "platform/Dialog.h"

class CGenApp;

// Control ids.
constexpr int kIdSetupMode = 131;
constexpr int kIdSetupSection = 135;
constexpr int kIdSetupFilename = 133;
constexpr int kIdSetupBrowse = 134;
constexpr int kIdSetupTitle = 139;
constexpr int kIdSetupFilters = 143;
constexpr int kIdSetupListing = 1003;

constexpr size_t kSetupFileNameLength = 255;
constexpr size_t kSetupTitleLength = 31;
inline constexpr const char* kDefaultSetupTitle = "CUSTOMISED DB";

// The remembered setup choice (process-wide).
struct SetupChoice {
    int mode = 3;                // List
    int section = 0;
    std::string fileNames[8];    // one per mode
};
SetupChoice& RememberedSetup();
// A control-file section's mode, section and file name become the remembered choice.
void RememberSetupChoice(int mode, int section, const std::string& fileName);

class CGenSetupDlg : public platform::Dialog {
public:
    explicit CGenSetupDlg(CGenApp& app);

    int mode = 3;
    int section = 0;
    std::string fileName;
    std::string title = kDefaultSetupTitle;
    int listing = 0;

    bool OnInit() override;
    void OnOk() override;
    void OnButton(int id) override;
    void OnSelChange(int id) override;
    void DoDataExchange(platform::Exchange& dx) override;

    // Enables the controls for the selected mode and shows its remembered name.
    void RefreshSetupControls();
    void OnBrowse();
    void OnTitle();

    // Mode of a Mode combo index and back (-1 when none).
    int ModeOfIndex(int index) const;
    int IndexOfMode(int mode) const;

private:
    CGenApp& app_;
    std::vector<int> modes_;  // Mode combo index -> mode
};

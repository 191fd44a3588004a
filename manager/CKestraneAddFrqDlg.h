// "Add or Change a Comms Frequency": an airport frequency with its restrictions, the restriction
// string the dialog builds and its storage as a chain of RESTR records.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Dialog.h"

struct FrequencyEntry;

class CKestraneAddFrqDlg : public platform::Dialog {
public:
    static constexpr int kResourceId = 1011;
    static constexpr int kHeader = 1027, kTypes = 1028, kFrequency = 1029, kBearings = 1051, kBelow = 1053,
                         kAbove = 1054, kRemoteVor = 1056, kText = 1055, kTxRx = 1071;
    // The batch coder's limit, and what the text byte's 7-bit length can say.
    static constexpr size_t kMaxRestriction = 128;

    CKestraneAddFrqDlg();
    bool OnInit() override;
    void OnOk() override;

    std::string header;
    int type = -1;  // the chosen type row
    std::string frequency, bearings, below, above, remoteVor, text;
    int txRx = 0;
    std::function<bool()> validate;
    std::vector<uint8_t> restriction;  // built by ValidateFrequency: length byte first
};

// "APT %s %s (%s)" of the airport held in apts.
std::string FormatAirportHeader();
// Shows a frequency entry.
void FillFrequencyDialog(CKestraneAddFrqDlg& dialog, const FrequencyEntry& entry);
// Checks the texts (first error in a box, false); else stores type and frequency into the freq3
// object and builds the restriction string.
bool ValidateFrequency(CKestraneAddFrqDlg& dialog);
// Writes the restriction string as RESTR records (restr open or opened); the first number, or 0.
int32_t WriteRestrChain(const std::vector<uint8_t>& restriction);
// Erases a chain from its first record.
void EraseRestrChain(int32_t first);

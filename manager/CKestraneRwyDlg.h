// "Add or Change an Airport Runway": designator, size, surface, lighting, bearing and the
// threshold positions, with the designator and threshold codings of the runway record.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Dialog.h"

struct RunwayEntry;

class CKestraneRwyDlg : public platform::Dialog {
public:
    static constexpr int kResourceId = 1013;
    static constexpr int kHeader = 1035, kRunway = 1030, kLength = 1031, kWidth = 1049, kSurface = 1032,
                         kLighting = 1033, kLatitude = 1060, kLongitude = 1061, kRecipLatitude = 1062,
                         kRecipLongitude = 1063, kBearing = 1052, kPattern = 1064, kRecip = 1065;

    CKestraneRwyDlg();
    bool OnInit() override;
    void OnOk() override;

    std::string header, runway, length, width, latitude, longitude, recipLatitude, recipLongitude, bearing;
    int surface = -1, lighting = -1;
    int pattern = 2, recip = 1;  // rows: L R N, and L R
    std::function<bool()> validate;
};

// A designator text ("09", "27L", "09L-26") into the rw word: 0 accepted, 1 refused.
int ParseRwWord(const std::string& text, int32_t* out);
// Shows a runway entry; thresholds relative to the airport's position.
void FillRunwayDialog(CKestraneRwyDlg& dialog, const RunwayEntry& entry, int32_t latitude0, int32_t longitude0);
// Checks the texts (first error in a box, false); else stores them into the rwy3 object. With
// `warn`, thresholds that disagree with the length or bearing are shown (not refused).
bool ValidateRunway(CKestraneRwyDlg& dialog, int32_t latitude0, int32_t longitude0, bool warn);

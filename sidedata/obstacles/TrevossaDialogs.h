// Trevossa's dialogs: View > Filters (136) and View > Set Program Defaults (137).
#pragma once

#include <string>

#include "platform/Dialog.h"

namespace obstacles {

constexpr int kIdFilterText = 1001;
constexpr int kIdMinAgl = 1005;
constexpr int kIdCountryString = 1004;
constexpr int kIdHeightUnits = 1003;

class CFilterDLG : public platform::Dialog {
public:
    CFilterDLG();
    std::string filter;
    std::string minAgl;
    void DoDataExchange(platform::Exchange& dx) override;
};

class CTrevossaDefaults : public platform::Dialog {
public:
    CTrevossaDefaults();
    std::string country;
    std::string units;  // "Feet" or "Metres"
    void DoDataExchange(platform::Exchange& dx) override;
};

}  // namespace obstacles

// The listing filters dialog "Listing Filters": country, ICAO and name filters and the
// filter rectangle's corner texts.
#pragma once

#include <string>

#include "platform/Dialog.h"

constexpr int kIdFiltCountry = 136;
constexpr int kIdFiltName = 137;
constexpr int kIdFiltIcao = 138;
constexpr int kIdCornerSW = 1001;
constexpr int kIdCornerNE = 1002;

class CGenFilt : public platform::Dialog {
public:
    CGenFilt();
    std::string country;
    std::string icao;
    std::string name;
    std::string southWest;
    std::string northEast;
    void DoDataExchange(platform::Exchange& dx) override;
};

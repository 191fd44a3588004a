#include "gen/shell/CGenFilt.h"

#include "platform/Exchange.h"

using namespace platform;

CGenFilt::CGenFilt()
    : Dialog({133, "Listing Filters",
              {EditControl(kIdFiltCountry, "Country Code"), EditControl(kIdFiltIcao, "ICAO Filter"),
               EditControl(kIdFiltName, "Name Filter"), EditControl(kIdCornerSW, "South West Limit"),
               EditControl(kIdCornerNE, "North East Limit"), ButtonControl(kIdOk, "OK", true),
               ButtonControl(kIdCancel, "Cancel")}}) {}

void CGenFilt::DoDataExchange(Exchange& dx) {
    dx.Text(kIdFiltCountry, country);
    dx.Text(kIdFiltIcao, icao);
    dx.Text(kIdFiltName, name);
    dx.Text(kIdCornerSW, southWest);
    dx.Text(kIdCornerNE, northEast);
}

#include "sidedata/obstacles/TrevossaDialogs.h"

#include "platform/Exchange.h"

namespace obstacles {

using namespace platform;

CFilterDLG::CFilterDLG()
    : Dialog({136, "Set Textual and AGL Filters",
              {StaticControl("You can restrict the output of the program to lines containing whatever you type "
                             "in this box."),
               EditControl(kIdFilterText, "Filter Text"),
               StaticControl("You can omit obstacles with AGL heights less than the value you place in this box. "
                             "(The units are the same as your chosen units)"),
               EditControl(kIdMinAgl, "Min AGL"), ButtonControl(kIdOk, "OK", true),
               ButtonControl(kIdCancel, "Cancel")}}) {}

void CFilterDLG::DoDataExchange(Exchange& dx) {
    dx.Text(kIdFilterText, filter);
    dx.Text(kIdMinAgl, minAgl);
}

CTrevossaDefaults::CTrevossaDefaults()
    : Dialog({137, "Set Program Defaults",
              {EditControl(kIdCountryString, "Country string"),
               DropListControl(kIdHeightUnits, "Height units", {"Feet", "Metres"}), ButtonControl(kIdOk, "OK", true),
               ButtonControl(kIdCancel, "Cancel")}}) {}

void CTrevossaDefaults::DoDataExchange(Exchange& dx) {
    dx.Text(kIdCountryString, country);
    dx.Choice(kIdHeightUnits, units);
}

}  // namespace obstacles

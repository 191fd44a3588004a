#include "viewer/CAmbreloSnoDlg.h"

#include <cstdint>
#include <cstdlib>

#include "platform/Exchange.h"

using namespace platform;

CAmbreloSnoDlg::CAmbreloSnoDlg()
    : Dialog({130, "Enter Required Value",
              {StaticControl("Value"), EditControl(kIdSnoValue, "Value"), ButtonControl(kIdOk, "OK", true),
               ButtonControl(kIdCancel, "Cancel"),
               StaticControl("Values can be entered as decimal, or as hex preceded by 0x. eg: 0x2003")}}) {}

void CAmbreloSnoDlg::DoDataExchange(Exchange& dx) { dx.Text(kIdSnoValue, value); }

int ParseSearchValue(const std::string& text) {
    if (text.compare(0, 2, "0x") == 0) {
        return int(uint32_t(std::strtoul(text.c_str(), nullptr, 16)));
    }
    return int(std::strtol(text.c_str(), nullptr, 10));
}

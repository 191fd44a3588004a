#include "manager/ImportRecords.h"

#include <algorithm>
#include <cstdio>

#include "dblib/dfRTE.h"
#include "dblib/dfUSR.h"
#include "manager/RenumberRoute.h"
#include "platform/MessageBox.h"

namespace {

void ShowNumbered(const char* format, int32_t number) {
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(number));
    platform::ShowMessage(text);
}

}  // namespace

std::string ImportText(const std::string& text, size_t length) {
    std::string out = text.substr(0, std::min(length, text.find('\0')));
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

void StoreUserWaypoint(dfUSR& usr, const std::string& ident, int32_t latitude, int32_t longitude, uint32_t time,
                       const std::string& name, uint32_t icon, bool keepNewer, int32_t& highest) {
    usr.SelectIndex("uident");
    SetField(usr.uident, ident);
    const bool known = usr.Find() == 0;
    if (known && keepNewer && time != 0 && static_cast<uint32_t>(usr.utime) >= time) return;
    if (!known) SetField(usr.uident, ident);
    usr.ulat = latitude;
    usr.ulong = longitude;
    usr.utime = static_cast<int32_t>(time);
    SetField(usr.uname, name);
    usr.uicon = static_cast<int32_t>(icon);
    if (known) {
        if (usr.Amend() != 0) ShowNumbered("Amend USR 0x%x failed", usr.usno);
        return;
    }
    usr.usno = highest + 1;
    if (usr.Insert() != 0) {
        platform::ShowMessage("Insert USR failed");
        return;
    }
    highest = usr.usno;
}

ImportRouteNumbers::ImportRouteNumbers(dfRTE& rte) {
    rte.SelectIndex("rtno");
    rte.rtno = 500000;
    if (rte.Find() == 0 || rte.Prev(1) == 0) highest_ = std::max(rte.rtno, 0);
    next_ = highest_;
    rte.Rewind();
    while (rte.Next(1) == 0) {
        if (rte.rtno >= 0 && rte.rtno <= kImportedRouteNumbers) used_[rte.rtno] = true;
    }
}

int ImportRouteNumbers::NewRoute() {
    int number = next_ + 1;
    if (number < 0 || number > kImportedRouteNumbers || used_[number]) {
        number = -1;
        for (int n = 0; n <= kImportedRouteNumbers && number < 0; ++n)
            if (!used_[n]) number = n;
    }
    if (number < 0) {
        platform::ShowMessage("No free route number for an imported route");
        return -1;
    }
    used_[number] = madeNew_[number] = true;
    next_ = number;
    return number;
}

int ImportRouteNumbers::GivenRoute(int number, bool& replace) {
    replace = false;
    if (number < 0 || number > kImportedRouteNumbers || madeNew_[number]) return NewRoute();
    replace = true;
    used_[number] = true;
    return number;
}

void InsertRouteRecord(dfRTE& rte, int route, int32_t& highest, const char* failure, RouteLegStart& leg) {
    rte.rtsno = highest + 1;
    rte.rtno = route;
    if (rte.rtorder >= 1) {
        rte.rtrange = rte.rtbearing = 0;
        if (rte.rtorder > 1) LegRangeBearing(leg.latitude, leg.longitude);
        leg = {rte.rtlat, rte.rtlong};
    }
    if (rte.Insert() != 0) {
        ShowNumbered(failure, rte.rtsno);
        return;
    }
    highest = rte.rtsno;
}

void EraseRoute(dfRTE& rte, int number) {
    rte.SelectIndex("rtno");
    rte.rtno = number;
    bool ok = rte.Find() == 0 || rte.ReadCurrent() == 0;
    while (ok && rte.rtno == number) {
        if (rte.Erase() != 0) return;
        ok = rte.Next(1) == 0;
    }
}

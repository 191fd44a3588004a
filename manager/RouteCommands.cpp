// Add, Change Title and Delete of route points from the routes window; routes are never
// journaled.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "dblib/KestraneDatabase.h"
#include "manager/CKestraneAddRteDialog.h"
#include "manager/CKestraneDelDialog.h"
#include "manager/HighestRecord.h"
#include "manager/KestraneApp.h"
#include "manager/RecordViews.h"
#include "manager/RenumberRoute.h"
#include "platform/MessageBox.h"

namespace {

const int32_t kDefaultIcons[5] = {16416, 81952, 147488, 868384, 1179651};
const char* const kTypeWords[5] = {"APT", "INT", "NDB", "VOR", "USR"};

// Finds the route's header (order 0) into the rte object (rte open).
bool FindHeader(dfRTE& rte, int32_t route) {
    rte.SelectIndex("rtno");
    rte.rtno = route;
    for (bool ok = rte.Find() == 0 || rte.ReadCurrent() == 0; ok && rte.rtno == route; ok = rte.Next(1) == 0) {
        if (rte.rtorder == 0) return true;
    }
    return false;
}

}  // namespace

void CKestraneRView::OnAddRte() {
    BusyMark busy(*this);
    dfRTE& rte = *KestraneDb().rte;
    CKestraneAddRteDialog d;
    int32_t current = -1, order = 1;
    if (SelectedLine() >= 0) {
        ReloadSelected(false);
        current = rte.rtno;
        order = rte.rtorder;
        d.route = std::to_string(rte.rtno);
        if (rte.rtorder == 0) d.after = d.afterLocked = true;
    }
    d.validate = [&] { return ValidateRouteWaypoint(d, current, order + (d.after ? 1 : 0)); };
    if (d.RunModal() != platform::kIdOk) return;
    if (rte.Open() != 0) return;
    // The search for the highest number loads another record: the point is kept aside.
    uint8_t point[dfRTE::kRecordLength];
    rte.CopyOut(point);
    const int32_t number = HighestRecordNumber(rte, "rtsno", rte.rtsno) + 1;
    rte.CopyIn(point);
    rte.rtsno = number;
    rte.rtrange = 0;
    rte.rtbearing = 0;
    if (rte.rticon == 0) rte.rticon = kDefaultIcons[rte.rttype >= 0 && rte.rttype <= 4 ? rte.rttype : 4];
    if (rte.Insert() != 0) {
        platform::ShowMessage("Insert Route waypoint failed");
        rte.Close();
        return;
    }
    const int32_t route = rte.rtno;
    if (route != current) {
        rte.rtsno = number + 1;
        rte.rtorder = 0;
        std::memset(rte.rtname1, 0, sizeof rte.rtname1);
        rte.rticon = 0;
        if (rte.Insert() != 0) platform::ShowMessage("Insert Route header failed");
    }
    RenumberRoute(route, 0);
    rte.Close();
    UpdateAllRecordViews('R');
}

void CKestraneRView::OnChgRteTitle() {
    BusyMark busy(*this);
    if (SelectedLine() < 0) return;
    dfRTE& rte = *KestraneDb().rte;
    ReloadSelected(false);
    const int32_t route = rte.rtno;
    if (rte.Open() != 0) return;
    const bool found = FindHeader(rte, route);
    rte.Close();
    if (!found) return;
    CKestraneRteChgDialog d;
    d.title = std::string(rte.rtname1, strnlen(rte.rtname1, sizeof rte.rtname1));
    if (d.RunModal() != platform::kIdOk) return;
    if (rte.Open() != 0) return;
    if (FindHeader(rte, route)) {
        std::memset(rte.rtname1, 0, sizeof rte.rtname1);
        std::memcpy(rte.rtname1, d.title.data(), std::min(d.title.size(), sizeof rte.rtname1 - 1));
        if (rte.Amend() != 0) platform::ShowMessage("Amend RTE failed");
    }
    rte.Close();
    UpdateAllRecordViews('R');
}

void CKestraneRView::OnDelRte() {
    BusyMark busy(*this);
    if (SelectedLine() < 0) return;
    dfRTE& rte = *KestraneDb().rte;
    ReloadSelected(false);
    const int32_t route = rte.rtno;
    const int32_t sno = rte.rtsno;
    char text[96];
    if (rte.rtorder == 0) {
        std::snprintf(text, sizeof text, "Are you sure you want to delete the whole of route number %d", route);
        if (platform::ShowMessage(text, {platform::Buttons::OkCancel}) != platform::kIdOk) return;
        if (rte.Open() != 0) return;
        rte.SelectIndex("rtno");
        for (;;) {
            rte.rtno = route;
            if (!((rte.Find() == 0 || rte.ReadCurrent() == 0) && rte.rtno == route) || rte.Erase() != 0) break;
        }
        rte.Close();
        UpdateAllRecordViews('R');
        return;
    }
    std::snprintf(text, sizeof text, "RTE %2d/%02d %s %.8s", route, rte.rtorder,
                  kTypeWords[rte.rttype >= 0 && rte.rttype <= 4 ? rte.rttype : 4], rte.rtident);
    if (!ConfirmDeletion(text)) return;
    if (rte.Open() != 0) return;
    rte.SelectIndex("rtsno");
    rte.rtsno = sno;
    if (rte.Find() != 0 || rte.Erase() != 0) platform::ShowMessage("Erase Route Wpt failed");
    // The last point gone, the header goes too.
    if (RenumberRoute(route, 0) == 0 && FindHeader(rte, route) && rte.Erase() != 0)
        platform::ShowMessage("Erase Route Wpt failed");
    rte.Close();
    UpdateAllRecordViews('R');
}

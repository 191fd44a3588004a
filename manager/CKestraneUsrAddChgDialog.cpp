#include "manager/CKestraneUsrAddChgDialog.h"

#include <cctype>
#include <cstring>
#include <ctime>
#include <vector>

#include "common/LatLonText.h"
#include "dblib/KestraneDatabase.h"
#include "manager/SymbolTable.h"
#include "platform/MessageBox.h"

namespace {

using Self = CKestraneUsrAddChgDialog;
const char* const kViews[] = {"Symbol & Name", "Symbol & Comment", "Symbol only"};
const int kViewCodes[] = {3, 5, 1};
const char kNameChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -/,&()+;':";
constexpr int32_t kUnitEpoch = 631065600;  // 31 December 1989 00:00 UTC

std::string TrimRight(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    return text;
}

}  // namespace

CKestraneUsrAddChgDialog::CKestraneUsrAddChgDialog()
    : platform::Dialog({kResourceId,
                        "Add or Change USR Waypoint",
                        {platform::EditControl(kIdent, "Identifier", 7), platform::EditControl(kLatitude, "Latitude", 20),
                         platform::EditControl(kLongitude, "Longitude", 20), platform::EditControl(kName, "Name", 40),
                         platform::DropListControl(kIcon, "Icon"),
                         platform::DropListControl(kView, "View", {kViews[0], kViews[1], kViews[2]}),
                         platform::ButtonControl(platform::kIdOk, "OK", true),
                         platform::ButtonControl(platform::kIdCancel, "Cancel")}}) {}

bool CKestraneUsrAddChgDialog::OnInit() {
    SetItemText(kIdent, ident);
    SetItemText(kLatitude, latitude);
    SetItemText(kLongitude, longitude);
    SetItemText(kName, name);
    for (int i = 0; kWaypointSymbols[i].code != 65535; ++i) {
        AddString(kIcon, kWaypointSymbols[i].name);
        if (kWaypointSymbols[i].code == static_cast<uint32_t>(icon) >> 8) {
            SetCurSel(kIcon, i);
            const int display = icon & 15;
            SetCurSel(kView, display <= 1 ? 2 : (display == 4 || display == 5) ? 1 : 0);
        }
    }
    return true;
}

void CKestraneUsrAddChgDialog::OnOk() {
    ident = GetItemText(kIdent);
    latitude = GetItemText(kLatitude);
    longitude = GetItemText(kLongitude);
    name = GetItemText(kName);
    const int row = GetCurSel(kIcon);
    const int view = GetCurSel(kView);
    const int32_t symbol = row >= 0 ? static_cast<int32_t>(kWaypointSymbols[row].code << 8) : (icon & ~15 & ~0xFF);
    icon = symbol | (view >= 0 ? kViewCodes[view] : 3);
    if (!validate || validate()) End(platform::kIdOk);
}

void FillUsrDialog(CKestraneUsrAddChgDialog& d) {
    dfUSR& u = *KestraneDb().usr;
    d.ident = std::string(u.uident, strnlen(u.uident, sizeof u.uident));
    char text[kLatLonTextSize];
    FormatLatLon(text, u.ulat, false, 1);
    d.latitude = text;
    FormatLatLon(text, u.ulong, true, 1);
    d.longitude = text;
    size_t n = strnlen(u.uname, sizeof u.uname);
    while (n > 0 && u.uname[n - 1] == '_') u.uname[--n] = '\0';
    d.name = std::string(u.uname, n);
    d.icon = u.uicon;
}

bool CheckUsrIdentUnique() {
    dfUSR& u = *KestraneDb().usr;
    std::vector<uint8_t> saved(static_cast<size_t>(u.RecordLength()));
    u.CopyOut(saved.data());
    const bool held = u.IsOpen();
    bool found = false;
    if (held || u.Open() == 0) {
        u.SelectIndex("uident");
        found = u.Find() == 0;
        if (!held) u.Close();
    }
    u.CopyIn(saved.data());
    // A caller that holds the file keeps its current record.
    if (held) {
        u.SelectIndex("usno");
        (void)u.Find();
        u.CopyIn(saved.data());
    }
    return !found;
}

bool ValidateUsrWaypoint(CKestraneUsrAddChgDialog& d, bool change, const std::string& oldIdent) {
    dfUSR& u = *KestraneDb().usr;
    std::string ident = TrimRight(d.ident);
    for (char& c : ident) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool ok = !ident.empty() && ident.size() <= 7;
    for (char c : ident) ok = ok && (std::isalnum(static_cast<unsigned char>(c)) || c == '-');
    if (!ok) {
        platform::ShowMessage("Ident must have 1 to 7 letters or digits");
        return false;
    }
    std::memset(u.uident, 0, sizeof u.uident);
    std::memcpy(u.uident, ident.data(), ident.size());
    // A change to another waypoint's ident would fail in the database: refused here.
    if ((!change || ident != oldIdent) && !CheckUsrIdentUnique()) {
        platform::ShowMessage("This Ident exists already");
        return false;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%s", d.latitude.c_str());
    int32_t latitude = 0, longitude = 0;
    if (ParseLatLon(text, &latitude, false, true) != 0) {
        platform::ShowMessage("Error in format of Latitude");
        return false;
    }
    std::snprintf(text, sizeof text, "%s", d.longitude.c_str());
    if (ParseLatLon(text, &longitude, true, true) != 0) {
        platform::ShowMessage("Error in format of Longitude");
        return false;
    }
    const std::string name = TrimRight(d.name);
    // "//" would start a comment in the batch text of the journal.
    if (name.empty() || name.size() > 31 || name.find_first_not_of(kNameChars) != std::string::npos ||
        name.find("//") != std::string::npos) {
        platform::ShowMessage("Error in name");
        return false;
    }
    u.ulat = latitude;
    u.ulong = longitude;
    std::memset(u.uname, 0, sizeof u.uname);
    std::memcpy(u.uname, name.data(), name.size());
    u.utime = static_cast<int32_t>(std::time(nullptr) - kUnitEpoch);
    return true;
}

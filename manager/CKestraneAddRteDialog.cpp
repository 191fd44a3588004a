#include "manager/CKestraneAddRteDialog.h"

#include <cctype>
#include <cstring>

#include "common/IdentDigits.h"
#include "dblib/KestraneDatabase.h"
#include "manager/HeldFiles.h"
#include "manager/KestraneScrollView.h"
#include "manager/LineFormats.h"
#include "manager/RenumberRoute.h"
#include "platform/MessageBox.h"

namespace {

const char kTypeLetters[] = "AINVU";

void Fail(const char* text) { platform::ShowMessage(text); }

std::string Trimmed(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first);
}

void SetField(char* field, size_t width, const std::string& text) {
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(width, text.size()));
}

std::string Field(const char* field, size_t width) { return std::string(field, strnlen(field, width)); }

// What the route reads of a point record of each type.
struct PointFile {
    RecordFile* file;
    const char* identIndex;
    char* ident;
    int32_t* country;  // null for USR
    int32_t* latitude;
    int32_t* longitude;
    int32_t* facility;  // null when the type has no names
    int32_t* city;
};

PointFile PointOf(int type) {
    KestraneDatabase& db = KestraneDb();
    switch (type) {
    case 0: {
        dfAPTS& a = *db.apts;
        return {&a, "aident", a.aident, &a.acountry, &a.alat, &a.along, &a.afacil, &a.acity};
    }
    case 1: {
        dfINTS& i = *db.ints;
        return {&i, "iident", i.iident, &i.icountry, &i.ilat, &i.ilong, nullptr, nullptr};
    }
    case 2: {
        dfNDBS& b = *db.ndbs;
        return {&b, "bident", b.bident, &b.bcountry, &b.blat, &b.blong, &b.bfacil, &b.bcity};
    }
    case 3: {
        dfVORS& v = *db.vors;
        return {&v, "vident", v.vident, &v.vcountry, &v.vlat, &v.vlong, &v.vfacil, &v.vcity};
    }
    default: {
        dfUSR& u = *db.usr;
        return {&u, "uident", u.uident, nullptr, &u.ulat, &u.ulong, nullptr, nullptr};
    }
    }
}

std::string CountryId(int32_t csno) {
    const std::string text = GetCountryText(csno);
    return text.substr(text.rfind('-') + 1);
}

}  // namespace

CKestraneAddRteDialog::CKestraneAddRteDialog()
    : platform::Dialog({kResourceId,
                        "Add Waypoint to Route",
                        {platform::EditControl(kRoute, "Route Number", 4),
                         platform::DropListControl(kType, "Waypoint Type", {"APT", "INT", "NDB", "VOR", "USR"}),
                         platform::EditControl(kIdent, "Identifier", 8), platform::EditControl(kCountry, "Country Code", 4),
                         platform::CheckControl(kAfter, "Add After"), platform::ButtonControl(platform::kIdOk, "OK", true),
                         platform::ButtonControl(platform::kIdCancel, "Cancel")}}) {}

bool CKestraneAddRteDialog::OnInit() {
    SetItemText(kRoute, route);
    if (type < 0) {
        for (int t = 0; t < 5 && type < 0; ++t) {
            if (IsRecordWindowOpen(kTypeLetters[t]) && OpenViewSlot(RecordLetterIndex(kTypeLetters[t]))) type = t;
        }
        if (type >= 0) FillRouteWaypointFields(*this);
    }
    SetCurSel(kType, type);
    SetItemText(kIdent, ident);
    SetItemText(kCountry, country);
    EnableItem(kCountry, type != 4);
    SetCheck(kAfter, after);
    EnableItem(kAfter, !afterLocked && !after);
    if (!route.empty()) SetFocus(kType);
    return true;
}

void CKestraneAddRteDialog::OnSelChange(int id) {
    if (id != kType) return;
    type = GetCurSel(kType);
    FillRouteWaypointFields(*this);
    SetItemText(kIdent, ident);
    SetItemText(kCountry, country);
    EnableItem(kCountry, type != 4);
}

void CKestraneAddRteDialog::OnOk() {
    route = GetItemText(kRoute);
    type = GetCurSel(kType);
    ident = GetItemText(kIdent);
    country = GetItemText(kCountry);
    after = IsChecked(kAfter);
    if (!validate || validate()) End(platform::kIdOk);
}

void FillRouteWaypointFields(CKestraneAddRteDialog& d) {
    d.ident.clear();
    d.country.clear();
    if (d.type < 0 || d.type > 4) return;
    CKestraneScrollView* view = OpenViewSlot(RecordLetterIndex(kTypeLetters[d.type]));
    if (!view || view->SelectedLine() < 0) return;
    view->ReloadSelected(false);
    const PointFile p = PointOf(d.type);
    char ident[9] = {};
    std::memcpy(ident, p.ident, 8);
    DecodeIdentDigits(ident);
    d.ident = ident;
    if (p.country) {
        KestraneDatabase& db = KestraneDb();
        const bool held = db.country->IsOpen();
        if (!held) (void)db.country->Open();
        d.country = CountryId(*p.country);
        if (!held) db.country->Close();
    }
}

bool ValidateRouteWaypoint(CKestraneAddRteDialog& d, int32_t currentRoute, int32_t order) {
    KestraneDatabase& db = KestraneDb();
    const std::string number = Trimmed(d.route);
    char* end = nullptr;
    const long route = std::strtol(number.c_str(), &end, 10);
    if (number.empty() || *end != '\0' || route < 0 || route > 19) {
        Fail("Route number out of range");
        return false;
    }
    dfRTE& rte = *db.rte;
    if (route != currentRoute) {
        bool exists = false;
        if (rte.Open() == 0) {
            rte.SelectIndex("rtno");
            rte.rtno = static_cast<int32_t>(route);
            exists = (rte.Find() == 0 || rte.ReadCurrent() == 0) && rte.rtno == route;
            rte.Close();
        }
        if (exists) {
            Fail("You can only add to an existing route by selecting it");
            return false;
        }
        order = 1;
    }
    if (d.type < 0 || d.type > 4) {
        Fail("You must select a waypoint type");
        return false;
    }
    if (!IsRecordWindowOpen(kTypeLetters[d.type]) || !OpenViewSlot(RecordLetterIndex(kTypeLetters[d.type]))) {
        Fail("The Window for the selected waypoint type must be open");
        return false;
    }
    std::string ident = Trimmed(d.ident);
    for (char& c : ident) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ident.empty()) {
        Fail("You must enter an identifier");
        return false;
    }
    int32_t country = -1;
    const std::string code = Trimmed(d.country);
    if (!code.empty() && d.type != 4) {
        country = -2;
        HeldFiles held{db.country.get()};
        if (db.country->IsOpen()) {
            db.country->SelectIndex("cid");
            char id[3];
            std::snprintf(id, sizeof id, "%-2.2s", code.c_str());
            SetField(db.country->cid, sizeof db.country->cid, id);
            if (db.country->Find() == 0) country = db.country->csno;
        }
        if (country == -2) {
            Fail("Unknown Country Code");
            return false;
        }
    }
    const PointFile p = PointOf(d.type);
    char key[8] = {};
    std::memcpy(key, ident.data(), std::min<size_t>(ident.size(), 8));
    if (d.type != 4) EncodeIdentDigits(key);
    if (p.file->Open() != 0) return false;
    p.file->SelectIndex(p.identIndex);
    std::memcpy(p.ident, key, 8);
    bool found = false;
    const char* failure = "Waypoint not found";
    if (d.type == 4) {
        found = p.file->Find() == 0;
    } else {
        int matches = 0;
        for (bool ok = p.file->Find() == 0; ok && std::memcmp(p.ident, key, 8) == 0; ok = p.file->Next(1) == 0) {
            ++matches;
            if (*p.country == country) {
                found = true;
                break;
            }
        }
        if (!found && country == -1 && matches == 1) {
            found = p.file->Prev(1) == 0;
            if (!found) failure = "Failed to load previous record";
        } else if (!found && country == -1 && matches > 1) {
            failure = "Waypoint ambiguous - specify country";
        }
    }
    p.file->Close();
    if (!found) {
        Fail(failure);
        return false;
    }
    // The point's fields, kept before a renumbering reuses the rte object.
    const bool sameRoute = route == currentRoute;
    const int32_t type = d.type;
    char decoded[9] = {};
    std::memcpy(decoded, p.ident, 8);
    DecodeIdentDigits(decoded);
    const std::string countryId = p.country ? [&] {
        const bool held = db.country->IsOpen();
        if (!held) (void)db.country->Open();
        std::string id = CountryId(*p.country);
        if (!held) db.country->Close();
        return id;
    }() : std::string();
    if (sameRoute) RenumberRoute(static_cast<int32_t>(route), order);
    rte.rtorder = order;
    rte.rtno = static_cast<int32_t>(route);
    SetField(rte.rtident, sizeof rte.rtident, decoded);
    SetField(rte.rtcnt, sizeof rte.rtcnt, countryId);
    rte.rttype = type;
    SetField(rte.rtname1, sizeof rte.rtname1, "");
    SetField(rte.rtname2, sizeof rte.rtname2, "");
    rte.rtht = rte.rttime = rte.rticon = 0;
    const bool namesHeld = db.names->IsOpen();
    if (!namesHeld) (void)db.names->Open();
    rte.rtlat = *p.latitude;
    rte.rtlong = *p.longitude;
    if (p.facility) {
        SetField(rte.rtname1, sizeof rte.rtname1, GetNameText(*p.facility));
        SetField(rte.rtname2, sizeof rte.rtname2, GetNameText(*p.city));
    }
    if (type == 0) rte.rtht = db.apts->aheight;
    if (type == 4) {
        rte.rttime = db.usr->utime;
        rte.rticon = db.usr->uicon;
        SetField(rte.rtname1, sizeof rte.rtname1, Field(db.usr->uname, sizeof db.usr->uname));
    }
    if (!namesHeld) db.names->Close();
    return true;
}

CKestraneRteChgDialog::CKestraneRteChgDialog()
    : platform::Dialog({kResourceId,
                        "Change Route Title",
                        {platform::EditControl(kTitle, "Title", 19), platform::ButtonControl(platform::kIdOk, "OK", true),
                         platform::ButtonControl(platform::kIdCancel, "Cancel")}}) {}

bool CKestraneRteChgDialog::OnInit() {
    SetItemText(kTitle, title);
    return true;
}

void CKestraneRteChgDialog::OnOk() {
    const std::string typed = GetItemText(kTitle);
    if (typed.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 +-") != std::string::npos) {
        Fail("Title may only contain letters, digits, +, -, and spaces");
        return;
    }
    title = typed;
    End(platform::kIdOk);
}

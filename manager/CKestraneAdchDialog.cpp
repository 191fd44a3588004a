#include "manager/CKestraneAdchDialog.h"

#include <cctype>
#include <cstring>

#include "common/Frequency.h"
#include "common/IdentDigits.h"
#include "common/LatLonText.h"
#include "dblib/KestraneDatabase.h"
#include "manager/HighestRecord.h"
#include "manager/LineFormats.h"
#include "manager/ManagerSettings.h"
#include "platform/MessageBox.h"

namespace {

using Self = CKestraneAdchDialog;

platform::DialogDecl AdchDecl() {
    using namespace platform;
    return {Self::kResourceId,
            "Add or Change a Waypoint",
            {EditControl(Self::kIdent, "ICAO Locator Code", 8), EditControl(Self::kLatitude, "Latitude", 20),
             EditControl(Self::kLongitude, "Longitude", 20), EditControl(Self::kFacility, "Facility", 40),
             EditControl(Self::kCity, "City", 40), DropDownControl(Self::kCountry, "Country", {}, 40),
             EditControl(Self::kHeight, "Height", 10), EditControl(Self::kFuel, "Fuel", 10),
             EditControl(Self::kFreq, "Freq", 10),
             DropListControl(Self::kVor, "VOR", {"VOR", "DME", "TACAN", "VORDME", "VORTAC", "ILSDME", "ILSDME"}),
             DropListControl(Self::kPwr, "PWR", {"Low", "High", "Term", "Normal"}),
             DropListControl(Self::kMp, "M/P", {"Normal", "MIL", "PRV", "HEL"}), CheckControl(Self::kWx, "  WX/L"),
             CheckControl(Self::kDst, "DST"), NumberControl(Self::kMagVar, "Mag Var"), NumberControl(Self::kUtc, "UTC"),
             CheckControl(Self::kVrp, "VRP"), ButtonControl(kIdOk, "OK", true), ButtonControl(kIdCancel, "Cancel")}};
}

// NDB frequencies in tenths of a kHz: 100.0 to 1799.9 kHz.
constexpr int32_t kLowestNdb = 1000;
constexpr int32_t kHighestNdb = 17999;

const char kNameChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -/,&()+;':";

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string TrimRight(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    return text;
}

void Fail(const char* text) { platform::ShowMessage(text); }

void SetField(char* field, size_t width, const std::string& text) {
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), std::min(width, text.size()));
}

// A signed integer text (blanks around allowed); false when it is not one.
bool ReadInteger(const std::string& text, long* out) {
    const std::string t = TrimRight(text);
    size_t i = t.find_first_not_of(' ');
    if (i == std::string::npos) return false;
    char* end = nullptr;
    *out = std::strtol(t.c_str() + i, &end, 10);
    return end != t.c_str() + i && *end == '\0';
}

}  // namespace

CKestraneAdchDialog::CKestraneAdchDialog() : platform::Dialog(AdchDecl()) {}

bool CKestraneAdchDialog::OnInit() {
    SetCaption((mode & kChange) ? "Change a Waypoint" : "Add a Waypoint");
    SetItemText(kIdent, texts.ident);
    SetItemText(kLatitude, texts.latitude);
    SetItemText(kLongitude, texts.longitude);
    SetItemText(kFacility, texts.facility);
    SetItemText(kCity, texts.city);
    SetItemText(kHeight, texts.height);
    SetItemText(kFuel, texts.fuel);
    SetItemText(kFreq, texts.freq);
    SetItemText(kMagVar, texts.magVar);
    SetItemText(kUtc, texts.utc);
    SetCurSel(kVor, texts.vor);
    SetCurSel(kPwr, texts.pwr);
    SetCurSel(kMp, texts.mp);
    SetCheck(kWx, texts.wx);
    SetCheck(kDst, texts.dst);
    SetCheck(kVrp, texts.vrp);
    if (!(mode & kChange)) {
        countries_.clear();
        dfCOUNTRY& c = *KestraneDb().country;
        const bool held = c.IsOpen();
        if (held || c.Open() == 0) {
            c.SelectIndex("csno");
            c.Rewind();
            const int32_t want = bind.country && *bind.country >= 0 ? *bind.country : Manager().countryFilter;
            int selected = -1;
            while (c.Next(1) == 0) {
                const int32_t number = c.csno;
                countries_.push_back(number);
                AddString(kCountry, TrimRight(std::string(c.cname, strnlen(c.cname, sizeof c.cname))) + "-" +
                                        TrimRight(std::string(c.cid, strnlen(c.cid, sizeof c.cid))));
                if (number == want) selected = static_cast<int>(countries_.size()) - 1;
            }
            if (!held) c.Close();
            if (selected >= 0 && texts.country.empty()) SetCurSel(kCountry, selected);
        }
    }
    if (!texts.country.empty()) SetItemText(kCountry, texts.country);
    EnableItem(kCountry, !(mode & kChange) && bind.country);
    EnableItem(kFacility, bind.facility != nullptr);
    EnableItem(kCity, bind.city != nullptr);
    EnableItem(kHeight, bind.height != nullptr);
    EnableItem(kFreq, bind.frequency != nullptr);
    EnableItem(kFuel, bind.fuel != nullptr);
    EnableItem(kMp, bind.fuel != nullptr);
    const bool vor = bind.dme || bind.vorClass;
    EnableItem(kVor, vor);
    EnableItem(kPwr, vor);
    EnableItem(kMagVar, vor);
    EnableItem(kWx, vor || bind.flags);
    EnableItem(kUtc, bind.utc != nullptr);
    EnableItem(kDst, bind.utc != nullptr);
    EnableItem(kVrp, bind.vrp != nullptr);
    return true;
}

void CKestraneAdchDialog::OnOk() {
    texts.ident = GetItemText(kIdent);
    texts.latitude = GetItemText(kLatitude);
    texts.longitude = GetItemText(kLongitude);
    texts.facility = GetItemText(kFacility);
    texts.city = GetItemText(kCity);
    texts.country = GetItemText(kCountry);
    texts.height = GetItemText(kHeight);
    texts.fuel = GetItemText(kFuel);
    texts.freq = GetItemText(kFreq);
    texts.magVar = GetItemText(kMagVar);
    texts.utc = GetItemText(kUtc);
    texts.vor = GetCurSel(kVor);
    texts.pwr = GetCurSel(kPwr);
    texts.mp = GetCurSel(kMp);
    texts.wx = IsChecked(kWx);
    texts.dst = IsChecked(kDst);
    texts.vrp = IsChecked(kVrp);
    if (!validate || validate()) End(platform::kIdOk);
}

void BindWaypointDialog(CKestraneAdchDialog& d, const WaypointBindings& b, bool change) {
    d.bind = b;
    d.texts = {};
    CKestraneAdchDialog::Texts& t = d.texts;
    KestraneDatabase& db = KestraneDb();
    const bool namesHeld = db.names->IsOpen();
    const bool countryHeld = db.country->IsOpen();
    if (!namesHeld) (void)db.names->Open();
    if (!countryHeld) (void)db.country->Open();
    if (b.country && *b.country >= 0) t.country = GetCountryText(*b.country);
    if (change) {
        char ident[9] = {};
        std::memcpy(ident, b.ident, 8);
        DecodeIdentDigits(ident);
        t.ident = ident;
        char text[kLatLonTextSize];
        FormatLatLon(text, *b.latitude, false, 1);
        t.latitude = text;
        FormatLatLon(text, *b.longitude, true, 1);
        t.longitude = text;
        if (b.facility) t.facility = GetNameText(*b.facility);
        if (b.city) {
            t.city = GetNameText(*b.city);
            if (d.at) InsertBeforeLastTwo(t.city, '@');
        }
        if (b.height) {
            std::snprintf(text, sizeof text, "%5d", *b.height);
            t.height = text;
        }
        if (b.frequency) {
            char f[kFrequencyTextSize];
            FormatFrequency(f, *b.frequency, (b.dme || b.vorClass) ? 100 : 10);
            t.freq = f;
        }
        if (b.fuel) {
            t.fuel = FormatFuelLetters(*b.fuel);
            const int32_t fuel = *b.fuel;
            t.mp = (!d.olderForm && (fuel & 256)) ? 3 : (fuel & 128) ? 2 : (fuel & 64) ? 1 : 0;
        }
        if (b.dme) {
            const int32_t word = VorClassCode(*b.dme);
            t.vor = ((word >> 5) & 7) - 1;
            t.wx = (*b.dme & 0x4000) != 0;
            t.pwr = (*b.dme >> 8) & 3;
        }
        if (b.vorClass) {
            t.vor = ((*b.vorClass >> 5) & 7) - 1;
            t.wx = (*b.vorClass & 4) != 0;
            t.pwr = (*b.vorClass >> 3) & 3;
        }
        if (b.flags) t.wx = (*b.flags & 4) != 0;
        if (b.vrp) t.vrp = (*b.vrp & 256) != 0;
        if (b.magVar) {
            const int v = static_cast<int8_t>(*b.magVar & 0xFF);
            t.magVar = std::to_string(v == 31 ? 0 : v);
        }
        if (b.utc) {
            const int32_t u = *b.utc & 31;
            t.utc = std::to_string(u == 31 ? 0 : 12 - u);
            t.dst = u != 31 && (*b.utc & 32);
        }
    }
    if (!namesHeld) db.names->Close();
    if (!countryHeld) db.country->Close();
}

WaypointBindings IntersectionBindings(bool form696) {
    dfINTS& i = *KestraneDb().ints;
    WaypointBindings b;
    b.ident = i.iident;
    b.latitude = &i.ilat;
    b.longitude = &i.ilong;
    b.country = &i.icountry;
    if (form696) {
        b.facility = &i.iparent;
        b.city = &i.iname;
        b.vrp = &i.iflags;
    }
    return b;
}

WaypointBindings VorBindings(bool form696) {
    dfVORS& v = *KestraneDb().vors;
    WaypointBindings b;
    b.ident = v.vident;
    b.latitude = &v.vlat;
    b.longitude = &v.vlong;
    b.facility = &v.vfacil;
    b.city = &v.vcity;
    b.country = &v.vcountry;
    b.frequency = &v.vfreq;
    if (form696) {
        b.magVar = &v.vmag;
        b.vorClass = &v.vtr;
    } else {
        b.dme = &v.vdme;
    }
    return b;
}

int32_t RebuildDmeWord(int32_t classWord, int32_t oldDme, bool at) {
    const int32_t kept = oldDme & 0xFF0000;
    const int cls = (classWord >> 5) & 7;
    const int32_t range = (classWord >> 3) & 3;
    const int32_t w = (classWord & 4) ? 64 : 0;
    const int32_t mark = at ? 1 : 0;
    switch (cls) {
    case 2:
    case 6:
        return (4 | mark) | ((range + 32 + w) << 8) | kept;
    case 4:
        return (4 | mark) | ((range + w) << 8) | kept;
    case 3:
        return mark | ((range + 160 + w) << 8) | kept;
    case 5:
        return mark | ((range + 128 + w) << 8) | kept;
    default:
        return mark | ((range + w) << 8) | kept;
    }
}

bool ResolveCountryText(CKestraneAdchDialog& d) {
    const std::string text = Upper(TrimRight(d.texts.country));
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 32 || c > 'Z') return false;
    }
    // The list's rows are "NAME-ID" with names of up to 20 characters (which may hold a '-'):
    // the id follows the last '-'.
    const size_t dash = text.rfind('-');
    if (dash == std::string::npos || dash > 20) return false;
    const size_t idLength = text.size() - dash - 1;
    if (idLength < 1 || idLength > 2) return false;
    char id[3];
    std::snprintf(id, sizeof id, "%-2.2s", text.c_str() + dash + 1);
    dfCOUNTRY& c = *KestraneDb().country;
    const bool held = c.IsOpen();
    if (!held && c.Open() != 0) return false;
    c.SelectIndex("cid");
    SetField(c.cid, sizeof c.cid, id);
    if (c.Find() != 0) {
        const int32_t number = HighestRecordNumber(c, "csno", c.csno) + 1;
        c.csno = number;
        SetField(c.cid, sizeof c.cid, id);
        SetField(c.cname, sizeof c.cname, text.substr(0, dash));
        if (c.Insert() != 0) Fail("Insert COUNTRY failed");
        c.csno = number;
    }
    *d.bind.country = c.csno;
    if (!held) c.Close();
    return true;
}

bool ResolveNameText(CKestraneAdchDialog& d, int which) {
    std::string text = TrimRight(which == 0 ? d.texts.facility : d.texts.city);
    int32_t* field = which == 0 ? d.bind.facility : d.bind.city;
    if (which == 0) {
        if (text.empty()) {
            *field = 0;
            return true;
        }
    } else {
        const size_t at = text.find('@');
        d.at = at != std::string::npos;
        if (d.at) text.erase(at, 1);
        if (text.empty()) text = TrimRight(d.texts.facility);
        if (text.empty()) return false;
    }
    if (text.size() > 31 || text.find_first_not_of(kNameChars) != std::string::npos) return false;
    if (text == "UNKNOWN") {
        *field = -1;
        return true;
    }
    dfNAMES& n = *KestraneDb().names;
    const bool held = n.IsOpen();
    if (!held && n.Open() != 0) return false;
    n.SelectIndex("nname");
    SetField(n.nname, sizeof n.nname, text);
    if (n.Find() != 0) {
        const int32_t number = HighestRecordNumber(n, "nsno", n.nsno) + 1;
        n.nsno = number;
        SetField(n.nname, sizeof n.nname, text);
        if (n.Insert() != 0) Fail("Insert NAME failed");
        n.nsno = number;
    }
    *field = n.nsno;
    if (!held) n.Close();
    return true;
}

bool CheckIdentCountryUnique(CKestraneAdchDialog& d) {
    KestraneDatabase& db = KestraneDb();
    RecordFile* file = nullptr;
    const char* index = nullptr;
    int32_t* country = nullptr;
    if (d.bind.ident == db.apts->aident) file = db.apts.get(), index = "aident", country = &db.apts->acountry;
    else if (d.bind.ident == db.ints->iident) file = db.ints.get(), index = "iident", country = &db.ints->icountry;
    else if (d.bind.ident == db.ndbs->bident) file = db.ndbs.get(), index = "bident", country = &db.ndbs->bcountry;
    else if (d.bind.ident == db.vors->vident) file = db.vors.get(), index = "vident", country = &db.vors->vcountry;
    if (!file) return true;
    // The search overwrites the object: keep the record and put it back.
    std::vector<uint8_t> saved(static_cast<size_t>(file->RecordLength()));
    file->CopyOut(saved.data());
    char ident[8];
    std::memcpy(ident, d.bind.ident, 8);
    const int32_t want = *country;
    bool clash = false;
    const bool held = file->IsOpen();
    if (held || file->Open() == 0) {
        file->SelectIndex(index);
        for (bool ok = file->Find() == 0; ok && std::memcmp(d.bind.ident, ident, 8) == 0; ok = file->Next(1) == 0) {
            if (*country == want) {
                clash = true;
                break;
            }
        }
        if (!held) file->Close();
    }
    file->CopyIn(saved.data());
    // A caller that holds the file keeps its current record.
    if (held) {
        file->SelectIndexNumber(0);
        (void)file->Find();
        file->CopyIn(saved.data());
    }
    return !clash;
}

bool ValidateWaypoint(CKestraneAdchDialog& d) {
    const WaypointBindings& b = d.bind;
    const CKestraneAdchDialog::Texts& t = d.texts;
    const bool legacy = Manager().Legacy();
    char buffer[64];

    const std::string ident = Upper(TrimRight(t.ident));
    const size_t longest = static_cast<size_t>(d.mode & 7);
    bool identOk = !ident.empty() && ident.size() <= longest;
    for (char c : ident) identOk = identOk && std::isalnum(static_cast<unsigned char>(c));
    if (!identOk) {
        std::snprintf(buffer, sizeof buffer, "Locator code must have 1 to %d letters or digits", static_cast<int>(longest));
        Fail(buffer);
        return false;
    }
    std::memset(b.ident, 0, 8);
    std::memcpy(b.ident, ident.data(), ident.size());
    EncodeIdentDigits(b.ident);

    if (b.country && !ResolveCountryText(d)) {
        Fail("Incorrectly specified Country");
        return false;
    }
    if (!(d.mode & CKestraneAdchDialog::kChange) && !CheckIdentCountryUnique(d)) {
        Fail("This ICAO/Country combination already exists");
        return false;
    }
    std::snprintf(buffer, sizeof buffer, "%s", t.latitude.c_str());
    int32_t latitude = 0, longitude = 0;
    if (ParseLatLon(buffer, &latitude, false, false) != 0) {
        Fail("Error in format of Latitude");
        return false;
    }
    std::snprintf(buffer, sizeof buffer, "%s", t.longitude.c_str());
    if (ParseLatLon(buffer, &longitude, true, false) != 0) {
        Fail("Longitude format Error");
        return false;
    }
    *b.latitude = latitude;
    *b.longitude = longitude;
    if (b.facility && !ResolveNameText(d, 0)) {
        Fail("Error in Facility Name");
        return false;
    }
    if (b.city && !ResolveNameText(d, 1)) {
        Fail("Error in City Name");
        return false;
    }
    if (b.height) {
        std::snprintf(buffer, sizeof buffer, "%s", t.height.c_str());
        const long h = std::atol(buffer);
        if (CheckNumericText(buffer, '\0') != 0 || h < -5000 || h > 30000) {
            Fail("Height must be between -5000 and +30000");
            return false;
        }
        if (legacy && h % 10 != 0) {
            Fail("Height must be a multiple of 10 feet");
            return false;
        }
        *b.height = static_cast<int32_t>(h);
    }
    if (b.frequency) {
        std::snprintf(buffer, sizeof buffer, "%s", t.freq.c_str());
        int32_t value = 0;
        const bool vhf = b.dme || b.vorClass;
        // ParseFrequency counts letters as digits' company; an NDB has no range check of its own.
        const bool digits = std::strspn(buffer, " 0123456789.") == std::strlen(buffer);
        if (ParseFrequency(buffer, vhf ? 2 : 1, &value) != 0 || !digits ||
            (!vhf && (value < kLowestNdb || value > kHighestNdb))) {
            Fail("Frequency not in range 108 to 150 MHz");
            return false;
        }
        *b.frequency = value;
    }
    if (b.fuel) {
        const std::string letters = Upper(TrimRight(t.fuel));
        int32_t bits = 0;
        bool ok = true;
        for (char c : letters) {
            const int32_t bit = c == 'J' ? 16 : c == 'A' ? 4 : (c == 'M' && legacy) ? 8 : 0;
            if (bit == 0 || (bits & bit)) ok = false;
            bits |= bit;
        }
        if (!ok) {
            Fail(legacy ? "Fuel may only consist of the letters J, A, M" : "Fuel may only consist of the letters J, A");
            return false;
        }
        int32_t fuel = (d.mode & CKestraneAdchDialog::kChange) ? (*b.fuel & ~(4 | 8 | 16)) | bits : bits;
        fuel &= ~(64 | 128);
        if (!d.olderForm) fuel &= ~256;
        if (t.mp == 1) fuel |= 64;
        if (t.mp == 2 || (t.mp == 3 && d.olderForm)) fuel |= 128;
        if (t.mp == 3 && !d.olderForm) fuel |= 256;
        *b.fuel = fuel;
    }
    if (b.utc) {
        long utc = 0;
        if (!TrimRight(t.utc).empty() && (!ReadInteger(t.utc, &utc) || utc < -18 || utc > 12)) {
            Fail("UTC must be between -18 and +12");
            return false;
        }
    }
    if (b.magVar) {
        long v = 0;
        if (!TrimRight(t.magVar).empty() && (!ReadInteger(t.magVar, &v) || v < -99 || v > 99)) {
            Fail("Mag Var must be between -99 and +99");
            return false;
        }
    }
    if (b.dme || b.vorClass) {
        const int32_t word = (t.wx ? 4 : 0) | ((t.vor + 1) << 5) | (std::max(t.pwr, 0) << 3);
        if (b.vorClass) *b.vorClass = word;
        if (b.dme) *b.dme = RebuildDmeWord(word, *b.dme, d.at);
    }
    if (b.flags) *b.flags = (*b.flags & ~4) | (t.wx ? 4 : 0);
    if (b.utc) {
        long utc = 0;
        // No hours typed: no UTC (31).
        *b.utc = ReadInteger(t.utc, &utc) ? static_cast<int32_t>((12 - utc) & 31) | (t.dst ? 32 : 0) : 31;
    }
    if (b.magVar) {
        long v = 0;
        (void)ReadInteger(t.magVar, &v);
        *b.magVar = static_cast<int32_t>(v);
    }
    if (b.vrp) *b.vrp = (*b.vrp & ~256) | (t.vrp ? 256 : 0);
    return true;
}

#include "manager/RouteConvert.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/IdentDigits.h"
#include "dblib/KestraneDatabase.h"
#include "manager/ImportRecords.h"
#include "manager/LineFormats.h"
#include "platform/MessageBox.h"

namespace {

// What a match gives the route waypoint.
struct PointFields {
    std::string first, second;
    int32_t country = -1;
    int type = 0;
    bool hasHeight = false;
    int32_t height = 0;
};

bool Near(int32_t a, int32_t b) { return std::llabs(static_cast<int64_t>(a) - b) < 0x10001; }

std::string NameOrEmpty(int32_t number) { return number < 0 ? "" : GetNameText(number); }

// Walks the records of `file` whose ident (index `index`) equals `ident`; `take` tells whether the
// record the file holds matches and fills the fields.
template <class File, class Take>
bool FindIn(File& file, const char* index, const char* ident, char (&field)[8], Take take) {
    file.SelectIndex(index);
    std::memcpy(field, ident, 8);
    bool ok = file.Find() == 0 || file.ReadCurrent() == 0;
    for (; ok && std::memcmp(field, ident, 8) == 0; ok = file.Next(1) == 0) {
        if (take()) return true;
    }
    return false;
}

std::string CountryId(int32_t csno) {
    dfCOUNTRY& country = *KestraneDb().country;
    country.SelectIndex("csno");
    country.csno = csno;
    if (country.Find() != 0) return "";
    return std::string(country.cid, strnlen(country.cid, 2));
}

}  // namespace

void ConvertRouteWaypoints() {
    KestraneDatabase& db = KestraneDb();
    dfRTE& rte = *db.rte;
    if (rte.Open() != 0) return;
    const bool opened = db.apts->Open() == 0 && db.ints->Open() == 0 && db.ndbs->Open() == 0 && db.vors->Open() == 0;
    rte.SelectIndex("rtsno");
    rte.Rewind();
    while (opened && rte.Next(1) == 0) {
        if (rte.rtorder == 0 || rte.rttype != 4) continue;
        char ident[8] = {};
        std::memcpy(ident, rte.rtident, 7);
        EncodeIdentDigits(ident);
        const int32_t lat = rte.rtlat, lon = rte.rtlong;
        PointFields f;
        bool found = FindIn(*db.apts, "aident", ident, db.apts->aident, [&] {
            const dfAPTS& a = *db.apts;
            if (!Near(a.alat, lat) || !Near(a.along, lon)) return false;
            f = {NameOrEmpty(a.afacil), NameOrEmpty(a.acity), a.acountry, 0, true, a.aheight};
            return true;
        });
        found = found || FindIn(*db.ints, "iident", ident, db.ints->iident, [&] {
            const dfINTS& i = *db.ints;
            if (!Near(i.ilat, lat) || !Near(i.ilong, lon)) return false;
            f = {};
            if (i.iflags != -1) f = {NameOrEmpty(i.iname), NameOrEmpty(i.iparent), -1, 1, false, 0};
            f.country = i.icountry;
            f.type = 1;
            return true;
        });
        found = found || FindIn(*db.ndbs, "bident", ident, db.ndbs->bident, [&] {
            const dfNDBS& b = *db.ndbs;
            if (!Near(b.blat, lat) || !Near(b.blong, lon)) return false;
            f = {NameOrEmpty(b.bfacil), NameOrEmpty(b.bcity), b.bcountry, 2, false, 0};
            return true;
        });
        found = found || FindIn(*db.vors, "vident", ident, db.vors->vident, [&] {
            const dfVORS& v = *db.vors;
            if (!Near(v.vlat, lat) || !Near(v.vlong, lon)) return false;
            f = {NameOrEmpty(v.vfacil), NameOrEmpty(v.vcity), v.vcountry, 3, false, 0};
            return true;
        });
        if (!found) continue;
        SetField(rte.rtname1, f.first);
        SetField(rte.rtname2, f.second);
        const std::string country = CountryId(f.country);
        std::memset(rte.rtcnt, 0, sizeof rte.rtcnt);
        std::memcpy(rte.rtcnt, country.data(), country.size());
        rte.rttype = f.type;
        if (f.hasHeight) rte.rtht = f.height;
        if (rte.Amend() != 0) {
            char text[64];
            std::snprintf(text, sizeof text, "Amend RTE 0x%x failed", static_cast<unsigned>(rte.rtsno));
            platform::ShowMessage(text);
        }
    }
    db.apts->Close();
    db.ints->Close();
    db.ndbs->Close();
    db.vors->Close();
    rte.Close();
}

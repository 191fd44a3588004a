#include "gen696/ApproachRecords696.h"

#include <cstring>

#include "common/CLocale.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/shell/OperationContext.h"
#include "gen696/LocalWaypoint696.h"

namespace {

constexpr uint32_t kKindRunway = 5;
constexpr uint32_t kKindLocalInt = 6;
constexpr uint32_t kKindLocalNdb = 7;
constexpr uint32_t kKindIls = 8;
constexpr int32_t kIlsOtherEnd = 0x2000000;

int32_t RunwaySerial(const std::vector<int32_t>& serials, uint32_t slot) {
    return slot < serials.size() ? serials[slot] : -1;
}

// The airport's LWPT record of this ident and type, added under the next serial number when
// it has none.
int32_t FindOrAddLocal(OperationContext& c, const AptRecord& apt, const LocalWaypoint696& w, int32_t type) {
    LwptRecord l{};
    l.laptno = apt.asno;
    dbif_index<LwptRecord>("laptno");
    for (bool found = dbif_find(l); found && l.laptno == apt.asno; found = dbif_next(l)) {
        if (l.ltyp == type && std::strncmp(l.lid, w.ident.c_str(), sizeof l.lid) == 0) return l.lsno;
    }
    l = LwptRecord{};
    l.lsno = c.nextSerial[kFileLwpt]++;
    l.laptno = apt.asno;
    l.ltyp = type;
    l.llat = w.lat;
    l.llong = w.lon;
    l.lfreq = w.frequency;
    std::strncpy(l.lid, w.ident.c_str(), sizeof l.lid - 1);
    dbif_add(l);
    return l.lsno;
}

LocalKind696 LocalKindOf(uint32_t kind) {
    return kind == kKindLocalInt ? LocalKind696::Intersection : kind == kKindLocalNdb ? LocalKind696::Ndb : LocalKind696::Ils;
}

}  // namespace

void WriteApproachRecords696(OperationContext& c, const AptRecord& apt, const AirportInfo696& info,
                             const std::vector<int32_t>& runwaySerials, const std::vector<std::string>& approachIds) {
    int32_t sequence = 0;
    for (size_t i = 0; i < info.approaches.size(); ++i) {
        const ApproachEntry696& a = info.approaches[i];
        const int32_t ptyp = PtypOfApproachType696(a.type);
        if (ptyp < 0) {
            c.AddLine(StringFormatC("APT %x approach %zu: type %u has no database type, left out", apt.asno, i, a.type));
            continue;
        }
        ApprRecord p{};
        p.psno = c.nextSerial[kFileAppr]++;
        p.paptno = apt.asno;
        p.pseq = sequence++;
        p.p6typ = static_cast<int32_t>(a.type);
        p.ptyp = ptyp;
        if (a.idIndex < approachIds.size()) {
            std::strncpy(p.pid, approachIds[a.idIndex].c_str(), sizeof p.pid - 1);
        }
        p.pntyp = static_cast<int32_t>(a.navaidKind);
        if (a.navaidKind == kKindLocalNdb || a.navaidKind == kKindIls) {
            const LocalKind696 kind = LocalKindOf(a.navaidKind);
            const LocalWaypoint696 w = UnpackLocalWaypoint696(kind, a.navaidData, apt.alat, apt.along);
            int32_t type = static_cast<int32_t>(w.ndbByte << 8 | kKindLocalNdb);
            if (kind == LocalKind696::Ils) {
                type = static_cast<int32_t>(static_cast<uint32_t>(RunwaySerial(runwaySerials, w.runway & 127)) << 8 |
                                            kKindIls) |
                       ((w.runway & 128) ? kIlsOtherEnd : 0);
            }
            p.pnsno = FindOrAddLocal(c, apt, w, type);
        } else {
            p.pnsno = static_cast<int32_t>(a.navaidReference);
        }
        for (int k = 0; k < kApproachWaypoints696; ++k) {
            const ApproachWaypoint696& w = a.waypoints[k];
            if (w.type == 0) continue;
            const uint32_t low = w.type & 15;
            uint32_t pwtyp = (low == 1 ? 1 : low == 5 ? 3 : 4) | (w.type & 0x100) | (w.type & 0xF0) * 2;
            const uint32_t kind = w.type >> 4 & 15;
            int32_t recno = static_cast<int32_t>(w.reference);
            if (kind == kKindRunway) {
                pwtyp += (w.reference & 128) * 2;
                recno = RunwaySerial(runwaySerials, w.reference & 127);
            } else if (kind == kKindLocalInt || kind == kKindLocalNdb) {
                const LocalWaypoint696 l = UnpackLocalWaypoint696(LocalKindOf(kind), w.data, apt.alat, apt.along);
                const int32_t type = kind == kKindLocalInt ? 0x60 : static_cast<int32_t>(l.ndbByte << 8 | 0x70);
                recno = FindOrAddLocal(c, apt, l, type);
            }
            p.pwtyp[k] = static_cast<int32_t>(pwtyp);
            p.pwrecno[k] = recno;
        }
        dbif_add(p);
    }
}

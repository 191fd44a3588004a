#include "manager/AirportChildren.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "dblib/KestraneDatabase.h"
#include "manager/IndexByName.h"
#include "platform/MessageBox.h"

namespace {

// Positions at the first record whose key is equal to or above the fields' key.
bool PositionAtKey(IsamMgr& file) { return file.Find() == 0 || file.ReadCurrent() == 0; }

// Runways longest first, those of one length in file order (a handful per airport).
void SortByLength(RunwayEntry* runways, int count) {
    for (int i = 1; i < count; ++i) {
        RunwayEntry entry = runways[i];
        int j = i;
        for (; j > 0 && runways[j - 1].rlen < entry.rlen; --j) runways[j] = runways[j - 1];
        runways[j] = entry;
    }
}

}  // namespace

void ReadRestrictionChain(int32_t first, std::vector<uint8_t>& out) {
    out.clear();
    dfRESTR& restr = *KestraneDb().restr;
    static IndexByName byChain("rcsno");
    byChain.Select(restr);
    int32_t next = first;
    size_t at = 0;
    for (int guard = 0; next != 0 && guard < 64; ++guard) {
        restr.rcsno = next;
        if (restr.Find() != 0) {
            char text[64];
            std::snprintf(text, sizeof text, "Failed to read restrictions record %d", next);
            platform::ShowMessage(text);
            break;
        }
        if (at == 0) out.assign(size_t{restr.rcres[0]} + 1, 0);
        const size_t take = std::min<size_t>(8, out.size() - at);
        std::memcpy(out.data() + at, restr.rcres, take);
        at += take;
        if (at >= out.size()) break;
        next = restr.rcnxt;
    }
}

bool ChildFilesHeld(KestraneDatabase& db) { return db.rwy3->IsOpen() && db.freq3->IsOpen(); }

AirportChildren& AirportRows() {
    static AirportChildren children;
    return children;
}

int LoadAirportChildren() {
    KestraneDatabase& db = KestraneDb();
    AirportChildren& c = AirportRows();
    for (int i = 0; i < c.filled; ++i) {
        c.runways[i] = RunwayEntry{};
        c.frequencies[i].fsno = -1;
        c.frequencies[i].ftype = c.frequencies[i].freq = c.frequencies[i].flags = 0;
        c.frequencies[i].frsno = c.frequencies[i].f431 = 0;
        c.frequencies[i].restriction.clear();
    }
    const int32_t asno = db.apts->asno;
    c.airport = asno;

    // Files a caller holds open for a whole drawing or idle step stay open.
    const bool held = ChildFilesHeld(db);
    dfRWY3& rwy = *db.rwy3;
    int runways = 0;
    static IndexByName byAirport("raptno");
    if (held || rwy.Open() == 0) {
        byAirport.Select(rwy);
        rwy.raptno = asno;
        for (bool ok = PositionAtKey(rwy); ok && rwy.raptno == asno && runways < AirportChildren::kEntries;
             ok = rwy.Next(1) == 0) {
            c.runways[runways++] = {rwy.rsno, rwy.rlen, rwy.rwidth, rwy.rsl, rwy.rw, rwy.rflags,
                                    rwy.rpicst, rwy.rpic, rwy.rpicfl, rwy.rnpic, rwy.rnpic2};
        }
        if (!held) rwy.Close();
    }
    SortByLength(c.runways, runways);

    dfFREQ3& frq = *db.freq3;
    int last = -1;
    static IndexByName byFrequencyAirport("faptno");
    if (held || (frq.Open() == 0 && db.restr->Open() == 0)) {
        byFrequencyAirport.Select(frq);
        frq.faptno = asno;
        int index = 0;
        for (bool ok = PositionAtKey(frq); ok && frq.faptno == asno; ok = frq.Next(1) == 0) {
            if (frq.frsno != 0) {
                while (index < AirportChildren::kEntries && c.runways[index].rsno != -1) ++index;
            }
            if (index >= AirportChildren::kEntries) break;
            FrequencyEntry& e = c.frequencies[index];
            e.fsno = frq.fsno;
            e.ftype = frq.ftype;
            e.freq = frq.freq;
            e.flags = frq.flags;
            e.frsno = frq.frsno;
            e.f431 = frq.f431;
            // A holder without the restriction file gets it open, for its own close.
            if (e.frsno != 0 && (db.restr->IsOpen() || db.restr->Open() == 0))
                ReadRestrictionChain(e.frsno, e.restriction);
            last = index++;
        }
    }
    if (!held) {
        frq.Close();
        db.restr->Close();
    }
    c.filled = std::max(runways, last + 1);
    c.rows = std::min(c.filled, AirportChildren::kMaxRows);
    return c.rows;
}

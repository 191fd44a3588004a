// add_approaches696 FOLDER: adds to the database in FOLDER (the Washington State example after
// its batch update) the approach fixture of the end-to-end round trip: local waypoints (an ILS,
// a local intersection, a local NDB), four approaches at KSEA and KOLM and two that the image
// leaves out, and two airways that share an intersection and a VOR.
#include <cstdio>
#include <cstring>
#include <string>

#include "dblib/DbDir.h"
#include "gen/shell/CGenDBOpen.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "add_approaches696: %s\n", what.c_str());
    std::exit(1);
}

template <class Rec>
Rec Find(const char* index, char (Rec::*ident)[8], const char* text) {
    Rec r{};
    std::strncpy(r.*ident, text, sizeof(r.*ident) - 1);
    dbif_index<Rec>(index);
    if (!dbif_find(r) || std::strcmp(r.*ident, text) != 0) Fail(std::string("no record ") + text);
    return r;
}

// The serial number of the airport's runway number `n` (in `raptno` order).
int32_t Runway(int32_t asno, int n) {
    RwyRecord w{};
    w.raptno = asno;
    dbif_index<RwyRecord>("raptno");
    for (bool found = dbif_find(w); found && w.raptno == asno; found = dbif_next(w)) {
        if (n-- == 0) return w.rsno;
    }
    Fail("no runway");
}

void Local(int32_t lsno, const AptRecord& apt, int32_t type, const char* ident, int32_t dlat, int32_t dlon,
           int32_t freq) {
    LwptRecord l{};
    l.lsno = lsno;
    l.laptno = apt.asno;
    l.ltyp = type;
    std::strcpy(l.lid, ident);
    l.llat = apt.alat + dlat;
    l.llong = apt.along + dlon;
    l.lfreq = freq;
    dbif_add(l);
}

struct Waypoint {
    int32_t type;
    int32_t serial;
};

void Approach(int32_t psno, const AptRecord& apt, int32_t pseq, const char* pid, int32_t p6typ, int32_t ptyp,
              int32_t pntyp, int32_t pnsno, Waypoint w0, Waypoint w1) {
    ApprRecord p{};
    p.psno = psno;
    p.paptno = apt.asno;
    p.pseq = pseq;
    p.p6typ = p6typ;
    p.ptyp = ptyp;
    std::strcpy(p.pid, pid);
    p.pntyp = pntyp;
    p.pnsno = pnsno;
    p.pwtyp[0] = w0.type;
    p.pwrecno[0] = w0.serial;
    p.pwtyp[1] = w1.type;
    p.pwrecno[1] = w1.serial;
    dbif_add(p);
}

// An airway: its record (name in six-bit characters over bytes 4 to 1, first point at bytes
// 5-7) and its points, a head first; `points` are (kind 1 INT, 2 NDB, 3 VOR, serial).
void Airway(int32_t wsno, int32_t first, const char* name, std::initializer_list<Waypoint> points) {
    AwysRecord w{};
    w.wsno = wsno;
    std::strcpy(w.wname, name);
    uint32_t bits = 0;
    for (int i = 0; i < 5; ++i) {
        const char c = i < static_cast<int>(std::strlen(name)) ? name[i] : ' ';
        bits |= static_cast<uint32_t>((c - 32) & 63) << (26 - 6 * i);
    }
    const uint8_t rec[8] = {0, static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                            static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24),
                            static_cast<uint8_t>((first >> 16) << 6), static_cast<uint8_t>(first),
                            static_cast<uint8_t>(first >> 8)};
    std::memcpy(w.wrec, rec, sizeof rec);
    dbif_add(w);
    AwpsRecord p{};
    p.wpsno = first;
    p.wpwno = wsno;
    const uint8_t head[6] = {12 | 8, static_cast<uint8_t>(wsno), 0, 0, 0, 0};
    std::memcpy(p.wprec, head, 6);
    dbif_add(p);
    int seq = 1;
    for (const Waypoint& pt : points) {
        p.wpsno = first + seq;
        p.wpseq = seq;
        const bool more = seq < static_cast<int>(points.size());
        const uint8_t rec6[6] = {static_cast<uint8_t>(pt.type << 6 | (more ? 8 : 0)), static_cast<uint8_t>(pt.serial),
                                 static_cast<uint8_t>(pt.serial >> 8), static_cast<uint8_t>(pt.serial >> 16 & 3), 0, 0};
        std::memcpy(p.wprec, rec6, 6);
        dbif_add(p);
        ++seq;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: add_approaches696 FOLDER\n");
        return 2;
    }
    SetDbDir(argv[1]);
    CGenDBOpen opener;
    opener.OpenAll();
    CGenDBOpen::SetActive(&opener);
    for (int f = 0; f < kGenFileCount; ++f) dbif_open(f);
    const AptRecord ksea = Find<AptRecord>("aident", &AptRecord::aident, "KSEA");
    const AptRecord kolm = Find<AptRecord>("aident", &AptRecord::aident, "KOLM");
    const int32_t alkix = Find<IntRecord>("iident", &IntRecord::iident, "ALKIX").isno;
    const int32_t blako = Find<IntRecord>("iident", &IntRecord::iident, "BLAKO").isno;
    const int32_t sea = Find<VorRecord>("vident", &VorRecord::vident, "SEA").vsno;
    const int32_t olm = Find<VorRecord>("vident", &VorRecord::vident, "OLM").vsno;
    const int32_t pae = Find<VorRecord>("vident", &VorRecord::vident, "PAE").vsno;
    const int32_t pwt = Find<NdbRecord>("bident", &NdbRecord::bident, "PWT").bsno;
    const int32_t rw16l = Runway(ksea.asno, 0);
    const int32_t rw16c = Runway(ksea.asno, 1);
    const int32_t rw17 = Runway(kolm.asno, 0);

    Local(0, ksea, rw16l << 8 | 8, "ISEA", 20000, -3000, 11030);
    Local(1, ksea, 0x60, "LOCIN", -450000, 10000, 0);
    Local(2, ksea, 0x12 << 8 | 0x70, "LN", -300000, -20000, 3450);
    Approach(0, ksea, 0, "I16L", 0, 3, 8, 0, {1 << 5 | 3, alkix}, {5 << 5 | 4, rw16l});
    Approach(1, ksea, 1, "R34R", 0, 18, 0, -1, {6 << 5 | 3, 1}, {7 << 5 | 4, 2});
    Approach(2, ksea, 2, "V34C", 9, 13, 3, sea, {6 << 5 | 3, 1}, {5 << 5 | 4 | 0x100, rw16c});
    Approach(3, kolm, 0, "N17", 13, 16, 2, pwt, {1 << 5 | 3, blako}, {5 << 5 | 4, rw17});
    // Left out of the image with their IDs: an intersection and a runway not in the database.
    Approach(4, ksea, 3, "X16", 9, 13, 3, sea, {1 << 5 | 3, 999999}, {5 << 5 | 4, rw16l});
    Approach(5, kolm, 1, "Y35", 13, 16, 2, pwt, {1 << 5 | 3, blako}, {5 << 5 | 4, 99999});
    Airway(0, 0, "V4", {{3, sea}, {1, alkix}, {1, blako}, {3, olm}});
    Airway(1, 5, "J5", {{3, pae}, {1, alkix}, {3, sea}});

    for (int f = 0; f < kGenFileCount; ++f) dbif_close(f);
    CGenDBOpen::SetActive(nullptr);
    return 0;
}

// Record buffers of the batch update in the layout that the dbif_ operations move (the record
// layouts of the database, with the USR name before its time).
#pragma once

#include <cstdint>

struct AptBuf {
    int32_t asno;
    char aident[8];
    int32_t alat, along, afacil, acity, acountry, aheight, afuel, autc, a212025, a221507;
};
struct CountryBuf {
    int32_t csno;
    char cid[4];
    char cname[20];
};
struct FreqBuf {
    int32_t fsno, faptno, ftype, freq, flags, frsno, f431;
};
struct IntBuf {
    int32_t isno;
    char iident[8];
    int32_t ilat, ilong, iname, iparent, icountry, iflags, icompat;
};
struct NameBuf {
    int32_t nsno;
    char nname[32];
};
struct NdbBuf {
    int32_t bsno;
    char bident[8];
    int32_t blat, blong, bfacil, bcity, bcountry, bfreq, bcompat, bflags;
};
struct RwyBuf {
    int32_t rsno, raptno, rwidth, rlen, rsl, rw, rflags, rpicst, rpic, rpicfl, rnpic, rnpic2;
};
struct VorBuf {
    int32_t vsno;
    char vident[8];
    int32_t vlat, vlong, vfacil, vcity, vcountry, vfreq, vdme, vtr, vmag, v221817;
};
struct UsrBuf {
    int32_t usno;
    char uident[8];
    int32_t ulat, ulong;
    char uname[32];
    int32_t utime, uicon;
};
struct RestrBuf {
    int32_t rcsno, rcnxt;
    uint8_t rcres[8];
};

static_assert(sizeof(AptBuf) == 52);
static_assert(sizeof(CountryBuf) == 28);
static_assert(sizeof(FreqBuf) == 28);
static_assert(sizeof(IntBuf) == 40);
static_assert(sizeof(NameBuf) == 36);
static_assert(sizeof(NdbBuf) == 44);
static_assert(sizeof(RwyBuf) == 48);
static_assert(sizeof(VorBuf) == 52);
static_assert(sizeof(UsrBuf) == 60);
static_assert(sizeof(RestrBuf) == 16);

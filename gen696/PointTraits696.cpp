#include "gen696/PointTraits696.h"

#include <cstring>

namespace {

void CopyIdent(char (&out)[8], const char* ident) {
    std::memset(out, 0, sizeof out);
    std::memcpy(out, ident, strnlen(ident, sizeof out));
}

}  // namespace

void PointTraits696<AptRecord>::SetCommon(AptRecord& r, int32_t sno, const char* ident, int32_t lat, int32_t lon,
                                          int32_t first, int32_t second, int32_t country) {
    r.asno = sno;
    CopyIdent(r.aident, ident);
    r.alat = lat;
    r.along = lon;
    r.afacil = first;
    r.acity = second;
    r.acountry = country;
}

void PointTraits696<IntRecord>::SetCommon(IntRecord& r, int32_t sno, const char* ident, int32_t lat, int32_t lon,
                                          int32_t first, int32_t second, int32_t country) {
    r.isno = sno;
    CopyIdent(r.iident, ident);
    r.ilat = lat;
    r.ilong = lon;
    r.iparent = first;
    r.iname = second;
    r.icountry = country;
}

void PointTraits696<NdbRecord>::SetCommon(NdbRecord& r, int32_t sno, const char* ident, int32_t lat, int32_t lon,
                                          int32_t first, int32_t second, int32_t country) {
    r.bsno = sno;
    CopyIdent(r.bident, ident);
    r.blat = lat;
    r.blong = lon;
    r.bfacil = first;
    r.bcity = second;
    r.bcountry = country;
}

void PointTraits696<VorRecord>::SetCommon(VorRecord& r, int32_t sno, const char* ident, int32_t lat, int32_t lon,
                                          int32_t first, int32_t second, int32_t country) {
    r.vsno = sno;
    CopyIdent(r.vident, ident);
    r.vlat = lat;
    r.vlong = lon;
    r.vfacil = first;
    r.vcity = second;
    r.vcountry = country;
}

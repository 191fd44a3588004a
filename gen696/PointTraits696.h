// The four point record types of the database as the 696 steps walk them: index names, the
// fields the common head takes, and the packer of each.
#pragma once

#include "gen696/PointRecords696.h"

template <class Rec>
struct PointTraits696;

template <>
struct PointTraits696<AptRecord> {
    static constexpr PointType696 kType = kApt696;
    static constexpr const char* kIdentIndex = "aident";
    static constexpr const char* kFirstKind = "facility name";
    static constexpr const char* kSecondKind = "city name";
    static const char* Ident(const AptRecord& r) { return r.aident; }
    static int32_t Serial(const AptRecord& r) { return r.asno; }
    static int32_t First(const AptRecord& r) { return r.afacil; }
    static int32_t Second(const AptRecord& r) { return r.acity; }
    static int32_t Country(const AptRecord& r) { return r.acountry; }
    static int32_t Lat(const AptRecord& r) { return r.alat; }
    static int32_t Lon(const AptRecord& r) { return r.along; }
    static void SetCommon(AptRecord& r, int32_t sno, const char* ident, int32_t lat, int32_t lon, int32_t first,
                          int32_t second, int32_t country);
};

template <>
struct PointTraits696<IntRecord> {
    static constexpr PointType696 kType = kInt696;
    static constexpr const char* kIdentIndex = "iident";
    static constexpr const char* kFirstKind = "parent";
    static constexpr const char* kSecondKind = "name";
    static const char* Ident(const IntRecord& r) { return r.iident; }
    static int32_t Serial(const IntRecord& r) { return r.isno; }
    // All-ones flags: neither name nor parent.
    static int32_t First(const IntRecord& r) { return r.iflags == -1 ? -1 : r.iparent; }
    static int32_t Second(const IntRecord& r) { return r.iflags == -1 ? -1 : r.iname; }
    static int32_t Country(const IntRecord& r) { return r.icountry; }
    static int32_t Lat(const IntRecord& r) { return r.ilat; }
    static int32_t Lon(const IntRecord& r) { return r.ilong; }
    static void SetCommon(IntRecord& r, int32_t sno, const char* ident, int32_t lat, int32_t lon, int32_t first,
                          int32_t second, int32_t country);
};

template <>
struct PointTraits696<NdbRecord> {
    static constexpr PointType696 kType = kNdb696;
    static constexpr const char* kIdentIndex = "bident";
    static constexpr const char* kFirstKind = "facility name";
    static constexpr const char* kSecondKind = "city name";
    static const char* Ident(const NdbRecord& r) { return r.bident; }
    static int32_t Serial(const NdbRecord& r) { return r.bsno; }
    static int32_t First(const NdbRecord& r) { return r.bfacil; }
    static int32_t Second(const NdbRecord& r) { return r.bcity; }
    static int32_t Country(const NdbRecord& r) { return r.bcountry; }
    static int32_t Lat(const NdbRecord& r) { return r.blat; }
    static int32_t Lon(const NdbRecord& r) { return r.blong; }
    static void SetCommon(NdbRecord& r, int32_t sno, const char* ident, int32_t lat, int32_t lon, int32_t first,
                          int32_t second, int32_t country);
};

template <>
struct PointTraits696<VorRecord> {
    static constexpr PointType696 kType = kVor696;
    static constexpr const char* kIdentIndex = "vident";
    static constexpr const char* kFirstKind = "facility name";
    static constexpr const char* kSecondKind = "city name";
    static const char* Ident(const VorRecord& r) { return r.vident; }
    static int32_t Serial(const VorRecord& r) { return r.vsno; }
    static int32_t First(const VorRecord& r) { return r.vfacil; }
    static int32_t Second(const VorRecord& r) { return r.vcity; }
    static int32_t Country(const VorRecord& r) { return r.vcountry; }
    static int32_t Lat(const VorRecord& r) { return r.vlat; }
    static int32_t Lon(const VorRecord& r) { return r.vlong; }
    static void SetCommon(VorRecord& r, int32_t sno, const char* ident, int32_t lat, int32_t lon, int32_t first,
                          int32_t second, int32_t country);
};

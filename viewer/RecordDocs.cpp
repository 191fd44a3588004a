#include "viewer/RecordDocs.h"

#include "dblib/dfAPPR.h"
#include "dblib/dfAPTS.h"
#include "dblib/dfAWPS.h"
#include "dblib/dfAWYS.h"
#include "dblib/dfCOUNTRY.h"
#include "dblib/dfFREQ3.h"
#include "dblib/dfINTS.h"
#include "dblib/dfLWPT.h"
#include "dblib/dfNAMES.h"
#include "dblib/dfNDBS.h"
#include "dblib/dfRESTR.h"
#include "dblib/dfRTE.h"
#include "dblib/dfRWY3.h"
#include "dblib/dfUSR.h"
#include "dblib/dfVORS.h"
#include "viewer/RecordLines.h"

namespace {

constexpr bool yes = true;
constexpr bool no = false;
using K = LineKind;

template <class R>
struct Lines;

#define F(member) RECORD_FIELD(R, member)

template <>
struct Lines<dfAPTS> {
    using R = dfAPTS;
    static constexpr RecordLine<R> table[] = {
        {"asno     %d", K::Number, yes, F(asno)},
        {"aident   %s", K::Text, no, F(aident)},
        {"alat     ", K::Latitude, no, F(alat)},
        {"along    ", K::Longitude, no, F(along)},
        {"afacil   %d", K::Number, yes, F(afacil)},
        {"acity    %d", K::Number, yes, F(acity)},
        {"acountry %d", K::Number, yes, F(acountry)},
        {"aheight  %d", K::Number, yes, F(aheight)},
        {"afuel    0x%08x", K::Number, yes, F(afuel)},
        {"autc     0x%08x", K::Number, yes, F(autc)},
        {"a212025  0x%08x", K::Number, yes, F(a212025)},
        {"a221507  0x%08x", K::Number, yes, F(a221507)},
    };
};

template <>
struct Lines<dfCOUNTRY> {
    using R = dfCOUNTRY;
    static constexpr RecordLine<R> table[] = {
        {"csno     %d", K::Number, yes, F(csno)},
        {"cid      %s", K::Text, no, F(cid)},
        {"cname    %s", K::Text, no, F(cname)},
    };
};

template <>
struct Lines<dfFREQ3> {
    using R = dfFREQ3;
    static constexpr RecordLine<R> table[] = {
        {"fsno     %d", K::Number, yes, F(fsno)},
        {"faptno   %d", K::Number, yes, F(faptno)},
        {"ftype    0x%04x", K::Number, yes, F(ftype)},
        {"freq     %d", K::Number, yes, F(freq)},
        {"flags    0x%04x", K::Number, yes, F(flags)},
        {"frsno    %d", K::Number, yes, F(frsno)},
        {"f431     0x%06x", K::Number, yes, F(f431)},
    };
};

template <>
struct Lines<dfINTS> {
    using R = dfINTS;
    static constexpr RecordLine<R> table[] = {
        {"isno     %d", K::Number, yes, F(isno)},
        {"iident   %s", K::Text, no, F(iident)},
        {"ilat     ", K::Latitude, no, F(ilat)},
        {"ilong    ", K::Longitude, no, F(ilong)},
        {"iname    %d", K::Number, yes, F(iname)},
        {"iparent  %d", K::Number, yes, F(iparent)},
        {"icountry %d", K::Number, yes, F(icountry)},
        {"iflags   0x%04x", K::Number, yes, F(iflags)},
        {"icompat  0x%04x", K::Number, yes, F(icompat)},
    };
};

template <>
struct Lines<dfNAMES> {
    using R = dfNAMES;
    static constexpr RecordLine<R> table[] = {
        {"nsno     %d", K::Number, yes, F(nsno)},
        {"nname    %s", K::ShortText, no, F(nname), "nname    \"%s\""},
    };
};

template <>
struct Lines<dfNDBS> {
    using R = dfNDBS;
    static constexpr RecordLine<R> table[] = {
        {"bsno     %d", K::Number, yes, F(bsno)},
        {"bident   %s", K::Text, no, F(bident)},
        {"blat     ", K::Latitude, no, F(blat)},
        {"blong    ", K::Longitude, no, F(blong)},
        {"bfacil   %d", K::Number, yes, F(bfacil)},
        {"bcity    %d", K::Number, yes, F(bcity)},
        {"bcountry %d", K::Number, yes, F(bcountry)},
        {"bfreq    %d", K::Number, yes, F(bfreq)},
        {"bflags   0x%04x", K::Number, yes, F(bflags)},
        {"bcompat  0x%04x", K::Number, yes, F(bcompat)},
    };
};

template <>
struct Lines<dfRWY3> {
    using R = dfRWY3;
    static constexpr RecordLine<R> table[] = {
        {"rsno     %d", K::Number, yes, F(rsno)},
        {"raptno   %d", K::Number, yes, F(raptno)},
        {"rwidth   %d", K::Number, yes, F(rwidth)},
        {"rlen     %d", K::Number, yes, F(rlen)},
        {"rsl      0x%04x", K::Number, yes, F(rsl)},
        {"rw       0x%04x", K::Number, yes, F(rw)},
        {"rflags   0x%04x", K::Number, yes, F(rflags)},
        {"rpicst   0x%04x", K::Number, yes, F(rpicst)},
        {"rpic     0x%08x", K::Number, yes, F(rpic)},
        {"rpicfl   0x%08x", K::Number, yes, F(rpicfl)},
        {"rnpic    0x%08x", K::Number, yes, F(rnpic)},
        {"rnpic2   0x%08x", K::Number, yes, F(rnpic2)},
    };
};

template <>
struct Lines<dfVORS> {
    using R = dfVORS;
    static constexpr RecordLine<R> table[] = {
        {"vsno     %d", K::Number, yes, F(vsno)},
        {"vident   %s", K::Text, no, F(vident)},
        {"vlat     ", K::Latitude, no, F(vlat)},
        {"vlong    ", K::Longitude, no, F(vlong)},
        {"vfacil   %d", K::Number, yes, F(vfacil)},
        {"vcity    %d", K::Number, yes, F(vcity)},
        {"vcountry %d", K::Number, yes, F(vcountry)},
        {"vfreq    %d", K::Number, yes, F(vfreq)},
        {"vdme     0x%08x", K::Number, yes, F(vdme)},
        {"vtr      0x%08x", K::Number, yes, F(vtr)},
        {"vmag     %+.2d", K::LowByte, yes, F(vmag)},
        {"v221817  0x%08x", K::Number, yes, F(v221817)},
    };
};

template <>
struct Lines<dfUSR> {
    using R = dfUSR;
    static constexpr RecordLine<R> table[] = {
        {"usno     %d", K::Number, yes, F(usno)},
        {"uident   %s", K::Text, no, F(uident)},
        {"ulat     ", K::Latitude, no, F(ulat)},
        {"ulong    ", K::Longitude, no, F(ulong)},
        {"uname    %s", K::Text, no, F(uname)},
        {"utime    %d", K::Number, yes, F(utime)},
        {"uicon    %x", K::Number, yes, F(uicon)},
    };
};

template <>
struct Lines<dfRESTR> {
    using R = dfRESTR;
    static constexpr RecordLine<R> table[] = {
        {"rcsno    %d", K::Number, yes, F(rcsno)},
        {"rcnxt    %d", K::Number, yes, F(rcnxt)},
        {"rcres    ", K::Bytes, no, F(rcres), "%02x "},
    };
};

template <>
struct Lines<dfAPPR> {
    using R = dfAPPR;
    static constexpr RecordLine<R> table[] = {
        {"psno     %d", K::Number, yes, F(psno)},
        {"paptno   %d", K::Number, yes, F(paptno)},
        {"pseq     %d", K::Number, yes, F(pseq)},
        {"ptyp     0x%02x", K::Number, yes, F(ptyp)},
        {"p6typ    0x%02x", K::Number, yes, F(p6typ)},
        {"pid      \"%s\"", K::Text, no, F(pid)},
        {"pnsno    %d", K::Number, yes, F(pnsno)},
        {"pntyp    %d", K::Number, yes, F(pntyp)},
        {"pwtyp[0]   0x%x", K::Number, yes, F(pwtyp[0])},
        {"pwrecno[0] 0x%04x", K::Number, yes, F(pwrecno[0])},
        {"pwtyp[1]   0x%x", K::Number, yes, F(pwtyp[1])},
        {"pwrecno[1] 0x%04x", K::Number, yes, F(pwrecno[1])},
        {"pwtyp[2]   0x%x", K::Number, yes, F(pwtyp[2])},
        {"pwrecno[2] 0x%04x", K::Number, yes, F(pwrecno[2])},
        {"pwtyp[3]   0x%x", K::Number, yes, F(pwtyp[3])},
        {"pwrecno[3] 0x%04x", K::Number, yes, F(pwrecno[3])},
    };
};

template <>
struct Lines<dfLWPT> {
    using R = dfLWPT;
    static constexpr RecordLine<R> table[] = {
        {"lsno     %d", K::Number, yes, F(lsno)},
        {"laptno   %d", K::Number, yes, F(laptno)},
        {"ltyp     0x%07x", K::Number, yes, F(ltyp)},
        {"llat     ", K::Latitude, no, F(llat)},
        {"llong    ", K::Longitude, no, F(llong)},
        {"lfreq    %d", K::Number, yes, F(lfreq)},
        {"lid      %s", K::Text, no, F(lid)},
    };
};

template <>
struct Lines<dfAWYS> {
    using R = dfAWYS;
    static constexpr RecordLine<R> table[] = {
        {"wsno     %d", K::Number, yes, F(wsno)},
        {"wname    %s", K::Text, no, F(wname)},
        {"wrec:", K::Bytes, no, F(wrec), " %02x"},
    };
};

template <>
struct Lines<dfAWPS> {
    using R = dfAWPS;
    static constexpr RecordLine<R> table[] = {
        {"wpsno    %d", K::Number, yes, F(wpsno)},
        {"wpwno    %d", K::Number, yes, F(wpwno)},
        {"wpseq    %d", K::Number, yes, F(wpseq)},
        {"wprec:", K::Bytes, no, F(wprec), " %02x"},
    };
};

template <>
struct Lines<dfRTE> {
    using R = dfRTE;
    static constexpr RecordLine<R> table[] = {
        {"rtsno      %d", K::Number, yes, F(rtsno)},
        {"rtno       %d", K::Number, yes, F(rtno)},
        {"rtorder    %d", K::Number, yes, F(rtorder)},
        {"rtident    %s", K::Text, no, F(rtident)},
        {"rtlat      ", K::Latitude, no, F(rtlat)},
        {"rtlong     ", K::Longitude, no, F(rtlong)},
        {"rtname1    %s", K::Text, no, F(rtname1)},
        {"rtname2    %s", K::Text, no, F(rtname2)},
        {"rttime     %d", K::Number, yes, F(rttime)},
        {"rtcnt      %s", K::Text, no, F(rtcnt)},
        {"rttime    %d", K::Number, yes, F(rttime)},
        {"rtht      %d", K::Number, yes, F(rtht)},
        {"rttype    %d", K::Number, yes, F(rttype)},
        {"rtrange   %d", K::Number, yes, F(rtrange)},
        {"rtbearing %d", K::Number, yes, F(rtbearing)},
        {"rticon    %d", K::Number, yes, F(rticon)},
    };
};

#undef F

// Line 0 of every table is the record number.
template <class R>
int32_t& RecordNumberField(R& file) {
    return *static_cast<int32_t*>(const_cast<void*>(Lines<R>::table[0].field(file)));
}

}  // namespace

template <class R>
CAmbreloRecordDoc<R>::CAmbreloRecordDoc(int fileKind, R& file, const char* indexName, const char* title)
    : CAmbreloDoc(fileKind, file, RecordNumberField(file), indexName, title), m_fields(file) {}

template <class R>
void CAmbreloRecordDoc<R>::FormatLine(int line, std::string& text) const {
    text = FormatTableLine(Lines<R>::table, m_fields, line);
}

template <class R>
void CAmbreloRecordDoc<R>::AppendLine(int line, std::string& out) const {
    AppendTableLine(Lines<R>::table, m_fields, line, out);
}

template <class R>
char* CAmbreloRecordDoc<R>::PutLines(char* p, bool utf8) const {
    return utf8 ? PutTableLines<Lines<R>::table, true>(m_fields, p)
                : PutTableLines<Lines<R>::table, false>(m_fields, p);
}

template <class R>
size_t CAmbreloRecordDoc<R>::LinesBound() const {
    return TableLinesBound(Lines<R>::table);
}

template <class R>
int CAmbreloRecordDoc<R>::GetLineCount() const {
    return int(std::size(Lines<R>::table));
}

template <class R>
bool CAmbreloRecordDoc<R>::IsLineSearchable(int line) const {
    return TableLineSearchable(Lines<R>::table, line);
}

template <class R>
int CAmbreloRecordDoc<R>::GetLineValue(int line) const {
    return TableLineValue(Lines<R>::table, m_fields, line, RecordNumber());
}

CAmbreloADoc::CAmbreloADoc(dfAPTS& file)
    : CAmbreloRecordDoc(dfAPTS::kFileNumber, file, "asno", AmbreloDocTitle(dfAPTS::kFileNumber)) {}
CAmbreloCDoc::CAmbreloCDoc(dfCOUNTRY& file)
    : CAmbreloRecordDoc(dfCOUNTRY::kFileNumber, file, "csno", AmbreloDocTitle(dfCOUNTRY::kFileNumber)) {
    file.Close();
}
CAmbreloFDoc::CAmbreloFDoc(dfFREQ3& file)
    : CAmbreloRecordDoc(dfFREQ3::kFileNumber, file, "fsno", AmbreloDocTitle(dfFREQ3::kFileNumber)) {}
CAmbreloIDoc::CAmbreloIDoc(dfINTS& file)
    : CAmbreloRecordDoc(dfINTS::kFileNumber, file, "isno", AmbreloDocTitle(dfINTS::kFileNumber)) {}
CAmbreloNDoc::CAmbreloNDoc(dfNAMES& file)
    : CAmbreloRecordDoc(dfNAMES::kFileNumber, file, "nsno", AmbreloDocTitle(dfNAMES::kFileNumber)) {
    file.Close();
}
CAmbreloBDoc::CAmbreloBDoc(dfNDBS& file)
    : CAmbreloRecordDoc(dfNDBS::kFileNumber, file, "bsno", AmbreloDocTitle(dfNDBS::kFileNumber)) {}
CAmbreloRDoc::CAmbreloRDoc(dfRWY3& file)
    : CAmbreloRecordDoc(dfRWY3::kFileNumber, file, "rsno", AmbreloDocTitle(dfRWY3::kFileNumber)) {}
CAmbreloVDoc::CAmbreloVDoc(dfVORS& file)
    : CAmbreloRecordDoc(dfVORS::kFileNumber, file, "vsno", AmbreloDocTitle(dfVORS::kFileNumber)) {}
CAmbreloUDoc::CAmbreloUDoc(dfUSR& file)
    : CAmbreloRecordDoc(dfUSR::kFileNumber, file, "usno", AmbreloDocTitle(dfUSR::kFileNumber)) {}
CAmbreloRCDoc::CAmbreloRCDoc(dfRESTR& file)
    : CAmbreloRecordDoc(dfRESTR::kFileNumber, file, "rcsno", AmbreloDocTitle(dfRESTR::kFileNumber)) {}
CAmbreloAPDoc::CAmbreloAPDoc(dfAPPR& file)
    : CAmbreloRecordDoc(dfAPPR::kFileNumber, file, "psno", AmbreloDocTitle(dfAPPR::kFileNumber)) {}
CAmbreloLWDoc::CAmbreloLWDoc(dfLWPT& file)
    : CAmbreloRecordDoc(dfLWPT::kFileNumber, file, "lsno", AmbreloDocTitle(dfLWPT::kFileNumber)) {}
CAmbreloAWYDoc::CAmbreloAWYDoc(dfAWYS& file)
    : CAmbreloRecordDoc(dfAWYS::kFileNumber, file, "wsno", AmbreloDocTitle(dfAWYS::kFileNumber)) {}
CAmbreloAWPDoc::CAmbreloAWPDoc(dfAWPS& file)
    : CAmbreloRecordDoc(dfAWPS::kFileNumber, file, "wpsno", AmbreloDocTitle(dfAWPS::kFileNumber)) {}
CAmbreloRTDoc::CAmbreloRTDoc(dfRTE& file)
    : CAmbreloRecordDoc(dfRTE::kFileNumber, file, "rtsno", AmbreloDocTitle(dfRTE::kFileNumber)) {}

namespace {

template <class D, class R>
std::unique_ptr<CAmbreloDoc> Make(RecordFile& file) {
    auto* fields = dynamic_cast<R*>(&file);
    if (!fields) return nullptr;
    return std::make_unique<D>(*fields);
}

using Maker = std::unique_ptr<CAmbreloDoc> (*)(RecordFile&);

const Maker kMakers[] = {
    Make<CAmbreloADoc, dfAPTS>,   Make<CAmbreloCDoc, dfCOUNTRY>,  Make<CAmbreloFDoc, dfFREQ3>,
    Make<CAmbreloIDoc, dfINTS>,   Make<CAmbreloNDoc, dfNAMES>,    Make<CAmbreloBDoc, dfNDBS>,
    Make<CAmbreloRDoc, dfRWY3>,   Make<CAmbreloVDoc, dfVORS>,     Make<CAmbreloUDoc, dfUSR>,
    Make<CAmbreloRCDoc, dfRESTR>, Make<CAmbreloAPDoc, dfAPPR>,    Make<CAmbreloLWDoc, dfLWPT>,
    Make<CAmbreloAWYDoc, dfAWYS>, Make<CAmbreloAWPDoc, dfAWPS>,   Make<CAmbreloRTDoc, dfRTE>,
};

}  // namespace

const char* AmbreloDocTitle(int fileKind) {
    static const char* const kTitles[] = {"apts.dta",  "country.dta", "freq3.dta", "ints.dta", "names.dta",
                                          "ndbs.dta",  "rwy3.dta",    "vors.dta",  "usr.dta",  "restr.dta",
                                          "appr.dta",  "lwpt.dta",    "awys.dta",  "awps.dta", "rte.dta"};
    return fileKind >= 0 && fileKind < int(std::size(kTitles)) ? kTitles[fileKind] : "";
}

std::unique_ptr<CAmbreloDoc> MakeAmbreloDoc(int fileKind, RecordFile& file) {
    if (fileKind < 0 || fileKind >= int(std::size(kMakers))) return nullptr;
    return kMakers[fileKind](file);
}

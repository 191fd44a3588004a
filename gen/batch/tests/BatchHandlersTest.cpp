// ADD and DEL of every record type against a real database.
#include "gen/testsupport/BatchTestSupport.h"
#include "common/Angle.h"
#include "gen/image/RestrictionCoder.h"
#include "gen/image/RunwayPicture.h"

namespace batchtest {
namespace {

const char* const kOrly = "ADD|APT|LFPO|LF-FRANCE|PARIS|ORLY|N 48~43.400|E 002~22.750|291|JA|[MIL]";

class BatchHandlers : public BatchDbTest {};

TEST_F(BatchHandlers, AirportAddedWithCountryAndNames) {
    ASSERT_EQ(Apply(kOrly), kBatchDone);
    auto countries = All<CountryRecord>();
    ASSERT_EQ(countries.size(), 1u);
    EXPECT_EQ(countries[0].csno, 0);
    EXPECT_EQ(std::string(countries[0].cid, 2), "LF");
    EXPECT_STREQ(countries[0].cname, "FRANCE");
    auto apts = All<AptRecord>();
    ASSERT_EQ(apts.size(), 1u);
    const AptRecord& a = apts[0];
    EXPECT_EQ(a.asno, 0);
    EXPECT_EQ(Ident(a.aident), "LFPO");
    EXPECT_EQ(a.alat, DegreesToCircle(48 + 43.4 / 60, 21));
    EXPECT_EQ(a.along, DegreesToCircle(2 + 22.75 / 60, 21));
    EXPECT_EQ(NameOf(a.acity), "PARIS");
    EXPECT_EQ(NameOf(a.afacil), "ORLY");
    EXPECT_EQ(a.acountry, 0);
    EXPECT_EQ(a.aheight, 291);
    EXPECT_EQ(a.afuel, 1 | 16 | 4 | 64);
    EXPECT_EQ(a.a212025, -1);
    EXPECT_EQ(a.a221507, 0);

    // The same line again updates the airport and adds nothing.
    ASSERT_EQ(Apply(kOrly), kBatchModified);
    EXPECT_EQ(All<AptRecord>().size(), 1u);
    EXPECT_EQ(All<NameRecord>().size(), 2u);
    EXPECT_EQ(All<CountryRecord>().size(), 1u);
}

TEST_F(BatchHandlers, AirportMarksAndIdentDigits) {
    // '@' in the city is removed and marks the record; digits are stored as p-y; [PRV] and M.
    ASSERT_EQ(Apply("ADD|APT|EG01|GB GREAT BRITAIN|LONG@TOWN|LONGTOWN|N513000|W0001000|20|M|[PRV]"), kBatchDone);
    auto apts = All<AptRecord>();
    ASSERT_EQ(apts.size(), 1u);
    EXPECT_EQ(Ident(apts[0].aident), "EGpq");
    EXPECT_EQ(apts[0].afuel, 1 | 256 | 8 | 128);
    // The facility equal to the city takes the city's number.
    EXPECT_EQ(apts[0].acity, apts[0].afacil);
    EXPECT_EQ(NameOf(apts[0].acity), "LONGTOWN");
    // The country written "id name" is found again on a later line.
    EXPECT_EQ(Apply("ADD|NDB|LT|GB GREAT BRITAIN|LONGTOWN|LONGTOWN|N513000|W0001000|350"), kBatchDone);
    EXPECT_EQ(All<CountryRecord>().size(), 1u);
    // <UNSET> names no name.
    ASSERT_EQ(Apply("ADD|APT|EGXX|GB|<UNSET>|FIELD|N513000|W0001000|20"), kBatchDone);
    apts = All<AptRecord>();
    EXPECT_EQ(apts[1].acity, -1);
    EXPECT_EQ(NameOf(apts[1].afacil), "FIELD");
}

TEST_F(BatchHandlers, OneLetterCountryIdPaddedWithABlank) {
    ASSERT_EQ(Apply("ADD|APT|KSEA|K -USA|SEATTLE|SEATTLE-TACOMA|N 47~26.970|W122~18.710|433"), kBatchDone);
    auto countries = All<CountryRecord>();
    ASSERT_EQ(countries.size(), 1u);
    EXPECT_EQ(std::string(countries[0].cid, sizeof countries[0].cid), std::string("K\0\0\0", 4));
    EXPECT_STREQ(countries[0].cname, "USA");
    // Found again in every form: padded, bare, and by a line of another type.
    EXPECT_EQ(Apply("ADD|APT|KSEA|K -USA|SEATTLE|SEATTLE-TACOMA|N 47~26.970|W122~18.710|433"), kBatchModified);
    EXPECT_EQ(Apply("ADD|INT|ALKIA|K|N 47~34.000|W122~25.000"), kBatchDone);
    EXPECT_EQ(Apply("ADD|VOR|SEA|K -USA|SEATTLE|SEATTLE|N 47~26.100|W122~18.600|116.80"), kBatchDone);
    countries = All<CountryRecord>();
    ASSERT_EQ(countries.size(), 1u);
    EXPECT_EQ(All<IntRecord>()[0].icountry, countries[0].csno);
    EXPECT_EQ(Apply("DEL|APT|KSEA|K -USA"), kBatchDone);
    EXPECT_TRUE(All<AptRecord>().empty());
}

TEST_F(BatchHandlers, LongNamesAreCutBeforeTheyAreLookedUp) {
    const std::string name(40, 'K');
    const std::string line = "ADD|APT|KAAA|US-UNITED STATES|" + name + "|" + name + "X|N 40~00.0|W 100~00.0|1";
    ASSERT_EQ(Apply(line), kBatchDone);
    ASSERT_EQ(Apply("ADD|APT|KAAB|US|" + name + "|" + name + "Y|N 40~00.0|W 100~00.0|1"), kBatchDone);
    auto names = All<NameRecord>();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(std::string(names[0].nname), std::string(31, 'K'));
}

TEST_F(BatchHandlers, IntersectionsAreFoundByIdentAndCountry) {
    ASSERT_EQ(Apply("ADD|INT|ABC12|LF-FRANCE|N 48~00.000|E 002~00.000"), kBatchDone);
    ASSERT_EQ(Apply("ADD|INT|ABC12|EB-BELGIUM|N 50~00.000|E 004~00.000"), kBatchDone);
    ASSERT_EQ(Apply("ADD|INT|ABC12|LF|N 48~30.000|E 002~00.000"), kBatchModified);
    auto ints = All<IntRecord>();
    ASSERT_EQ(ints.size(), 2u);
    EXPECT_EQ(Ident(ints[0].iident), "ABCqr");
    EXPECT_EQ(ints[0].ilat, DegreesToCircle(48.5, 21));
    EXPECT_EQ(ints[0].iflags, -1);
    EXPECT_EQ(ints[0].icompat, 0);
    EXPECT_EQ(ints[0].iname, -1);
    EXPECT_EQ(ints[1].icountry, 1);
    // Only in another country: absent.
    EXPECT_EQ(Apply("DEL|INT|ABC12|ED-GERMANY"), kBatchErrCid);
    ASSERT_EQ(Apply("ADD|INT|OTHER|ED-GERMANY|N 50~00.000|E 009~00.000"), kBatchDone);
    EXPECT_EQ(Apply("DEL|INT|ABC12|ED"), kBatchAbs);
    EXPECT_EQ(Apply("DEL|INT|ABC12|EB"), kBatchDone);
    EXPECT_EQ(All<IntRecord>().size(), 2u);
}

TEST_F(BatchHandlers, NdbAndVorValues) {
    ASSERT_EQ(Apply("ADD|NDB|OL|LF-FRANCE|OR@LY|ORLY NDB|N 48~40.000|E 002~20.000|342.5|L"), kBatchDone);
    auto ndbs = All<NdbRecord>();
    ASSERT_EQ(ndbs.size(), 1u);
    EXPECT_EQ(ndbs[0].bfreq, 3425);
    EXPECT_EQ(ndbs[0].bcompat, 1 | 4);
    EXPECT_EQ(ndbs[0].bflags, -1);
    EXPECT_EQ(NameOf(ndbs[0].bcity), "ORLY");

    struct Case {
        const char* classes;
        int32_t vdme;
    };
    const Case cases[] = {
        {"", 0x300},
        {"|VOR", 0x300},
        {"|VORDME|HIGH", 0x4 | 0x100},
        {"|DME|LOW", 0x2004},
        {"|TACAN|TERM", 0xA000 | 0x200},
        {"|VORTAC|WX", 0x8000 | 0x4000 | 0x300},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.classes);
        std::string ident = std::string("V") + static_cast<char>('A' + n++);
        ASSERT_EQ(Apply("ADD|VOR|" + ident + "|LF|PAR@IS|PARIS VOR|N 48~40.000|E 002~20.000|117.70" + c.classes),
                  kBatchDone);
        VorRecord v = All<VorRecord>().back();
        EXPECT_EQ(v.vfreq, 11770);
        EXPECT_EQ(v.vdme, c.vdme | 1);
        EXPECT_EQ(v.vtr, 0);
        EXPECT_EQ(v.v221817, -1);
    }
    EXPECT_EQ(Apply("ADD|VOR|VZ|LF|PARIS|PARIS|N 48~40.000|E 002~20.000|117.70|VOT"), kBatchErrDme);
}

TEST_F(BatchHandlers, Runways) {
    ASSERT_EQ(Apply(kOrly), kBatchDone);
    ASSERT_EQ(Apply("ADD|RWY|LFPO|LF|11975X148|08-26|hard|ft lts|0"), kBatchDone);
    auto rwys = All<RwyRecord>();
    ASSERT_EQ(rwys.size(), 1u);
    EXPECT_EQ(rwys[0].raptno, 0);
    EXPECT_EQ(rwys[0].rlen, 11975);
    EXPECT_EQ(rwys[0].rwidth, 148);
    EXPECT_EQ(rwys[0].rw, 8);
    EXPECT_EQ(rwys[0].rsl, 0 + 6 * 8);
    EXPECT_EQ(rwys[0].rflags, -1);
    EXPECT_EQ(rwys[0].rpicfl, static_cast<int32_t>(0xF0000000));
    // The airport has a runway now: its "no runway yet" mark is cleared.
    EXPECT_EQ(All<AptRecord>()[0].afuel & 1, 0);

    // The 13-field form: flag word and the two ends; the picture values follow from them.
    ASSERT_EQ(Apply("ADD|RWY|LFPO|LF|7875X148|02-20|hard|ft lts|<L-R> 1a|N 48~42.900|E 002~22.000|N 48~44.000|"
                    "E 002~23.000"),
              kBatchDone);
    RwyRecord r = All<RwyRecord>().back();
    EXPECT_EQ(r.rflags, 0x1a);
    EXPECT_EQ(r.rpicfl, static_cast<int32_t>(0xF0000001));
    EXPECT_NE(r.rnpic, 0);
    RunwayPicture p = PackRunwayPicture(1, r.rnpic, r.rnpic2);
    EXPECT_EQ(r.rpicst, p.start);
    EXPECT_EQ(r.rpic, static_cast<int32_t>(p.picture));
    EXPECT_EQ(r.rsl & 64, 64);

    // Same designator again: updated. An empty picture field keeps the picture.
    ASSERT_EQ(Apply("ADD|RWY|LFPO|LF|8000X148|02-20|turf|no lts|"), kBatchErrFc);
    ASSERT_EQ(Apply("ADD|RWY|LFPO|LF|8000X148|02-20|turf|no lts|<L-R>"), kBatchModified);
    RwyRecord r2 = All<RwyRecord>().back();
    EXPECT_EQ(r2.rlen, 8000);
    EXPECT_EQ(r2.rsl, 1 | 64);
    EXPECT_EQ(r2.rpic, r.rpic);
    EXPECT_EQ(All<RwyRecord>().size(), 2u);

    // Other forms and failures.
    EXPECT_EQ(Apply("ADD|RWY|LFXX|LF|8000|02|hard|no lts|0"), kBatchAbs);
    EXPECT_EQ(Apply("ADD|RWY|LFPO|ED|8000|02|hard|no lts|0"), kBatchErrCid);
    EXPECT_EQ(Apply("ADD|RWY|LFPO|LF|8000|2|hard|no lts|0"), kBatchErrRwy);
    EXPECT_EQ(Apply("DEL|RWY|LFPO|LF|8000|06"), kBatchAbs);
    EXPECT_EQ(Apply("DEL|RWY|LFPO|LF|8000|02-20"), kBatchDone);
    EXPECT_EQ(All<RwyRecord>().size(), 1u);
}

TEST_F(BatchHandlers, UnknownDesignatorsMatchOnlyEachOther) {
    ASSERT_EQ(Apply(kOrly), kBatchDone);
    ASSERT_EQ(Apply("ADD|RWY|LFPO|LF|5000|08-26|hard|ft lts|0"), kBatchDone);
    ASSERT_EQ(Apply("ADD|RWY|LFPO|LF|3000|06|hard|ft lts|0"), kBatchDone);
    // ".." takes neither runway: it is a runway of its own.
    ASSERT_EQ(Apply("ADD|RWY|LFPO|LF|2000|..|turf|no lts|0"), kBatchDone);
    ASSERT_EQ(Apply("ADD|RWY|LFPO|LF|2100|..|turf|no lts|0"), kBatchModified);
    auto rwys = All<RwyRecord>();
    ASSERT_EQ(rwys.size(), 3u);
    EXPECT_EQ(rwys[0].rlen, 5000);
    EXPECT_EQ(rwys[1].rlen, 3000);
    EXPECT_EQ(rwys[2].rlen, 2100);
    // A runway with a designator the airport does not have yet fills the one without.
    ASSERT_EQ(Apply("ADD|RWY|LFPO|LF|2200|02-20|turf|no lts|0"), kBatchModified);
    rwys = All<RwyRecord>();
    ASSERT_EQ(rwys.size(), 3u);
    EXPECT_EQ(rwys[2].rw, 2);
    // A delete names its runway exactly.
    EXPECT_EQ(Apply("DEL|RWY|LFPO|LF|2200|.."), kBatchAbs);
}

TEST_F(BatchHandlers, FrequenciesWithRestrictionChains) {
    ASSERT_EQ(Apply(kOrly), kBatchDone);
    const std::string tower = "ADD|FRQ|LFPO|LF|TOWER|118.70|R:090-270 BELOW 3000 ABOVE 1500 NORTH OF TOWN";
    ASSERT_EQ(Apply(tower), kBatchDone);
    auto freqs = All<FreqRecord>();
    ASSERT_EQ(freqs.size(), 1u);
    const FreqRecord& f = freqs[0];
    EXPECT_EQ(f.faptno, 0);
    EXPECT_EQ(f.ftype, 4);
    EXPECT_EQ(f.freq, 11870);
    EXPECT_EQ(f.flags, 0);
    EXPECT_EQ(f.f431, -1);
    EXPECT_EQ(f.frsno, 1);
    // The chain holds the restriction bytes, 8 per record, linked by rcnxt.
    std::vector<uint8_t> expected;
    ASSERT_TRUE(EncodeRestrictionText("R:090-270 BELOW 3000 ABOVE 1500 NORTH OF TOWN", &expected).ok());
    std::vector<uint8_t> chain;
    auto restr = All<RestrRecord>();
    int32_t at = f.frsno;
    for (size_t guard = 0; at != 0 && guard < restr.size(); ++guard) {
        for (const RestrRecord& r : restr) {
            if (r.rcsno != at) continue;
            chain.insert(chain.end(), r.rcres, r.rcres + 8);
            at = r.rcnxt;
            break;
        }
    }
    EXPECT_EQ(at, 0);
    ASSERT_GE(chain.size(), expected.size());
    chain.resize(expected.size());
    EXPECT_EQ(chain, expected);
    EXPECT_EQ(restr.size(), (expected.size() + 7) / 8);

    // Again: the chain is rebuilt, the old one deleted.
    ASSERT_EQ(Apply(tower), kBatchDone);
    EXPECT_EQ(All<RestrRecord>().size(), (expected.size() + 7) / 8);
    EXPECT_EQ(All<FreqRecord>().size(), 1u);
    EXPECT_NE(All<FreqRecord>()[0].frsno, 1);

    // Without a chain and without a list: nothing to change.
    ASSERT_EQ(Apply("ADD|FRQ|LFPO|LF|ATIS|126.50"), kBatchDone);
    EXPECT_EQ(Apply("ADD|FRQ|LFPO|LF|ATIS|126.50"), kBatchOk);
    // M and the '*' decimal mark the frequency: another record.
    ASSERT_EQ(Apply("ADD|FRQ|LFPO|LF|GROUND|121.70|M"), kBatchDone);
    ASSERT_EQ(Apply("ADD|FRQ|LFPO|LF|GROUND|121.75*"), kBatchDone);
    freqs = All<FreqRecord>();
    ASSERT_EQ(freqs.size(), 4u);
    EXPECT_EQ(freqs[2].ftype, 3 | 128);
    EXPECT_EQ(freqs[3].ftype, 3 | 128);
    EXPECT_EQ(freqs[3].freq, 12175);

    // A delete written without M still finds the marked frequency; its chain goes with it.
    EXPECT_EQ(Apply("DEL|FRQ|LFPO|LF|GROUND|121.70"), kBatchDone);
    EXPECT_EQ(Apply("DEL|FRQ|LFPO|LF|TOWER|118.70"), kBatchDone);
    EXPECT_EQ(All<RestrRecord>().size(), 0u);
    EXPECT_EQ(Apply("DEL|FRQ|LFPO|LF|TOWER|118.70"), kBatchAbs);
}

TEST_F(BatchHandlers, UserWaypoints) {
    ASSERT_EQ(Apply("ADD|USR|WP-01|N 51~30.123|W 000~10.456|a long comment that goes on beyond 31 characters",
                    5555),
              kBatchDone);
    auto usrs = All<UsrRecord>();
    ASSERT_EQ(usrs.size(), 1u);
    EXPECT_EQ(Ident(usrs[0].uident), "WP-01");
    EXPECT_EQ(usrs[0].ulat, DegreesToCircle(51 + 30.123 / 60, 26));
    EXPECT_STREQ(usrs[0].uname, "A LONG COMMENT THAT GOES ON BEY");
    EXPECT_EQ(usrs[0].utime, 5555);
    EXPECT_EQ(usrs[0].uicon, 0x120003);
    EXPECT_EQ(Apply("ADD|USR|WP-01|N 51~30.123|W 000~10.456|SHORT", 6666), kBatchModified);
    usrs = All<UsrRecord>();
    ASSERT_EQ(usrs.size(), 1u);
    EXPECT_STREQ(usrs[0].uname, "SHORT");
    EXPECT_EQ(usrs[0].utime, 6666);
    EXPECT_EQ(Apply("ADD|USR|TOOLONG8|N 51~30.123|W 000~10.456|X"), kBatchErrF3);
    EXPECT_EQ(Apply("DEL|USR|WP-01"), kBatchDone);
    EXPECT_EQ(Apply("DEL|USR|WP-01"), kBatchAbs);
}

TEST_F(BatchHandlers, DeletingAnAirportTakesItsRunwaysAndFrequencies) {
    ASSERT_EQ(Apply(kOrly), kBatchDone);
    ASSERT_EQ(Apply("ADD|APT|LFPG|LF|PARIS|CHARLES DE GAULLE|N 49~00.600|E 002~32.900|392"), kBatchDone);
    ASSERT_EQ(Apply("ADD|RWY|LFPO|LF|11975|08-26|hard|ft lts|0"), kBatchDone);
    ASSERT_EQ(Apply("ADD|RWY|LFPO|LF|7875|02-20|hard|ft lts|0"), kBatchDone);
    ASSERT_EQ(Apply("ADD|RWY|LFPG|LF|13829|09L-27R|hard|ft lts|0"), kBatchDone);
    ASSERT_EQ(Apply("ADD|FRQ|LFPO|LF|TOWER|118.70|R:BELOW 3000"), kBatchDone);
    ASSERT_EQ(Apply("ADD|FRQ|LFPG|LF|TOWER|119.25|R:ABOVE 3000"), kBatchDone);

    EXPECT_EQ(Apply("DEL|APT|LFPO|LF|LYON"), kBatchErrCty);
    EXPECT_EQ(Apply("DEL|APT|LFPO|LF|PARIS|LYON"), kBatchErrFac);
    EXPECT_EQ(Apply("DEL|APT|LFPO|LF|PARIS|CHARLES DE GAULLE"), kBatchErrNu);
    EXPECT_EQ(Apply("DEL|APT|LFPO|LF|PAR@IS|ORLY"), kBatchDone);
    EXPECT_EQ(All<AptRecord>().size(), 1u);
    auto rwys = All<RwyRecord>();
    ASSERT_EQ(rwys.size(), 1u);
    EXPECT_EQ(rwys[0].raptno, 1);
    auto freqs = All<FreqRecord>();
    ASSERT_EQ(freqs.size(), 1u);
    EXPECT_EQ(freqs[0].faptno, 1);
    EXPECT_EQ(All<RestrRecord>().size(), 1u);
    EXPECT_EQ(Apply("DEL|APT|LFPO|LF"), kBatchAbs);
}

TEST_F(BatchHandlers, DeletingNavaids) {
    ASSERT_EQ(Apply("ADD|NDB|OL|LF-FRANCE|ORLY|ORLY NDB|N 48~40.000|E 002~20.000|342.5"), kBatchDone);
    ASSERT_EQ(Apply("ADD|VOR|PGS|LF|PONTOISE|PONTOISE|N 49~05.000|E 002~02.000|117.70|VORDME"), kBatchDone);
    EXPECT_EQ(Apply("DEL|NDB|OL|LF|ORLY|PONTOISE"), kBatchErrNu);
    EXPECT_EQ(Apply("DEL|NDB|OL|LF|ORLY|ORLY NDB"), kBatchDone);
    EXPECT_EQ(Apply("DEL|VOR|PGS|LF|PONTOISE"), kBatchDone);
    EXPECT_EQ(All<NdbRecord>().size(), 0u);
    EXPECT_EQ(All<VorRecord>().size(), 0u);
}

// One line per result code that a line can fail with: each gives its code and changes nothing.
TEST_F(BatchHandlers, FailingLinesChangeNothing) {
    ASSERT_EQ(Apply(kOrly), kBatchDone);  // LFPO keeps its "no runway yet" mark
    ASSERT_EQ(Apply("ADD|NDB|OL|LF|ORLY|ORLY NDB|N 48~40.000|E 002~20.000|342.5"), kBatchDone);
    struct Case {
        const char* line;
        int code;
    };
    const Case cases[] = {
        {"DEL|NDB|OL|LF|ORLY|PARIS", kBatchErrNu},
        {"ADD|APT|LFPB|LF|PARIS|LE BOURGET|N 48~58.000|E 002~26.500", kBatchErrFc},
        {"ADD|INT|NEWNT|ED-GERMANY|N 50~00.000", kBatchErrFc},
        {"ADD|USR|NEW|N 50~00.000|E 002~00.000", kBatchErrFc},
        {"AD", kBatchErrFc},
        {"MOD|APT|LFPB|LF|PARIS|LE BOURGET|N 48~58.000|E 002~26.500|218", kBatchErrF1},
        {"ADD|RTE|R1|N 50~00.000|E 002~00.000|X", kBatchErrF2},
        {"ADD|HLP|LFPB|LF|PARIS|LE BOURGET|N 48~58.000|E 002~26.500|218", kBatchErrF2},
        {"ADD|APT|LFPBX|ED-GERMANY|NEWCITY|LE BOURGET|N 48~58.000|E 002~26.500|218", kBatchErrF3},
        {"ADD|INT|NEW-1|ED-GERMANY|N 50~00.000|E 002~00.000", kBatchErrF3},
        {"ADD|RWY|LFXX|LF|8000|02|hard|no lts|0", kBatchAbs},
        {"ADD|FRQ|LFXX|LF|TOWER|118.70|R:BELOW 3000", kBatchAbs},
        {"ADD|RWY|LFPO|ED|8000|02|hard|no lts|0", kBatchErrCid},
        {"DEL|APT|LFPO|ED", kBatchErrCid},
        {"DEL|APT|LFPO|LF|NEWCITY", kBatchErrCty},
        {"DEL|APT|LFPO|LF|PARIS|NEWCITY", kBatchErrFac},
        {"ADD|APT|LFPB|ED-GERMANY|NEWCITY|LE BOURGET|N 98~58.000|E 002~26.500|218", kBatchErrLat},
        {"ADD|VOR|NEW|ED-GERMANY|NEWCITY|NEWVOR|N 48~58.000|E 202~26.500|113.50", kBatchErrLng},
        {"ADD|USR|NEW|N 48~58.000|X|NEWCITY", kBatchErrLng},
        {"ADD|APT|LFPB|GERMANY|NEWCITY|LE BOURGET|N 48~58.000|E 002~26.500|218", kBatchErrCsp},
        {"ADD|INT|NEWNT|US-WASHINGTON-DC|N 38~00.000|W 077~00.000", kBatchErrCsp},
        {"ADD|VOR|NEW|ED-GERMANY|NEWCITY|NEWVOR|N 48~58.000|E 002~26.500|113.50|VOT", kBatchErrDme},
        {"ADD|RWY|LFPO|LF|8000|2|hard|no lts|0", kBatchErrRwy},
        {"ADD|RWY|LFPO|LF|8000|02|hard|unkn1|0", kBatchErrLit},
        {"ADD|RWY|LFPO|LF|8000|02|grass|no lts|0", kBatchErrSfc},
        {"ADD|FRQ|LFPO|LF|TWR|118.70", kBatchErrFrq},
        {"ADD|FRQ|LFPO|LF|TOWER|118.70|X", kBatchErrFrq},
        {"ADD|FRQ|LFPO|LF|TOWER|118.70|R:BELOW 99999", kBatchErrFrq},
        {"ADD|NDB|NEW|ED-GERMANY|NEWCITY|NEWNDB|N 48~58.000|E 002~26.500|LOUD", kBatchErrFrq},
        {"ADD|RWY|LFPO|LF|8000|02|hard|no lts|<L+R> 0", kBatchBadPicture},
        {"ADD|RWY|LFPO|LF|8000|02|hard|no lts|1|N 48~42.900|E 002~22.000|N 98~44.000|E 002~23.000", kBatchErrLat},
    };
    const auto before = Snapshot();
    const int32_t nextBefore = next_[kFileNames];
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(Apply(c.line), c.code);
        EXPECT_TRUE(Snapshot() == before);
    }
    EXPECT_EQ(next_[kFileNames], nextBefore);
}

// A write that the database refuses ends the program (here: a serial number already in use).
TEST_F(BatchHandlers, ARefusedWriteEndsTheProgram) {
    ASSERT_EQ(Apply("ADD|USR|ONE|N 1~0.0|E 1~0.0|A"), kBatchDone);
    next_[kFileUsr] = 0;
    try {
        Apply("ADD|USR|TWO|N 1~0.0|E 1~0.0|B");
        ADD_FAILURE() << "the program goes on";
    } catch (const ExitCalled& e) {
        EXPECT_EQ(e.status, kExitFatal);
    }
    BatchCloseFiles();
    EXPECT_EQ(All<UsrRecord>().size(), 1u);
}

}  // namespace
}  // namespace batchtest

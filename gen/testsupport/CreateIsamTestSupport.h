// Fixture of the Create ISAM tests: the Create Image fixture (a generator of one family in a
// temporary folder) with a database that uses every field the image carries, airspace files
// that Create Image copies in, and a run of Create ISAM as GO starts it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gen/testsupport/CreateImageTestSupport.h"
#include "common/CLocale.h"
#include "common/IdentDigits.h"
#include "dblib/DbDir.h"
#include "gen/createimage/CreateImageAirspace.h"
#include "gen/createisam/CreateIsamRecords.h"

namespace cisamtest {

// A TCC.DAT or SUA.DAT file: header line and body.
inline std::vector<uint8_t> AirspaceFile(const std::string& header, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> file(header.begin(), header.end());
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

class CreateIsamTest : public cimgtest::CreateImageTest {
protected:
    const ImageParams& Params() { return *App().Model().imageParams; }
    bool Wide() { return Params().nameOffsetBits == 20; }

    // Create ISAM from the file; the listing lines it added.
    std::vector<std::string> Isam(const std::string& file) {
        const size_t from = Doc().Lines().size();
        Run(kModeCreateIsam, file);
        return LinesFrom(from);
    }

    std::string Db(const std::string& name) const { return DbFolderFile(name.c_str()); }

    template <class Record>
    Record Find(const char* index, const std::string& ident, char (Record::*field)[8]) {
        char key[8] = {};
        std::memcpy(key, ident.data(), std::min<size_t>(ident.size(), 7));
        EncodeIdentDigits(key);
        for (const Record& r : All<Record>(index)) {
            if (std::strncmp(r.*field, key, 8) == 0) return r;
        }
        ADD_FAILURE() << "no record " << ident;
        return Record{};
    }

    // The batch text of the test database: airports north and south of the equator, east and
    // west, with runways (a picture among them), frequencies with restrictions, the city's '@'
    // and the military mark; intersections, NDBs, VORs and a user waypoint.
    static std::string DatabaseText() {
        std::string text =
            "ADD|APT|LFPO|LF-FRANCE|PARIS|ORLY|N 48~43.400|E 002~22.750|291|JA|[MIL]\n"
            "ADD|RWY|LFPO|LF|7875X148|02-20|hard|ft lts|<L-R> 1a|N 48~42.900|E 002~22.000|N 48~44.000|E 002~23.000\n"
            "ADD|RWY|LFPO|LF|11975X148|08-26|hard|ft lts|0\n"
            "ADD|FRQ|LFPO|LF|TOWER|118.70|R:090-270 BELOW 3000 ABOVE 1500 NORTH OF TOWN\n"
            "ADD|FRQ|LFPO|LF|GROUND|121.75*\n"
            "ADD|FRQ|LFPO|LF|APP|120.85|R:REMOTEVOR PGS\n"
            "ADD|APT|LFPG|LF|PARIS|CHARLES DE GAULLE|N 49~00.600|E 002~32.900|392\n"
            "ADD|APT|EG01|GB GREAT BRITAIN|LONG@TOWN|LONGTOWN|N513000|W0001000|20|M|[PRV]\n"
            "ADD|RWY|EG01|GB|2000|..|turf|no lts|0\n"
            "ADD|APT|SAEZ|SA-ARGENTINA|BUENOS AIRES|EZEIZA|S 34~49.000|W 058~32.000|66\n"
            "ADD|RWY|SAEZ|SA|10827X197|11-29|hard|ft lts|0\n"
            "ADD|FRQ|SAEZ|SA|TOWER|118.60\n"
            "ADD|APT|FOOL|GA-GABON|LIBREVILLE|LEON MBA|N 00~00.600|E 009~24.800|39\n"
            "ADD|RWY|FOOL|GA|9843X148|16-34|hard|ft lts|0\n"
            "ADD|FRQ|FOOL|GA|TOWER|118.10\n"
            "ADD|INT|ABC12|LF|N 48~30.000|E 002~00.000\n"
            "ADD|INT|ZZ9|SA|S 34~00.000|W 058~00.000\n"
            "ADD|NDB|OL|LF-FRANCE|OR@LY|ORLY NDB|N 48~40.000|E 002~20.000|342.5|L\n"
            "ADD|NDB|LT|GB GREAT BRITAIN|LONGTOWN|LONGTOWN|N513000|W0001000|350\n"
            "ADD|VOR|PGS|LF|PARIS|PONTOISE|N 49~05.000|E 002~02.000|113.80\n"
            "ADD|VOR|EZE|SA|BUENOS AIRES|EZEIZA|S 34~50.000|W 058~31.000|116.50\n"
            "ADD|USR|MYWPT|N 48~00.000|E 002~00.000|MY POINT\n";
        // Eighty frequencies, the most an airport can have.
        for (int i = 0; i < 80; ++i) {
            char line[80];
            std::snprintf(line, sizeof line, "ADD|FRQ|LFPG|LF|%s|%d.%02d\n", i % 2 ? "TOWER" : "ATIS", 118 + i / 20,
                          (i % 20) * 5);
            text += line;
        }
        return text;
    }

    // Approaches with local waypoints of both kinds, shared by two approaches, a runway by its
    // reciprocal, and a second approach whose type byte reads like a waypoint code.
    void AddApproaches() {
        const AptRecord orly = Find<AptRecord>("aident", "LFPO", &AptRecord::aident);
        const AptRecord ezeiza = Find<AptRecord>("aident", "SAEZ", &AptRecord::aident);
        const AptRecord gabon = Find<AptRecord>("aident", "FOOL", &AptRecord::aident);
        const IntRecord abc = Find<IntRecord>("iident", "ABC12", &IntRecord::iident);
        const NdbRecord ol = Find<NdbRecord>("bident", "OL", &NdbRecord::bident);
        const VorRecord eze = Find<VorRecord>("vident", "EZE", &VorRecord::vident);
        auto runway = [&](int32_t asno, size_t i) {
            std::vector<RwyRecord> mine;
            for (const RwyRecord& r : All<RwyRecord>("rsno")) {
                if (r.raptno == asno) mine.push_back(r);
            }
            return mine.at(i).rsno;
        };
        auto local = [&](int32_t lsno, int32_t asno, int32_t type, int32_t lat, int32_t lon, int32_t freq,
                         const char* id) {
            LwptRecord l{};
            l.lsno = lsno;
            l.laptno = asno;
            l.ltyp = type;
            l.llat = lat;
            l.llong = lon;
            l.lfreq = freq;
            std::strncpy(l.lid, id, sizeof l.lid - 1);
            Add(l);
        };
        local(0, orly.asno, 0xC0, orly.alat - 40000, orly.along + 90000, 0, "FF08");
        local(1, orly.asno, 0xE0, orly.alat + 30000, orly.along - 20000, 3425, "OY");
        local(2, ezeiza.asno, 0xC0, ezeiza.alat - 70000, ezeiza.along - 50000, 0, "SZ11");
        local(3, ezeiza.asno, 0xE0, ezeiza.alat + 9000, ezeiza.along + 12000, 2950, "EZ");
        local(4, gabon.asno, 0xC0, gabon.alat - 300000, gabon.along - 4000, 0, "MB34");
        auto approach = [&](int32_t psno, int32_t asno, int32_t seq, int32_t type, const char* id,
                            std::vector<std::pair<int32_t, int32_t>> waypoints) {
            ApprRecord a{};
            a.psno = psno;
            a.paptno = asno;
            a.pseq = seq;
            a.ptyp = type;
            std::strncpy(a.pid, id, sizeof a.pid - 1);
            a.pnsno = -1;
            for (size_t j = 0; j < waypoints.size(); ++j) {
                a.pwtyp[j] = waypoints[j].first;
                a.pwrecno[j] = waypoints[j].second;
            }
            Add(a);
        };
        approach(0, orly.asno, 0, 0x06, "I08  ",
                 {{0x21, abc.isno}, {0x42, ol.bsno}, {0xC3, 0}, {0xA4, runway(orly.asno, 1)}});
        approach(1, orly.asno, 1, 0x20, "D02  ", {{0xE1, 1}, {0xC2, 0}});
        approach(2, orly.asno, 2, 0x24, "A20  ", {{0x41, ol.bsno}, {0x1A4, runway(orly.asno, 0)}});
        approach(3, ezeiza.asno, 0, 0x16, "V11  ", {{0x61, eze.vsno}, {0xC2, 2}, {0xE3, 3}, {0xA4, runway(ezeiza.asno, 0)}});
        approach(4, gabon.asno, 0, 0x00, "P16", {{0xC1, 4}, {0x1A4, runway(gabon.asno, 0)}});
    }

    // TCC.DAT and SUA.DAT of the family with one record of each kind, naming "PARIS" and
    // "ORLY" and the airport LFPO.
    void WriteAirspaceFiles() {
        const int32_t paris = NameSerial("PARIS");
        const int32_t orlyName = NameSerial("ORLY");
        const int32_t orly = Find<AptRecord>("aident", "LFPO", &AptRecord::aident).asno;
        const bool wide = Wide();
        const uint32_t fss = Params().fssRecordSize;
        const uint32_t tcc = Params().tccRecordSize;
        // TCC: x (2 words), a (1 FSS), z (2 words), y (1 vertex), m (3 bytes), b (1 TCC), r (1), g (1 cell).
        std::vector<uint8_t> body;
        auto put = [&](std::vector<uint8_t> bytes) { body.insert(body.end(), bytes.begin(), bytes.end()); };
        uint32_t v[8];
        put({0x10, 0x80, 0x22, 0x40});
        v[1] = static_cast<uint32_t>(body.size());
        std::vector<uint8_t> f(fss, 0);
        f[0] = 0x12, f[1] = 0x34, f[2] = 0x56, f[3] = 0x12;
        PutU16(&f[6], static_cast<uint32_t>(paris));
        put(f);
        v[2] = static_cast<uint32_t>(body.size());
        put({0x05, 0xA0, 0x06, 0x20});
        v[3] = static_cast<uint32_t>(body.size());
        put({0x11, 0x22, 0x33, 0x44, 0x00, 0x00});
        v[4] = static_cast<uint32_t>(body.size());
        put({0x07, 0x08, 0x09});
        v[5] = static_cast<uint32_t>(body.size());
        std::vector<uint8_t> t(tcc, 0);
        t[0] = 0x01, t[2] = 0x02, t[4] = 0x03, t[6] = 0x04, t[8] = 0xCD, t[9] = 0xAB;
        PutU16(&t[10], static_cast<uint32_t>(orlyName));
        t[14] = 1;
        put(t);
        v[6] = static_cast<uint32_t>(body.size());
        put({0x00, 0x00});
        v[7] = static_cast<uint32_t>(body.size());
        std::vector<uint8_t> cell(23, 0);
        cell[5] = 1, cell[6] = 0, cell[7] = 0;
        for (int k = 1; k < 6; ++k) cell[5 + 3 * k + 1] = cell[5 + 3 * k + 2] = 0xFF;
        put(cell);
        v[0] = static_cast<uint32_t>(body.size());
        TccSectionHeader th;
        std::copy(v, v + 8, th.v);
        std::string header = wide ? "TCC_02|" : "";
        for (int i = 0; i < 8; ++i) header += StringFormatC("%x%c", v[i], i < 7 ? '|' : '<');
        tccHeader_ = header;
        imgtest::WriteAll(Db("TCC.DAT"), AirspaceFile(header, body));

        // SUA: m (5 bytes), a (1), b (1), record numbers (2), cells (1).
        body.clear();
        put({0x03, 0x01, 0x0D, 0x02, 0x00});
        const uint32_t a = static_cast<uint32_t>(body.size());
        const uint32_t sizeA = wide ? 25 : 24;
        const uint32_t sizeB = wide ? 23 : 22;
        std::vector<uint8_t> ra(sizeA, 0);
        ra[0] = 0x10, ra[2] = 0x20, ra[4] = 10, ra[6] = 0x11, ra[8] = 0x21, ra[10] = 40;
        // Priority 1 and type 5; the 18-bit records keep the names' high bits in byte 17's top bits.
        ra[17] = wide ? 0x45 : 0x05;
        PutU16(&ra[18], static_cast<uint32_t>(paris));
        PutU16(&ra[20], static_cast<uint32_t>(orlyName));
        PutU16(&ra[wide ? 23 : 22], static_cast<uint32_t>(orly));
        put(ra);
        const uint32_t b = static_cast<uint32_t>(body.size());
        std::vector<uint8_t> rb(sizeB, 0);
        rb[14] = 2;
        rb[16] = 0x80;
        PutU16(&rb[18], 0xFFFF);
        if (wide) rb[22] = 0xF0;
        else rb[17] = 0xC3;
        PutU16(&rb[20], static_cast<uint32_t>(paris));
        put(rb);
        const uint32_t r = static_cast<uint32_t>(body.size());
        put({0x00, 0x00, 0x01, 0x00});
        const uint32_t g = static_cast<uint32_t>(body.size());
        std::vector<uint8_t> sc(20, 0);
        sc[5] = 2;
        for (int k = 1; k < 5; ++k) sc[5 + 3 * k + 1] = sc[5 + 3 * k + 2] = 0xFF;
        put(sc);
        suaHeader_ = StringFormatC("%s%x|%x|%x|%x|%x|%x|%x|%x|%x|%x|%x<", wide ? "SUA_02|" : "", 1u, g, 2u, r, 1u, a,
                                   1u, b, 0u, a, static_cast<uint32_t>(body.size()));
        imgtest::WriteAll(Db("SUA.DAT"), AirspaceFile(suaHeader_, body));
    }

    // The whole test database.
    void FillDatabase(bool airspace = true) {
        Batch(DatabaseText());
        AddApproaches();
        if (airspace) WriteAirspaceFiles();
    }

    std::string tccHeader_;
    std::string suaHeader_;
};

}  // namespace cisamtest

// Each record type stores its named fields at their byte offsets, little-endian, and reads
// them back unchanged.
#include "dblib/RecordFiles.h"
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
#include "dblib/tests/RecordTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

using rectest::TempFolder;

// Expected bytes of one field at its offset in the record.
struct Bytes {
    int offset;
    std::vector<uint8_t> bytes;
};

Bytes Num(int offset, int32_t v) {
    uint32_t u = uint32_t(v);
    return {offset, {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)}};
}

Bytes Text(int offset, const char* text, int width) {
    std::vector<uint8_t> b(size_t(width), 0);
    std::memcpy(b.data(), text, std::min<size_t>(std::strlen(text), size_t(width)));
    return {offset, b};
}

Bytes Raw(int offset, std::vector<uint8_t> bytes) { return {offset, std::move(bytes)}; }

template <size_t N>
void Set(char (&field)[N], const char* text) {
    std::memset(field, 0, N);
    std::memcpy(field, text, std::min(std::strlen(text), N));
}

// Stores a blank record and then the filled one (slot 1), checks the slot's bytes on disk
// against the expected fields (every other byte zero), and reads it back through index 0 in
// a new object over the same files.
template <class T>
void CheckLayout(const std::function<void(T&)>& fill, const std::vector<Bytes>& fields,
                 int unusedBytes = 0) {
    TempFolder dir;
    const std::string dta = dir.File("rec.dta"), dtx = dir.File("rec.dtx");
    const int len = T::kRecordLength;
    std::vector<uint8_t> image(size_t(len), 0);
    int covered = 0;
    for (const Bytes& f : fields) {
        ASSERT_LE(f.offset + int(f.bytes.size()), len);
        std::copy(f.bytes.begin(), f.bytes.end(), image.begin() + f.offset);
        covered += int(f.bytes.size());
    }
    ASSERT_EQ(covered + unusedBytes, len) << "the table must name every field once";

    {
        T rec(dta, dtx, IsamMgr::kModeClose);
        EXPECT_FALSE(rec.IsOpen());
        ASSERT_EQ(rec.Open(), 0);
        rec.CopyIn(std::vector<uint8_t>(size_t(len), 0).data());
        ASSERT_EQ(rec.Insert(), 0);
        fill(rec);
        ASSERT_EQ(rec.Insert(), 0);
        std::vector<uint8_t> out(size_t(len), 0xEE);
        rec.CopyOut(out.data());
        EXPECT_EQ(out, image);
        rec.Close();
    }

    std::vector<uint8_t> file = rectest::ReadBytes(dta);
    const size_t slot = 1024 + size_t(len + 2);
    ASSERT_EQ(file.size(), 1024 + 2 * size_t(len + 2));
    EXPECT_EQ(file[slot], 0);
    EXPECT_EQ(file[slot + 1], 0);
    std::vector<uint8_t> stored(file.begin() + long(slot) + 2, file.end());
    for (const Bytes& f : fields)
        EXPECT_EQ(std::vector<uint8_t>(stored.begin() + f.offset,
                                       stored.begin() + f.offset + long(f.bytes.size())),
                  f.bytes)
            << "field at offset " << f.offset;
    EXPECT_EQ(stored, image);

    T again(dta, dtx, IsamMgr::kModeClose);
    ASSERT_EQ(again.Open(), 0);
    again.CopyIn(image.data());
    again.SelectIndexNumber(0);
    ASSERT_EQ(again.Find(), 0);
    EXPECT_EQ(again.CurrentSlot(), 1);
    std::vector<uint8_t> back(size_t(len), 0xEE);
    again.CopyOut(back.data());
    EXPECT_EQ(back, image);
}

TEST(RecordLayout, APT) {
    CheckLayout<dfAPTS>(
        [](dfAPTS& r) {
            r.asno = 70001;
            Set(r.aident, "KSEAXYZW");
            r.alat = 0x21A3B4C5;
            r.along = -0x55667788;
            r.afacil = 12;
            r.acity = -1;
            r.acountry = 300;
            r.aheight = -46;
            r.afuel = 0x1E5;
            r.autc = 0x28;
            r.a212025 = -1;
            r.a221507 = 0x100000;
        },
        {Num(0, 70001), Text(4, "KSEAXYZW", 8), Num(12, 0x21A3B4C5), Num(16, -0x55667788),
         Num(20, 12), Num(24, -1), Num(28, 300), Num(32, -46), Num(36, 0x1E5), Num(40, 0x28),
         Num(44, -1), Num(48, 0x100000)});
}

TEST(RecordLayout, COUNTRY) {
    CheckLayout<dfCOUNTRY>(
        [](dfCOUNTRY& r) {
            r.csno = 17;
            Set(r.cid, "K ");
            Set(r.cname, "UNITED STATES \xB0 ABC");
        },
        {Num(0, 17), Text(4, "K ", 4), Text(8, "UNITED STATES \xB0 ABC", 20)});
}

TEST(RecordLayout, FREQ) {
    CheckLayout<dfFREQ3>(
        [](dfFREQ3& r) {
            r.fsno = 5;
            r.faptno = 70001;
            r.ftype = 0x0387;
            r.freq = 11885;
            r.flags = 0x40;
            r.frsno = 9;
            r.f431 = -1;
        },
        {Num(0, 5), Num(4, 70001), Num(8, 0x0387), Num(12, 11885), Num(16, 0x40), Num(20, 9),
         Num(24, -1)});
}

TEST(RecordLayout, INT) {
    CheckLayout<dfINTS>(
        [](dfINTS& r) {
            r.isno = 8;
            Set(r.iident, "ALTAp");
            r.ilat = 0x12345678;
            r.ilong = -2;
            r.iname = 44;
            r.iparent = 45;
            r.icountry = 46;
            r.iflags = 0x100;
            r.icompat = 0x7F;
        },
        {Num(0, 8), Text(4, "ALTAp", 8), Num(12, 0x12345678), Num(16, -2), Num(20, 44),
         Num(24, 45), Num(28, 46), Num(32, 0x100), Num(36, 0x7F)});
}

TEST(RecordLayout, NAME) {
    const char* name = "A NAME OF EXACTLY 31 CHARACTERS";
    CheckLayout<dfNAMES>(
        [&](dfNAMES& r) {
            r.nsno = 123456;
            Set(r.nname, name);
        },
        {Num(0, 123456), Text(4, name, 32)});
}

TEST(RecordLayout, NDB) {
    CheckLayout<dfNDBS>(
        [](dfNDBS& r) {
            r.bsno = 3;
            Set(r.bident, "BF");
            r.blat = 1;
            r.blong = -1;
            r.bfacil = 20;
            r.bcity = 21;
            r.bcountry = 22;
            r.bfreq = 3620;
            r.bcompat = 5;
            r.bflags = -1;
        },
        {Num(0, 3), Text(4, "BF", 8), Num(12, 1), Num(16, -1), Num(20, 20), Num(24, 21),
         Num(28, 22), Num(32, 3620), Num(36, 5), Num(40, -1)});
}

TEST(RecordLayout, RWY) {
    CheckLayout<dfRWY3>(
        [](dfRWY3& r) {
            r.rsno = 1;
            r.raptno = 2;
            r.rwidth = 150;
            r.rlen = 11900;
            r.rsl = 0x4B;
            r.rw = 0x10B90;
            r.rflags = 7;
            r.rpicst = 8;
            r.rpic = 9;
            r.rpicfl = int32_t(0xF0000000);
            r.rnpic = 11;
            r.rnpic2 = 12;
        },
        {Num(0, 1), Num(4, 2), Num(8, 150), Num(12, 11900), Num(16, 0x4B), Num(20, 0x10B90),
         Num(24, 7), Num(28, 8), Num(32, 9), Num(36, int32_t(0xF0000000)), Num(40, 11),
         Num(44, 12)});
}

TEST(RecordLayout, VOR) {
    CheckLayout<dfVORS>(
        [](dfVORS& r) {
            r.vsno = 4;
            Set(r.vident, "SEA");
            r.vlat = 100;
            r.vlong = 200;
            r.vfacil = 300;
            r.vcity = 400;
            r.vcountry = 500;
            r.vfreq = 11680;
            r.vdme = 0x305;
            r.vtr = 0xA4;
            r.vmag = 0xF1;
            r.v221817 = -1;
        },
        {Num(0, 4), Text(4, "SEA", 8), Num(12, 100), Num(16, 200), Num(20, 300), Num(24, 400),
         Num(28, 500), Num(32, 11680), Num(36, 0x305), Num(40, 0xA4), Num(44, 0xF1),
         Num(48, -1)});
}

TEST(RecordLayout, USR) {
    CheckLayout<dfUSR>(
        [](dfUSR& r) {
            r.usno = 61;
            Set(r.uident, "HOME-1");
            r.ulat = 0x1000;
            r.ulong = 0x2000;
            r.utime = 1000000000;
            Set(r.uname, "MY FIELD");
            r.uicon = 0x120003;
        },
        {Num(0, 61), Text(4, "HOME-1", 8), Num(12, 0x1000), Num(16, 0x2000),
         Num(20, 1000000000), Text(24, "MY FIELD", 32), Num(56, 0x120003)});
}

TEST(RecordLayout, RESTR) {
    CheckLayout<dfRESTR>(
        [](dfRESTR& r) {
            r.rcsno = 40;
            r.rcnxt = 41;
            const uint8_t res[8] = {11, 'M', 'O', 'N', '-', 'F', 'R', 0xB0};
            std::memcpy(r.rcres, res, 8);
        },
        {Num(0, 40), Num(4, 41), Raw(8, {11, 'M', 'O', 'N', '-', 'F', 'R', 0xB0})});
}

TEST(RecordLayout, APPR) {
    CheckLayout<dfAPPR>(
        [](dfAPPR& r) {
            r.psno = 1;
            r.paptno = 2;
            r.pseq = 63;
            r.ptyp = 4;
            r.p6typ = 5;
            Set(r.pid, "ILS16R  ");
            r.pntyp = 6;
            r.pnsno = -1;
            for (int i = 0; i < 4; ++i) {
                r.pwtyp[i] = 10 + i;
                r.pwrecno[i] = 1000 + i;
            }
        },
        {Num(0, 1), Num(4, 2), Num(8, 63), Num(12, 4), Num(16, 5), Text(20, "ILS16R  ", 8),
         Num(28, 6), Num(32, -1), Num(36, 10), Num(40, 11), Num(44, 12), Num(48, 13),
         Num(52, 1000), Num(56, 1001), Num(60, 1002), Num(64, 1003)});
}

TEST(RecordLayout, LWPT) {
    CheckLayout<dfLWPT>(
        [](dfLWPT& r) {
            r.lsno = 9;
            r.laptno = 8;
            r.ltyp = 7;
            r.llat = -6;
            r.llong = 5;
            r.lfreq = 10950;
            Set(r.lid, "RW16RX");
        },
        {Num(0, 9), Num(4, 8), Num(8, 7), Num(12, -6), Num(16, 5), Num(20, 10950),
         Text(24, "RW16RX", 6)});
}

TEST(RecordLayout, AWYS) {
    CheckLayout<dfAWYS>(
        [](dfAWYS& r) {
            r.wsno = 65535;
            Set(r.wname, "V23");
            const uint8_t rec[8] = {2, 0x80, 1, 2, 3, 4, 5, 0xFF};
            std::memcpy(r.wrec, rec, 8);
        },
        {Num(0, 65535), Text(4, "V23", 8), Raw(12, {2, 0x80, 1, 2, 3, 4, 5, 0xFF})});
}

TEST(RecordLayout, AWPS) {
    CheckLayout<dfAWPS>(
        [](dfAWPS& r) {
            r.wpsno = 77;
            r.wpwno = 3;
            r.wpseq = 2;
            const uint8_t rec[6] = {0x81, 0x12, 0x34, 0x56, 0xAB, 0xCD};
            std::memcpy(r.wprec, rec, 6);
        },
        {Num(0, 77), Num(4, 3), Num(8, 2), Raw(12, {0x81, 0x12, 0x34, 0x56, 0xAB, 0xCD})},
        2);
}

TEST(RecordLayout, RTE) {
    CheckLayout<dfRTE>(
        [](dfRTE& r) {
            r.rtsno = 500;
            r.rtno = 3;
            r.rtorder = 1;
            Set(r.rtident, "KSEA");
            r.rtlat = 11;
            r.rtlong = -12;
            r.rttime = 13;
            Set(r.rtname1, "SEATTLE TO PORTLAND");
            Set(r.rtname2, "SECOND LINE");
            Set(r.rtcnt, "K ");
            r.rtht = 433;
            r.rttype = 4;
            r.rtrange = 1234;
            r.rtbearing = 181;
            r.rticon = 1179651;
        },
        {Num(0, 500), Num(4, 3), Num(8, 1), Text(12, "KSEA", 8), Num(20, 11), Num(24, -12),
         Num(28, 13), Text(32, "SEATTLE TO PORTLAND", 32), Text(64, "SECOND LINE", 32),
         Text(96, "K ", 4), Num(100, 433), Num(104, 4), Num(108, 1234), Num(112, 181),
         Num(116, 1179651)});
}

// The bytes behind the last field of an AWPS record are kept as stored.
TEST(RecordLayout, AwpsSpareBytesKept) {
    TempFolder dir;
    dfAWPS rec(dir.File("awps.dta"), dir.File("awps.dtx"), 0);
    uint8_t image[dfAWPS::kRecordLength] = {1, 0, 0, 0};
    image[18] = 0x5A;
    image[19] = 0xA5;
    rec.CopyIn(image);
    uint8_t out[dfAWPS::kRecordLength] = {};
    rec.CopyOut(out);
    EXPECT_EQ(0, std::memcmp(image, out, sizeof image));
}

TEST(RecordLayout, RteClearLoadsAllZeroRecord) {
    TempFolder dir;
    dfRTE rte(dir.File("rte.dta"), dir.File("rte.dtx"), IsamMgr::kModeClose);
    std::vector<uint8_t> ones(dfRTE::kRecordLength, 0xFF);
    rte.CopyIn(ones.data());
    ASSERT_EQ(rte.rtno, -1);
    rte.Clear();
    std::vector<uint8_t> out(dfRTE::kRecordLength, 0xEE);
    rte.CopyOut(out.data());
    EXPECT_EQ(out, std::vector<uint8_t>(dfRTE::kRecordLength, 0));
    EXPECT_EQ(rte.rtident[0], 0);
    EXPECT_EQ(rte.rticon, 0);
}

// The table by file number matches the classes, and every class creates its files with the
// slot length of its record.
TEST(RecordFiles, TableByFileNumber) {
    const char* names[] = {"apts", "country", "freq3", "ints", "names", "ndbs", "rwy3", "vors",
                           "usr",  "restr",   "appr",  "lwpt", "awys",  "awps", "rte"};
    const char* managerNames[] = {"apts", "country", "freq3", "ints", "names", "ndbs",
                                  "restr", "rte", "rwy3", "usr", "vors"};
    for (int i = 0; i < kManagerFileCount; ++i) EXPECT_STREQ(kManagerFiles[i], managerNames[i]);
    const int lengths[] = {52, 28, 28, 40, 36, 44, 48, 52, 60, 16, 68, 30, 20, 20, 120};
    TempFolder dir;
    for (int i = 0; i < kRecordFileCount; ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_STREQ(kRecordFiles[i].name, names[i]);
        EXPECT_STREQ(kRecordFileNames[i], names[i]);
        EXPECT_EQ(kRecordFiles[i].recordLength, lengths[i]);
        EXPECT_EQ(RecordFileNumber(names[i]), i);
        auto rec = MakeRecordFileObject(i, dir.File(names[i]) + ".dta",
                                        dir.File(names[i]) + ".dtx", IsamMgr::kModeClose);
        ASSERT_TRUE(rec);
        EXPECT_EQ(rec->RecordLength(), lengths[i]);
        std::vector<uint8_t> header = rectest::ReadBytes(dir.File(names[i]) + ".dta");
        ASSERT_EQ(header.size(), 1024u);
        EXPECT_EQ(header[2] | header[3] << 8, lengths[i] + 2);
    }
    EXPECT_EQ(RecordFileNumber("APTS"), -1);
    EXPECT_FALSE(MakeRecordFileObject(-1, dir.File("x.dta"), dir.File("x.dtx"), 0));
    EXPECT_FALSE(MakeRecordFileObject(15, dir.File("x.dta"), dir.File("x.dtx"), 0));
}

}  // namespace

// Journal lines in the batch grammar: the older form's fields (names, '@', VOR class words,
// frequency type words, runway picture "0"), restriction lists, the date header and CR LF.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "dblib/KestraneDatabase.h"
#include "manager/ChangeJournal.h"
#include "manager/ManagerSettings.h"
#include "manager/tests/ManagerTestFolder.h"

namespace {

void SetText(char* field, size_t width, const char* text) {
    std::memset(field, 0, width);
    std::memcpy(field, text, std::min(width, std::strlen(text)));
}

class Journal : public ManagerTestFolder {
protected:
    void SetUp() override {
        ManagerTestFolder::SetUp();
        Manager().kindVote = -1;  // a legacy database
        KestraneDatabase& db = KestraneDb();
        ASSERT_EQ(db.country->Open(), 0);
        db.country->csno = 3;
        SetText(db.country->cid, sizeof db.country->cid, "LF");
        SetText(db.country->cname, sizeof db.country->cname, "FRANCE");
        ASSERT_EQ(db.country->Insert(), 0);
        db.country->Close();
        ASSERT_EQ(db.names->Open(), 0);
        const char* names[] = {"PARIS", "ORLY", "GUINEA-BISSAU"};
        for (int i = 0; i < 3; ++i) {
            db.names->nsno = i;  // name 0 is a real name in a legacy database
            SetText(db.names->nname, sizeof db.names->nname, names[i]);
            ASSERT_EQ(db.names->Insert(), 0);
        }
        db.names->Close();
        dfAPTS& a = *db.apts;
        ASSERT_EQ(a.Open(), 0);
        a.asno = 7;
        SetText(a.aident, sizeof a.aident, "LFXY");
        a.acountry = 3;
        a.acity = 0;
        a.afacil = 1;
        a.alat = 0x24A00000;
        a.along = 0x00400000;
        a.aheight = 300;
        a.afuel = 16 | 4 | 128;
        a.autc = 31;
        a.a212025 = -1;
        ASSERT_EQ(a.Insert(), 0);
        a.Close();
    }
    void TearDown() override {
        Manager().kindVote = 0;
        ManagerTestFolder::TearDown();
    }
};

TEST_F(Journal, AirportsNavaidsAndUserWaypoints) {
    KestraneDatabase& db = KestraneDb();
    EXPECT_EQ(FormatJournalLine(kJournalAdd, kJournalApt),
              "ADD|APT|LFXY|LF-FRANCE|PARIS|ORLY|N 51\xB0""30.234|E000\xB0""21.094|300|JA|[PRV]");
    db.apts->afuel |= 256;  // the '@' mark of the older form; [HEL] belongs to the 696 form
    db.apts->acity = -1;
    db.apts->aident[3] = 'q';
    EXPECT_EQ(FormatJournalLine(kJournalDel, kJournalApt), "DEL|APT|LFX1|LF-FRANCE|UNS@ET|ORLY");

    dfNDBS& b = *db.ndbs;
    SetText(b.bident, sizeof b.bident, "OL");
    b.bcountry = 3;
    b.bcity = 2;
    b.bfacil = 2;
    b.blat = b.blong = 0;
    b.bfreq = 10505;
    b.bcompat = 4;
    b.bflags = -1;
    EXPECT_EQ(FormatJournalLine(kJournalAdd, kJournalNdb),
              "ADD|NDB|OL|LF-FRANCE|GUINEA-BISSAU|GUINEA-BISSAU|N 00\xB0""00.000|E000\xB0""00.000|1050.5|L");

    dfVORS& v = *db.vors;
    SetText(v.vident, sizeof v.vident, "PGs");
    v.vcountry = 3;
    v.vcity = 0;
    v.vfacil = 1;
    v.vlat = v.vlong = 0;
    v.vfreq = 11730;
    v.v221817 = -1;
    struct {
        int32_t vdme;
        const char* words;
    } vors[] = {{0x8000 | 0x100, "|VORTAC|High"}, {0x2004 | 0x4000 | 0x300, "|DME|WX"}, {0x0200 | 1, "|VOR|Term"}};
    for (const auto& c : vors) {
        v.vdme = c.vdme;
        const std::string line = FormatJournalLine(kJournalAdd, kJournalVor);
        EXPECT_EQ(line.substr(line.find("117.30") + 6), c.words) << line;
    }

    dfINTS& i = *db.ints;
    SetText(i.iident, sizeof i.iident, "ABCDE");
    i.icountry = 3;
    i.iname = 1;
    i.iparent = 1;
    i.iflags = -1;
    i.ilat = i.ilong = 0;
    EXPECT_EQ(FormatJournalLine(kJournalAdd, kJournalInt),
              "ADD|INT|ABCDE|LF-FRANCE|N 00\xB0""00.000|E000\xB0""00.000");

    dfUSR& u = *db.usr;
    SetText(u.uident, sizeof u.uident, "HOME-r");
    SetText(u.uname, sizeof u.uname, "MY FIELD__");
    u.ulat = u.ulong = 0;
    EXPECT_EQ(FormatJournalLine(kJournalAdd, kJournalUsr), "ADD|USR|HOME-r|N 00\xB0""00.000|E000\xB0""00.000|MY FIELD");
    EXPECT_EQ(FormatJournalLine(kJournalDel, kJournalUsr), "DEL|USR|HOME-r");
    EXPECT_EQ(FormatJournalLine(kJournalAdd, kJournalRte), "");
}

TEST_F(Journal, RunwaysAndFrequencies) {
    KestraneDatabase& db = KestraneDb();
    dfRWY3& r = *db.rwy3;
    r.raptno = 7;
    r.rlen = 2500;
    r.rwidth = 0;
    r.rw = 9;
    r.rsl = 2 | 1 << 4;
    r.rflags = -1;
    r.rpicst = r.rpic = 0;
    EXPECT_EQ(FormatJournalLine(kJournalAdd, kJournalRwy), "ADD|RWY|LFXY|LF-FRANCE|2500|09|sealed|pc lts|0\t// ORLY");
    r.rwidth = 45;
    r.rw = 9 | 64 | 128 | (8 << 8);
    r.rflags = 90;
    r.rpicst = 0x1234;
    r.rpic = static_cast<int32_t>(0x80000080u);
    EXPECT_EQ(FormatJournalLine(kJournalDel, kJournalRwy), "DEL|RWY|LFXY|LF-FRANCE|2500x45|09L-26\t// ORLY");
    EXPECT_EQ(FormatJournalLine(kJournalAdd, kJournalRwy),
              "ADD|RWY|LFXY|LF-FRANCE|2500x45|09L-26|sealed|pc lts|5a 1234 80000080\t// ORLY");

    // A frequency with every restriction: bearings 360 and 90, below 1620, above 3000, a
    // remote VOR and a text.
    dfRESTR& restr = *db.restr;
    ASSERT_EQ(restr.Open(), 0);
    const uint8_t s[] = {10, 1 | 2 | 4 | 8 | 64, 0x68, 90, 0xDC, 0x19, 0x40, 0x1F, 0xC0, 0x20, 0x04};
    for (int k = 0; k < 2; ++k) {
        restr.rcsno = 5 + k;
        restr.rcnxt = k == 0 ? 6 : 0;
        std::memset(restr.rcres, 0, 8);
        std::memcpy(restr.rcres, s + 8 * k, k == 0 ? 8 : sizeof s - 8);
        ASSERT_EQ(restr.Insert(), 0);
    }
    restr.Close();
    dfFREQ3& f = *db.freq3;
    f.faptno = 7;
    f.ftype = 10 | 128;
    f.freq = 11810;
    f.frsno = 5;
    f.f431 = -1;
    EXPECT_EQ(FormatJournalLine(kJournalAdd, kJournalFrq),
              "ADD|FRQ|LFXY|LF-FRANCE|ARRIVL|118.10|M|R:000-090 BELOW 1620 ABOVE 3000 REMOTEVOR ABC\t// ORLY");
    EXPECT_EQ(FormatJournalLine(kJournalDel, kJournalFrq), "DEL|FRQ|LFXY|LF-FRANCE|ARRIVL|118.10\t// ORLY");
}

TEST_F(Journal, The696Form) {
    Manager().kindVote = 1;
    KestraneDatabase& db = KestraneDb();
    dfAPTS& a = *db.apts;
    a.a212025 = 0;
    a.afuel = 32 | 256;  // the '@' mark in bit 5, a heliport in bit 8
    a.autc = (12 + 3) | 32;  // UTC-3 with daylight saving
    a.acity = -1;  // none: the facility takes its place in the 696 form
    const std::string apt = FormatJournalLine(kJournalAdd, kJournalApt);
    EXPECT_EQ(apt.substr(0, 33), "ADD|APT|LFXY|LF-FRANCE|OR@LY|ORLY") << apt;
    EXPECT_EQ(apt.substr(apt.size() - 16), "|[HEL]|UTC-3+DST") << apt;

    dfINTS& i = *db.ints;
    SetText(i.iident, sizeof i.iident, "ABCDE");
    i.icountry = 3;
    i.iname = 1;
    i.iparent = 2;
    i.iflags = 256;
    i.ilat = i.ilong = 0;
    EXPECT_EQ(FormatJournalLine(kJournalAdd, kJournalInt),
              "ADD|INT|ABCDE|LF-FRANCE|ORLY|GUINEA-BISSAU|N 00\xB0""00.000|E000\xB0""00.000|VRP");

    dfFREQ3& f = *db.freq3;
    f.faptno = 7;
    f.ftype = 10 << 8;
    f.freq = 11802;
    f.frsno = 0;
    f.f431 = 1 << 22;  // receive only
    EXPECT_EQ(FormatJournalLine(kJournalAdd, kJournalFrq),
              "ADD|FRQ|LFXY|LF-FRANCE|Tower|118.025|R:RX\t// ORLY");
    Manager().kindVote = -1;
}

TEST_F(Journal, HeaderOnceAndLinesEndCrLf) {
    FILE* stream = JournalStream();
    ASSERT_NE(stream, nullptr) << "the journal is opened with the database";
    dfUSR& u = *KestraneDb().usr;
    SetText(u.uident, sizeof u.uident, "A");
    WriteJournalLine(kJournalDel, kJournalUsr);
    WriteJournalLine(kJournalDel, kJournalUsr);
    WriteJournalLine(kJournalAdd, kJournalRte);
    CloseJournal();
    std::ifstream in(dir.File("upd_bat.txt"), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string t = text.str();
    ASSERT_EQ(t.substr(0, 5), "\r\n// ");
    EXPECT_EQ(t.substr(t.size() - 26), "\r\n\r\nDEL|USR|A\r\nDEL|USR|A\r\n");
    EXPECT_EQ(t.find("// ", 5), std::string::npos) << "one header a run";
}

}  // namespace

// The record lines of the viewer: coordinates, quoted short names, the signed low byte, byte
// rows and the order and count of lines.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <cstring>
#include <vector>

#include "common/Angle.h"
#include "dblib/dfAPPR.h"
#include "dblib/dfAWYS.h"
#include "dblib/dfNAMES.h"
#include "dblib/dfRESTR.h"
#include "dblib/dfRTE.h"
#include "dblib/dfVORS.h"
#include "platform/Text1252.h"
#include "viewer/RecordDocs.h"
#include "viewer/RecordLines.h"
#include "viewer/tests/ViewerTestSupport.h"

namespace {

TEST(RecordLines, Coordinates) {
    // One unit of precision below one degree: the minutes are not rounded into the degrees.
    const int32_t justBelowOne = (DegreesToCircle(1.0, 32) & ~63) - 64;
    struct Case {
        int32_t angle;
        const char* latitude;
        const char* longitude;
    } cases[] = {
        {0, "N 00\xB0" "00.000", "E000\xB0" "00.000"},
        {DegreesToCircle(-0.0002, 32), "N 00\xB0" "00.000", "E000\xB0" "00.000"},
        {INT32_MIN, "S 180\xB0" "00.000", "W180\xB0" "00.000"},
        {DegreesToCircle(47.449, 32), "N 47\xB0" "26.940", "E047\xB0" "26.940"},
        {DegreesToCircle(-122.309, 32), "S 122\xB0" "18.540", "W122\xB0" "18.540"},
        {justBelowOne, "N 00\xB0" "60.000", "E000\xB0" "60.000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatLatitude(c.angle), c.latitude) << c.angle;
        EXPECT_EQ(FormatLongitude(c.angle), c.longitude) << c.angle;
    }
}

TEST(RecordLines, NumberLinesAreWhatPrintfWrites) {
    const char* formats[] = {"asno     %d", "afuel    0x%08x", "ftype    0x%04x", "f431     0x%06x",
                             "ptyp     0x%02x", "pwtyp[0]   0x%x", "uicon    %x", "ltyp     0x%07x", "vmag     %+.2d",
                             // widths, flags and precisions beyond the tables', and formats left to printf
                             "%5d|", "%05d", "%+05d", "%+8d", "%8.3x", "%.0d", "%+.0x", "%3x", "%012x", "%.10x", "%-6d|", "a%%b %d"};
    const int32_t values[] = {0, 1, -1, 9, 255, 0x123456, INT32_MIN, INT32_MAX, -1000};
    for (const char* format : formats) {
        for (int32_t value : values) {
            char expected[64];
            std::snprintf(expected, sizeof expected, format, value);
            EXPECT_EQ(FormatRecordLine(LineKind::Number, format, nullptr, &value, 4), expected) << format << value;
        }
    }
}

TEST(RecordLines, CoordinatesAreWhatPrintfWrites) {
    // Minutes exactly halfway between two thousandths (42.1875 rounds up to even, 6.5625 stays),
    // then random angles.
    std::vector<int32_t> angles = {8388608, -8388608, 25165824, -25165824, 41943040, 58720256};
    std::mt19937 random(11);
    for (int i = 0; i < 20000; ++i) angles.push_back(int32_t(random()));
    for (int32_t angle : angles) {
        double degrees = CircleToDegrees(angle);
        double magnitude = std::fabs(degrees);
        long whole = long(magnitude);
        double minutes = (magnitude - double(whole)) * 60.0;
        char lat[48], lon[48];
        std::snprintf(lat, sizeof lat, "%c %02ld\xB0%06.3f", degrees < 0 ? 'S' : 'N', whole, minutes);
        std::snprintf(lon, sizeof lon, "%c%03ld\xB0%06.3f", degrees < 0 ? 'W' : 'E', whole, minutes);
        ASSERT_EQ(FormatLatitude(angle), lat) << angle;
        ASSERT_EQ(FormatLongitude(angle), lon) << angle;
    }
}

using viewertest::ViewerFolder;

class RecordDocLines : public ViewerFolder {
protected:
    std::vector<std::string> Lines(CAmbreloDoc& doc) {
        std::vector<std::string> lines;
        std::string text;
        for (int i = 0; i <= doc.GetLineCount(); ++i) {
            doc.FormatLine(i, text);
            lines.push_back(text);
        }
        return lines;
    }
};

TEST_F(RecordDocLines, NamesAreQuotedWhenShorterThanTwoCharacters) {
    const char* names[] = {"", "A", " ", "AB", "SEATTLE"};
    for (int i = 0; i < 5; ++i)
        Add<dfNAMES>(4, [&](dfNAMES& r) {
            r.nsno = i;
            std::strcpy(r.nname, names[i]);
        });
    auto doc = MakeAmbreloDoc(4, *Db().File(4));
    const char* expected[] = {"nname    \"\"", "nname    \"A\"", "nname    \" \"", "nname    AB", "nname    SEATTLE"};
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(doc->SeekRecord(kSeekSearch, i, 0), i);
        EXPECT_EQ(Lines(*doc), (std::vector<std::string>{"nsno     " + std::to_string(i), expected[i], ""}));
    }
}

TEST_F(RecordDocLines, VorMagneticVariationIsTheSignedLowByteSearchedByTheWholeField) {
    struct Case {
        int32_t vmag;
        const char* line;
    } cases[] = {{-5, "vmag     -05"}, {7, "vmag     +07"}, {0x1FB, "vmag     -05"}, {0, "vmag     +00"}, {0x80, "vmag     -128"}};
    int n = 0;
    for (const Case& c : cases)
        Add<dfVORS>(7, [&](dfVORS& r) {
            r.vsno = n++;
            r.vmag = c.vmag;
        });
    auto doc = MakeAmbreloDoc(7, *Db().File(7));
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(doc->SeekRecord(kSeekSearch, i, 0), i);
        std::string text;
        doc->FormatLine(10, text);
        EXPECT_EQ(text, cases[i].line);
        EXPECT_EQ(doc->GetLineValue(10), cases[i].vmag);
        EXPECT_TRUE(doc->IsLineSearchable(10));
    }
}

// --list writes the blocks in UTF-8 straight away: the same text as the code-page block converted,
// for records of any bytes (unterminated texts, control characters, bytes 0x80-0xFF).
TEST_F(RecordDocLines, UnicodeBlocksAreTheCodePageBlocksConverted) {
    std::mt19937 random(5);
    for (int kind = 0; kind < 15; ++kind) {
        RecordFile& file = *Db().File(kind);
        auto doc = MakeAmbreloDoc(kind, file);
        for (int i = 0; i < 300; ++i) {
            std::vector<uint8_t> bytes(file.RecordLength());
            for (uint8_t& b : bytes) b = uint8_t(random() % 3 ? random() : "\xC9 \x81"[random() % 3]);
            file.CopyIn(bytes.data());
            std::string codePage;
            doc->AppendRecord(codePage);
            std::vector<char> utf8(doc->RecordBound(true));
            const char* begin = utf8.data();
            const char* end = doc->PutRecord(utf8.data(), true);
            ASSERT_EQ(std::string(begin, end), platform::Utf8From1252(codePage)) << kind;
        }
    }
}

TEST_F(RecordDocLines, LineOrderCountsAndByteRows) {
    Add<dfAPPR>(10, [](dfAPPR& r) {
        r.psno = 4;
        r.pntyp = 2;
        r.pnsno = 17;
        r.pwtyp[3] = 0xA;
        r.pwrecno[3] = 0x123;
    });
    Add<dfRESTR>(9, [](dfRESTR& r) {
        r.rcsno = 1;
        for (int i = 0; i < 8; ++i) r.rcres[i] = uint8_t(0x10 * i + 1);
    });
    Add<dfAWYS>(12, [](dfAWYS& r) {
        r.wsno = 2;
        std::strcpy(r.wname, "V4");
        r.wrec[0] = 0xFF;
    });
    Add<dfRTE>(14, [](dfRTE& r) {
        r.rtsno = 3;
        r.rttime = 99;
        std::strcpy(r.rtcnt, "US");
    });
    auto appr = MakeAmbreloDoc(10, *Db().File(10));
    auto restr = MakeAmbreloDoc(9, *Db().File(9));
    auto awys = MakeAmbreloDoc(12, *Db().File(12));
    auto rte = MakeAmbreloDoc(14, *Db().File(14));
    for (auto* d : {appr.get(), restr.get(), awys.get(), rte.get()}) d->SeekRecord(kSeekSearch, 0, 0);

    auto a = Lines(*appr);
    ASSERT_EQ(a.size(), 17u);
    EXPECT_EQ(a[5], "pid      \"\"");
    EXPECT_EQ(a[6], "pnsno    17");
    EXPECT_EQ(a[7], "pntyp    2");
    EXPECT_EQ(a[14], "pwtyp[3]   0xa");
    EXPECT_EQ(a[15], "pwrecno[3] 0x0123");
    EXPECT_EQ(a[16], "");
    EXPECT_FALSE(appr->IsLineSearchable(5));
    EXPECT_EQ(appr->GetLineValue(5), 4) << "a line that is not searched gives the record number";
    EXPECT_EQ(appr->GetLineValue(6), 17);

    EXPECT_EQ(Lines(*restr)[2], "rcres    01 11 21 31 41 51 61 71 ");
    EXPECT_EQ(Lines(*awys), (std::vector<std::string>{"wsno     2", "wname    V4", "wrec: ff 00 00 00 00 00 00 00", ""}));

    auto r = Lines(*rte);
    ASSERT_EQ(r.size(), 17u);
    EXPECT_EQ(r[8], "rttime     99");
    EXPECT_EQ(r[9], "rtcnt      US");
    EXPECT_EQ(r[10], "rttime    99");
    EXPECT_EQ(rte->GetLineValue(8), 99);
    EXPECT_EQ(rte->GetLineValue(10), 99);
    EXPECT_EQ(TrimLine("rcres    01 \t\r\n"), "rcres    01");
}

}  // namespace

// Detection of the six formats and their readers, on the real samples and on small fixtures.
#include <gtest/gtest.h>

#include <cstring>

#include "common/Bits.h"
#include "sidedata/flarm/ButterflyFile.h"
#include "sidedata/flarm/FlarmHex.h"
#include "sidedata/flarm/ShiftedXmlFile.h"
#include "sidedata/flarm/tests/FlarmTestSupport.h"

using namespace flarmtest;

namespace {

std::string Shift(const std::string& text, int by) {
    std::string out = text;
    for (char& c : out) c = static_cast<char>(c + by);
    return out;
}

// One Butterfly data line of 32 data characters, address and checksum as the format has them.
std::string DataLine(int number, const std::string& data) {
    char head[16];
    std::snprintf(head, sizeof head, ":10%04X00", (number % 4096) * 16);
    unsigned sum = 0x10 + ((number % 4096) * 16 >> 8) + ((number % 4096) * 16 & 0xFF);
    for (int i = 0; i < 16; ++i) sum += std::stoul(data.substr(2 * i, 2), nullptr, 16);
    char tail[4];
    std::snprintf(tail, sizeof tail, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return head + data + tail + "\n";
}

// A Butterfly file of blocks given as 512 characters each.
std::string ButterflyFileOf(const std::vector<std::string>& blocks) {
    std::string file = "#BFD_FN_1.0#\n:020000022000DC\n";
    int line = 0;
    for (const std::string& block : blocks) {
        for (int l = 0; l < 16; ++l) file += DataLine(line++, block.substr(32 * l, 32));
    }
    return file + ":00000001FF\n";
}

std::string HexOf(const uint8_t* bytes, size_t n) {
    std::string out;
    char two[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(two, sizeof two, "%02X", bytes[i]);
        out += two;
    }
    return out;
}

}  // namespace

TEST(FlarmDetect, FirstSixteenBytesTellTheKind) {
    const struct {
        std::string head;
        FlarmFileKind kind;
    } cases[] = {
        {"#BFD_FN_1.0#\n:02", kKindButterfly},
        {std::string("DD1234\0ABC\0\0\0\0", 14), kKindFlarmView},
        {"006fb0\n303030", kKindHexFln},
        {"=@ynm!wfstjpo>#2", kKindShiftedXml},
        {"DD1234|AB  D-1234", kKindDbText},
        {"DD1234|A#  D-1234", kKindUnknown},  // '#' is no competition id character
        {"#DEVICE_TYPE,DEVICE_ID", kKindGlidernet},
        {"DD12G4\n", kKindUnknown},
        {"", kKindUnknown},
        {"#BFD", kKindUnknown},
    };
    for (const auto& c : cases) EXPECT_EQ(DetectFileKind(c.head), c.kind) << c.head;
}

TEST(FlarmRead, RealSamplesGiveTheValuesAnotherReaderDecodes) {
    for (const char* name : {"data.fln", "lx.fln"}) {
        ListedMemory m;
        std::string bytes = ReadBytes(SamplePath(name));
        ASSERT_FALSE(bytes.empty()) << name;
        m.Read(bytes);
        EXPECT_EQ(AllFields(m.memory), SampleRecords()) << name;
        EXPECT_EQ(m.memory.version, "006fb0") << name;
        EXPECT_TRUE(m.Listed("Version 006fb0")) << name;
        EXPECT_EQ(m.memory.Counters().read, 3);
        EXPECT_EQ(m.memory.Counters().tail, 1);
    }
}

TEST(FlarmRead, BothSamplesMergeIntoThreeRecordsModifiedOnce) {
    ListedMemory m;
    m.Read(ReadBytes(SamplePath("data.fln")));
    EXPECT_EQ(m.memory.Counters().newMerged, 3);
    m.Read(ReadBytes(SamplePath("lx.fln")));
    EXPECT_EQ(m.memory.Counters().newMerged, 0);
    EXPECT_EQ(m.memory.Counters().modified, 3);
    EXPECT_EQ(AllFields(m.memory), SampleRecords());
}

TEST(FlarmRead, ButterflyTwelveRecordsThenAnAllZeroRecordGiveTwelve) {
    std::string first(512, '0');
    for (int r = 0; r < 12; ++r) {
        char id[7];
        std::snprintf(id, sizeof id, "0000%02X", r + 1);
        std::string text = id + std::string(36, '0');
        text[6 + 35] = '1';  // the lowest kHz bit
        first.replace(2 + 42 * r, 42, text);
    }
    first.replace(506, 6, "00AB12");
    std::string second(512, '0');
    second.replace(2, 6, "0000FF");  // packed bytes all zero: the end
    ListedMemory m;
    EXPECT_EQ(m.Read(ButterflyFileOf({first, second})), kKindButterfly);
    EXPECT_EQ(m.memory.Records().size(), 12u);
    EXPECT_EQ(m.memory.version, "00ab12");
    EXPECT_EQ(AllFields(m.memory)[0].frequency, "117.025");
}

TEST(FlarmRead, ButterflyFieldsDecodeFromTheirBits) {
    uint8_t packed[18] = {};
    uint32_t p = 0;
    const char* name = "AZ .+-dx";
    for (int i = 0; i < 9; ++i) {
        unsigned code = i < 8 ? static_cast<unsigned>(std::strchr("ABCDEFGHIJKLMNOPQRSTUVWXYZ .+-dx", name[i]) -
                                                      "ABCDEFGHIJKLMNOPQRSTUVWXYZ .+-dx")
                              : 26u;
        p = PutBits(p, 5, packed, code);
    }
    for (unsigned code : {3u, 26u, 29u, 0u}) p = PutBits(p, 5, packed, code);  // "D -A"
    p = PutBits(p, 14, packed, 0x14D);
    for (unsigned code : {35u, 36u, 40u, 41u, 52u, 53u}) p = PutBits(p, 6, packed, code);  // "9 dxx?"
    for (unsigned code : {0u, 26u, 63u}) p = PutBits(p, 6, packed, code);                   // "A0?"
    p = PutBits(p, 5, packed, 5);
    PutBits(p, 6, packed, 12);
    std::string block(512, '0');
    block.replace(2, 42, "abcdef" + HexOf(packed, 18));
    FlarmRecord r{};
    ASSERT_TRUE(DecodeButterflyBlock(block.c_str(), 0, r));
    NormaliseFlarmRecord(r);
    EXPECT_EQ(FieldsOf(r), (Fields{"ABCDEF", "AZ .+-dx", "D -A", "9 dxx?", "Model 14D", "A0?", "122.300"}));
}

TEST(FlarmRead, ButterflyCutInsideABlockEndsWithAMessage) {
    std::string block(512, '0');
    block.replace(2, 42, "000001" + std::string(35, '0') + "1");
    block.replace(44, 42, "000002" + std::string(35, '0') + "1");
    std::string file = ButterflyFileOf({block});
    // Keep the head and two data lines: the first record whole, the second cut.
    size_t cut = 0;
    for (int i = 0; i < 4; ++i) cut = file.find('\n', cut) + 1;
    ListedMemory m;
    m.Read(file.substr(0, cut));
    EXPECT_EQ(m.memory.Records().size(), 1u);
    EXPECT_TRUE(m.Listed("Incomplete record at end of file"));
}

TEST(FlarmRead, FlarmViewRecordsAndACutLastRecord) {
    std::string file("DD1234\0AB\0\0\0\0\0", 14);
    file += std::string("dd5678\0XYZ\0\0\0\0", 14);
    file += std::string("DD9999\0", 7);
    ListedMemory m;
    m.Commit({"DD1234", "Kept"}, true);
    m.memory.ClearCounters();
    EXPECT_EQ(m.Read(file), kKindFlarmView);
    EXPECT_EQ(AllFields(m.memory), (std::vector<Fields>{{"DD1234", "Kept", "", "", "", "AB", ""},
                                                        {"DD5678", "", "", "", "", "XYZ", ""}}));
    EXPECT_EQ(m.memory.Records()[0].ogn, 1);
    EXPECT_EQ(m.memory.Records()[1].ogn, 0);
    EXPECT_TRUE(m.Listed("Incomplete record at end of file"));
}

TEST(FlarmRead, HexFlnVersionLineOfOtherLengthKeepsThePreviousVersion) {
    std::string sample = ReadBytes(SamplePath("data.fln"));
    ListedMemory m;
    m.memory.version = "123456";
    m.Read("06fb0\n" + sample.substr(7));
    // The first record is read at its usual place after a 6-byte line only; here it is shifted
    // by one byte, so what matters is the version.
    EXPECT_EQ(m.memory.version, "123456");
    EXPECT_FALSE(m.Listed("Version 06fb0"));
}

TEST(FlarmRead, HexFlnCutRecordIsIgnoredWithAMessage) {
    std::string sample = ReadBytes(SamplePath("data.fln"));
    ListedMemory m;
    m.Read(sample.substr(0, sample.size() - 20));
    EXPECT_EQ(m.memory.Records().size(), 2u);
    EXPECT_TRUE(m.Listed("Incomplete record at end of file"));
}

TEST(FlarmRead, HexDecodingOfEveryCharacterPairMatchesTheDigitTable) {
    // Every pair of characters, then a run that ends off the wide steps' boundary.
    std::string hex;
    for (int hi = 0; hi < 256; ++hi) {
        for (int lo = 0; lo < 256; ++lo) hex += {static_cast<char>(hi), static_cast<char>(lo)};
    }
    for (size_t count : {hex.size() / 2, size_t{23}, size_t{1}}) {
        std::string out(count, '?');
        DecodeHex(hex.data() + 2 * 0x4130, count, out.data());
        for (size_t i = 0; i < count; ++i) {
            ASSERT_EQ(static_cast<uint8_t>(out[i]), HexByteValue(hex.data() + 2 * 0x4130 + 2 * i)) << count << " " << i;
        }
        if (count == hex.size() / 2) DecodeHex(hex.data(), count, out.data());
        for (size_t i = 0; i < count && count == hex.size() / 2; ++i) {
            ASSERT_EQ(static_cast<uint8_t>(out[i]), HexByteValue(hex.data() + 2 * i)) << i;
        }
    }
}

TEST(FlarmRead, HexEncodingGivesTwoUpperCaseDigitsPerByte) {
    // Every byte value, in runs that end on and off the wide steps' boundary.
    uint8_t bytes[256];
    for (int b = 0; b < 256; ++b) bytes[b] = static_cast<uint8_t>(b);
    for (size_t count : {size_t{256}, size_t{21}, size_t{1}}) {
        for (size_t from : {size_t{0}, 256 - count}) {
            std::string out(2 * count, '?');
            EncodeHexUpper(bytes + from, count, out.data());
            EXPECT_EQ(out, HexOf(bytes + from, count)) << count << " from " << from;
        }
    }
}

TEST(FlarmRead, DbTextAndWinPilotFieldsAreSetAsNormalisingTheirTextsWould) {
    // Texts with controls, DEL, NULs, blanks inside and after, high bytes and lower-case ids, at
    // every length up to a field's.
    const std::string texts[] = {"",       " ",          "a",  "Ab \t c  ", "\x01\x1f\x7f", std::string("x\0yz", 4),
                                 "\xFC\x80 \xFF ", "1234567890abcdefghijklmno", "  lead", "\tT\x0b"};
    std::vector<Fields> fields;
    for (size_t i = 0; i < 60; ++i) {
        auto text = [&](size_t k) { return texts[(i * (k + 3) + k) % 10]; };
        char id[8];
        std::snprintf(id, sizeof id, i % 3 ? "%06x" : "%06X", static_cast<unsigned>(0xAB0000 + i * 11));
        std::string idText = id;
        if (i % 13 == 5) idText[2] = '\x01';
        fields.push_back({idText, text(0), text(1), text(2), text(3), i == 0 ? "AB" : text(4), text(5)});
    }
    auto padded = [](const std::string& text, size_t width) { return (text + std::string(width, ' ')).substr(0, width); };
    // DB text lines hold no AIRFIELD or FREQUENCY, and REG and TYPE only with a NAME.
    auto dbLine = [&](const Fields& f) {
        std::string line = f.id + "|" + padded(f.compId, 3);
        return f.name.empty() ? line : line + " " + padded(f.reg, 6) + " " + padded(f.type, 11) + f.name;
    };
    auto winPilotText = [&](const Fields& f) {
        return padded(f.id, 6) + padded(f.name, 21) + padded(f.airfield, 21) + padded(f.type, 21) +
               padded(f.reg, 7) + padded(f.compId, 3) + padded(f.frequency, 7);
    };
    std::string db, winPilot = "00ab12\n";
    for (const Fields& f : fields) {
        db += dbLine(f) + "\r\n";
        std::string text = winPilotText(f);
        winPilot += HexOf(reinterpret_cast<const uint8_t*>(text.data()), text.size()) + "\n";
    }
    for (bool isDb : {true, false}) {
        // Each file is read after a record left unfinished.
        ListedMemory read;
        SetFlarmField(read.memory.parse.AIRFIELD, "left \x01 over ");
        SetFlarmField(read.memory.parse.FREQUENCY, "1\t ");
        read.Read(isDb ? db : winPilot, "db.txt");
        ListedMemory expected;
        for (const Fields& f : fields) {
            Fields taken;
            if (isDb) {
                std::string l = dbLine(f);
                taken = {l.substr(0, 6), "", "", "", "", l.substr(7, 3), ""};
                if (l.size() >= 30) taken = {l.substr(0, 6), l.substr(29, 23), "", l.substr(11, 6), l.substr(18, 11), l.substr(7, 3), ""};
                if (&f == &fields[0]) taken.airfield = "left \x01 over ", taken.frequency = "1\t ";
            } else {
                std::string t = winPilotText(f);
                taken = {t.substr(0, 6), t.substr(6, 20), t.substr(27, 20), t.substr(69, 6), t.substr(48, 20), t.substr(76, 3), t.substr(79, 7)};
            }
            expected.Commit(taken);
        }
        EXPECT_EQ(AllFields(read.memory), AllFields(expected.memory)) << (isDb ? "DB text" : "WinPilot");
        EXPECT_EQ(read.memory.Counters().read, expected.memory.Counters().read);
        EXPECT_EQ(read.Listed("FlarmID \"AB\x01" "037\" is not 6 hex digits: record passed over"), true);
    }
}

TEST(FlarmRead, ShiftedXmlDecodesEntitiesAndUtf8AndPassesOverOtherLines) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FLARMNET Version=\"00aaff\">\n"
        "<FLARMDATA FlarmID=\"dd0001\">\n"
        "\t<NAME>A &amp; B &lt;C&gt; &quot;M\xC3\xBCller&quot; &#252;&#xE9;\xE2\x82\xAC\xE4\xB8\x80</NAME>\n"
        "\t<AIRFIELD>Field</AIRFIELD>\n\t<TYPE>ASK-21</TYPE>\n\t<REG>D-1234567</REG>\n"
        "\t<COMPID>ABCD</COMPID>\n\t<FREQUENCY>123.4567</FREQUENCY>\n"
        "\t<UNKNOWN>x</UNKNOWN>\n<FLARMDATA\n"
        "</FLARMDATA>\n</FLARMNET>";
    ListedMemory m;
    EXPECT_EQ(m.Read(Shift(xml, 1)), kKindShiftedXml);
    EXPECT_EQ(m.memory.version, "00aaff");
    EXPECT_EQ(AllFields(m.memory), (std::vector<Fields>{{"DD0001", "A & B <C> \"M\xFCller\" \xFC\xE9\x80?",
                                                         "Field", "D-12345", "ASK-21", "ABC", "123.456"}}));
}

TEST(FlarmRead, XmlTextConversionsAreInverse) {
    const std::string texts[] = {"M\xFCller & <Sons> \"x\"", "plain", "\x80\x9F\xFF", "&amp;"};
    for (const std::string& t : texts) EXPECT_EQ(XmlTextTo1252(XmlTextFrom1252(t)), t);
    EXPECT_EQ(XmlTextTo1252("&bogus; &#xZZ; &"), "&bogus; &#xZZ; &");
}

TEST(FlarmRead, DbTextLinesByLength) {
    std::string file =
        "DD0001|AB \r\n"                                          // 10 characters: id and COMPID
        "DD0002|XY  D-1234 ASK-21     Pilot Name\r\n"
        "DD0003|Z\r\n"                                            // too short: passed over
        "DD0004#AB  D-1234 ASK-21     Pilot Name\n"               // no '|'
        "dd0005|    D-5678 Type longerA very long pilot name that goes on\n";
    ListedMemory m;
    EXPECT_EQ(m.Read(file, "/x/OGNdb.txt"), kKindDbText);
    EXPECT_EQ(AllFields(m.memory), (std::vector<Fields>{{"DD0001", "", "", "", "", "AB", ""},
                                                        {"DD0002", "Pilot Name", "", "D-1234", "ASK-21", "XY", ""},
                                                        {"DD0005", "A very long pilot name", "", "D-5678",
                                                         "Type longer", "", ""}}));
    for (const FlarmRecord& r : m.memory.Records()) EXPECT_EQ(r.ogn, 1);
    ListedMemory plain;
    plain.Read(file, "/x/db.txt");
    for (const FlarmRecord& r : plain.memory.Records()) EXPECT_EQ(r.ogn, 0);
}

TEST(FlarmRead, GlidernetLinesWithTheirQuotes) {
    std::string file =
        "#DEVICE_TYPE,DEVICE_ID,AIRCRAFT_MODEL,REGISTRATION,CN,TRACKED,IDENTIFIED\n"
        "'F','DD0001','ASK-21','D-1234','AB','Y','Y'\n"
        "'F','DD0002','','','','Y','Y'\n"
        "'F','DD0003','A model name much longer than the field','D-123456789','ABCD','Y','Y'\n"
        "F,DD0004,ASK-21,D-1234,AB,Y,Y\n"
        "'F','DD0005','no closing quote\n"
        "'F','DD0006','Type only'\n"
        "# a remark\n";
    ListedMemory m;
    EXPECT_EQ(m.Read(file), kKindGlidernet);
    EXPECT_EQ(AllFields(m.memory),
              (std::vector<Fields>{{"DD0001", "", "", "D-1234", "ASK-21", "AB", ""},
                                   {"DD0002", "", "", "", "", "", ""},
                                   {"DD0003", "", "", "D-1234", "A model name much longe", "ABC", ""},
                                   {"DD0006", "", "", "", "Type only", "", ""}}));
}

TEST(FlarmRead, LongLinesAreCutAt255BytesAndTheRestSkipped) {
    std::string file = "DD0001|AB  D-1234 ASK-21     " + std::string(400, 'N') + "\nDD0002|CD \n";
    ListedMemory m;
    m.Read(file);
    ASSERT_EQ(m.memory.Records().size(), 2u);
    EXPECT_EQ(AllFields(m.memory)[0].name, std::string(23, 'N'));
    std::string text = std::string(300, 'x') + "\nnext";
    FlarmInput input(text, "f");
    EXPECT_EQ(input.ReadUntil('\n'), 255u);
    EXPECT_EQ(input.ReadUntil('\n'), 4u);
    EXPECT_EQ(input.LineView(), "next");
    EXPECT_EQ(input.ReadUntil('\n'), 0u);
    EXPECT_TRUE(input.AtEnd());
}

TEST(FlarmRead, UnknownFileListsOnlyItsDetection) {
    ListedMemory m;
    EXPECT_EQ(m.Read("hello world, not a FLARM file"), kKindUnknown);
    EXPECT_EQ(m.lines, (std::vector<std::string>{"This file is unknown format"}));
}

TEST(FlarmRead, ReadingOneFileTwiceModifiesEveryRecord) {
    ListedMemory m;
    std::string bytes = ReadBytes(SamplePath("data.fln"));
    m.Read(bytes);
    m.Read(bytes);
    EXPECT_EQ(m.memory.Counters().newMerged, 0);
    EXPECT_EQ(m.memory.Counters().modified, 3);
}

// GAR packets and waypoint records: the format table, the file frame with its count at offset
// 8, each format's record built and read back, the old layout's comment and state rules, route
// headers and links, and readers that stop at the packet's end.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "manager/FieldText.h"
#include "manager/GarFile.h"
#include "manager/GarRecord.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

uint32_t FloatBits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

TEST(GarFormat, FromProductId) {
    const struct {
        uint16_t product;
        int format;
    } cases[] = {{31, 1}, {41, 1}, {96, 1}, {22, 2}, {45, 2}, {48, 3}, {71, 4}, {53, 5},  {112, 5}, {128, 6},
                 {145, 7}, {260, 7}, {364, 8}, {365, 8}, {402, 9}, {887, 9}, {0, 0}, {1063, 0}, {129, 0}};
    for (const auto& c : cases) EXPECT_EQ(GarFormatFromProduct(c.product), c.format) << c.product;
}

TEST(GarFile, ThreeWaypointsInFormat9) {
    GarWriter writer(402);
    uint8_t record[256];
    for (int i = 0; i < 3; ++i) {
        GarInitRecord(record, 9);
        GarTexts texts;
        texts.ident = "WP" + std::to_string(i);
        const int size = GarPutTexts(record, 9, texts) - 3;
        writer.Put(kGarUserWaypoint, record, size);
    }
    writer.Finish(kGarCommandWaypoints);
    const std::vector<uint8_t> b = Bytes(writer.Bytes());
    ASSERT_GT(b.size(), 12u);
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 10),
              (std::vector<uint8_t>{255, 4, 0x92, 0x01, 0, 0, 27, 2, 3, 0}));
    size_t at = 10;
    for (int i = 0; i < 3; ++i) {
        ASSERT_LT(at + 1, b.size());
        EXPECT_EQ(b[at], 35);
        EXPECT_EQ(b[at + 1], 62 + 4 + 5);  // ident "WPn" and five empty texts
        at += 2 + b[at + 1];
    }
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + static_cast<long>(at), b.end()), (std::vector<uint8_t>{12, 2, 7, 0}));

    GarReader reader(writer.Bytes());
    GarPacket packet;
    GarHeader header;
    ASSERT_EQ(ReadGarHeader(reader, packet, header), 1);
    EXPECT_EQ(header.productId, 402);
    EXPECT_EQ(header.format, 9);
    EXPECT_EQ(header.count, 3);
    EXPECT_EQ(packet.id, 35);
    EXPECT_EQ(GarGetTexts(packet.data, packet.size, 9).ident, "WP0");
}

// Every format: the record's length, and what comes back of texts, position, time, type,
// country, altitude and symbol.
TEST(GarRecord, EachFormatBuiltAndReadBack) {
    const struct {
        int format, length;
        bool hasName, hasSymbol, hasTime;
    } cases[] = {{1, 58, false, false, true}, {2, 124, true, false, true}, {3, 125, true, false, true},
                 {4, 127, true, true, true},  {5, 127, true, true, true},  {6, 48 + 27, true, true, false},
                 {7, 52 + 27, true, true, false}, {8, 52 + 27, true, true, false}, {9, 62 + 27, true, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        uint8_t r[256];
        GarInitRecord(r, c.format);
        GarSetWaypointType(r, c.format, 3);
        GarSetPosition(r, c.format, 0x12345678, -0x23456789, 999);
        GarSetCountryAltitude(r, c.format, "US", FloatBits(1234.7f));
        GarSetSymbol(r, c.format, 0x340102);
        GarTexts in;
        in.ident = "ABCDEF";
        in.comment = "COMMENT";
        in.name = "NAME";
        in.city = "CITY@WA";
        const int size = GarPutTexts(r, c.format, in) - 3;
        EXPECT_EQ(size, c.length);

        const GarTexts out = GarGetTexts(r, size, c.format);
        EXPECT_EQ(out.ident, "ABCDEF");
        EXPECT_EQ(out.comment.substr(0, 7), "COMMENT");
        if (c.hasName) {
            EXPECT_EQ(out.name.substr(0, 4), "NAME");
            EXPECT_EQ(out.city.substr(0, 4), "CITY");
            EXPECT_EQ(out.city.substr(out.city.size() - 3), "@WA");
        } else {
            EXPECT_EQ(out.name, "");
            EXPECT_EQ(out.city, "");
        }
        int32_t lat, lon;
        uint32_t time;
        GarGetPosition(r, size, c.format, lat, lon, time);
        EXPECT_EQ(lat, 0x12345678);
        EXPECT_EQ(lon, -0x23456789);
        EXPECT_EQ(time, c.hasTime ? 999u : 0u);
        EXPECT_EQ(GarGetWaypointType(r, size, c.format), c.format == 1 ? 4 : 3);
        std::string country;
        uint32_t altitude;
        GarGetCountryAltitude(r, size, c.format, country, altitude);
        if (c.format == 1) {
            EXPECT_EQ(country, "");
            EXPECT_EQ(altitude, 0u);
        } else {
            EXPECT_EQ(country, "US");
            EXPECT_EQ(altitude, FloatBits(c.format <= 5 ? 1234.0f : 1234.7f));
        }
        EXPECT_EQ(GarGetSymbol(r, size, c.format), c.hasSymbol ? 0x340102u : 0x120003u);
    }
}

TEST(GarRecord, NewLayoutFixedBytes) {
    uint8_t r[256];
    GarInitRecord(r, 9);
    EXPECT_EQ(r[0], 0x01);
    EXPECT_EQ(r[3], 0x80);
    EXPECT_EQ(std::vector<uint8_t>(r + 6, r + 24),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255}));
    uint32_t bits;
    for (int at : {32, 36, 40, 52}) {
        std::memcpy(&bits, r + at, 4);
        EXPECT_EQ(bits, GarUnknownAltitudeBits()) << at;
    }
    std::memcpy(&bits, r + 48, 4);
    EXPECT_EQ(bits, 0xFFFFFFFFu);
    GarInitRecord(r, 6);
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(r[3], 0x60);
    GarInitRecord(r, 7);
    EXPECT_EQ(r[3], 0x70);
}

TEST(GarRecord, ClassBytesByType) {
    const struct {
        int format, type, at, cls;
    } cases[] = {{6, 4, 0, 0}, {7, 4, 1, 0}, {9, 4, 1, 0}, {9, 0, 1, 0x40}, {9, 3, 1, 0x43}, {9, 5, 1, 0x44},
                 {6, 2, 0, 0x42}};
    for (const auto& c : cases) {
        uint8_t r[256];
        GarInitRecord(r, c.format);
        GarSetWaypointType(r, c.format, c.type);
        EXPECT_EQ(r[c.at], c.cls) << c.format << " " << c.type;
        EXPECT_EQ(GarGetWaypointType(r, 80, c.format), c.type);
    }
}

TEST(GarRecord, OldLayoutCommentAndState) {
    uint8_t r[256];
    GarInitRecord(r, 5);
    GarTexts in;
    in.ident = "TOOLONGIDENT";
    in.comment = "A_B";
    in.city = "OXFORD@OX";
    GarPutTexts(r, 5, in);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(r), 6), "TOOLON");
    const std::string comment(reinterpret_cast<char*>(r + 18), 40);
    EXPECT_EQ(comment, std::string("A\0B", 3) + std::string(37, ' '));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(r + 92), 24), "OXFORD" + std::string(18, ' '));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(r + 116), 2), "OX");
    const GarTexts out = GarGetTexts(r, 127, 5);
    EXPECT_EQ(out.comment, "A");
    EXPECT_EQ(out.city, "OXFORD" + std::string(18, ' ') + "@OX");

    // No state: two blanks, nothing appended.
    in.city = "LEEDS";
    GarPutTexts(r, 5, in);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(r + 116), 2), "  ");
    EXPECT_EQ(GarGetTexts(r, 127, 5).city.find('@'), std::string::npos);

    // The new layout cuts the city at '@' and keeps the state at 44.
    GarInitRecord(r, 9);
    in.city = "OXFORD@OX";
    const int size = GarPutTexts(r, 9, in) - 3;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(r + 44), 2), "OX");
    EXPECT_EQ(GarGetTexts(r, size, 9).city, "OXFORD@OX");
}

// The length of a field's text wherever its NUL stands, with bytes around it that a word-wise
// search could take for a NUL (0x01 borrows, 0x80 and 0xFF high bits).
TEST(FieldText, LengthUpToTheFirstNul) {
    const struct {
        std::string bytes;
        size_t length;
    } cases[] = {{"", 0},
                 {"A", 1},
                 {"ABCDEFG", 7},
                 {std::string("ABCDEFGH") + "IJ", 10},
                 {std::string("\x01\x01\x01\0\x01", 5), 3},
                 {std::string("\x80\xFF\x01\x80\x7F\x81\xFE\xFF\x01\x00\x01", 11), 9},
                 {std::string(15, '\x01'), 15},
                 {std::string(31, '\xFF'), 31},
                 {std::string(32, 'Z'), 32},
                 {std::string("AB\0CD", 5), 2}};
    for (const auto& c : cases) {
        char field[32];
        std::memset(field, 0, sizeof field);
        std::memcpy(field, c.bytes.data(), std::min(c.bytes.size(), sizeof field));
        EXPECT_EQ(FieldLength(field), c.length) << c.bytes;
        EXPECT_EQ(FieldView(field), std::string_view(field, c.length));
        char ident[8];
        std::memset(ident, 0, sizeof ident);
        std::memcpy(ident, c.bytes.data(), std::min(c.bytes.size(), sizeof ident));
        EXPECT_EQ(FieldLength(ident), std::min<size_t>(c.length, 8)) << c.bytes;
    }
}

// A user waypoint's texts from its fields give the record that the same texts as strings give,
// in every format: full fields, empty ones, and bytes after a NUL that are not the text's.
TEST(GarRecord, WaypointTextsFromFieldsBuildTheSameRecord) {
    const struct {
        std::string ident, comment;  // the fields' bytes
    } cases[] = {{"IDENT", "A COMMENT"},
                 {"FULLIDNT", std::string(32, 'C')},
                 {"", ""},
                 {std::string("AB\0JUNK!", 8), std::string("TEXT\0_@XY", 10)},
                 {"X", "UNDER_SCORE_AND@AT"}};
    for (int format = 1; format <= 9; ++format) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(format) + " " + c.ident);
            char ident[8] = {}, comment[32] = {};
            std::memcpy(ident, c.ident.data(), std::min(c.ident.size(), sizeof ident));
            std::memcpy(comment, c.comment.data(), std::min(c.comment.size(), sizeof comment));
            GarTexts strings;
            strings.ident = std::string(FieldView(ident));
            strings.comment = std::string(FieldView(comment));
            uint8_t a[256], b[256];
            GarInitRecord(a, format);
            std::memcpy(b, a, sizeof b);
            const int size = GarPutTexts(a, format, strings);
            ASSERT_EQ(GarPutWaypointTexts(b, format, ident, comment), size);
            EXPECT_EQ(std::vector<uint8_t>(a, a + size - 3), std::vector<uint8_t>(b, b + size - 3));
        }
    }
}

// A route waypoint's texts from its fields, the first name as comment or as name, give the
// record that the same texts as strings give, in every format; the city keeps its state apart.
TEST(GarRecord, RoutePointTextsFromFieldsBuildTheSameRecord) {
    const struct {
        std::string ident, first, second;  // the fields' bytes
    } cases[] = {{"IDENT", "FIRST NAME", "SPRINGFIELD@IL"},
                 {"FULLIDNT", std::string(32, 'F'), std::string(32, 'S')},
                 {"", "", ""},
                 {"X", std::string("CUT\0JUNK", 8), std::string("@", 1)},
                 {"Y", "A_B", std::string(29, 'C') + "@WA"}};
    for (int format = 1; format <= 9; ++format) {
        for (const bool firstIsComment : {true, false}) {
            for (const auto& c : cases) {
                SCOPED_TRACE(std::to_string(format) + " " + c.ident + (firstIsComment ? " comment" : " name"));
                char ident[8] = {}, first[32] = {}, second[32] = {};
                std::memcpy(ident, c.ident.data(), std::min(c.ident.size(), sizeof ident));
                std::memcpy(first, c.first.data(), std::min(c.first.size(), sizeof first));
                std::memcpy(second, c.second.data(), std::min(c.second.size(), sizeof second));
                GarTexts strings;
                strings.ident = std::string(FieldView(ident));
                (firstIsComment ? strings.comment : strings.name) = std::string(FieldView(first));
                strings.city = std::string(FieldView(second));
                uint8_t a[256], b[256];
                GarInitRecord(a, format);
                std::memcpy(b, a, sizeof b);
                const int size = GarPutTexts(a, format, strings);
                ASSERT_EQ(GarPutRoutePointTexts(b, format, ident, first, firstIsComment, second), size);
                EXPECT_EQ(std::vector<uint8_t>(a, a + size - 3), std::vector<uint8_t>(b, b + size - 3));
            }
        }
    }
}

TEST(GarRecord, UnknownAltitudeInTheOldLayout) {
    uint8_t r[256];
    GarInitRecord(r, 4);
    EXPECT_EQ(r[118] | r[119] << 8, 32767);
    GarSetCountryAltitude(r, 4, "  ", GarUnknownAltitudeBits());
    EXPECT_EQ(r[118] | r[119] << 8, 32767);
    std::string country;
    uint32_t bits;
    GarGetCountryAltitude(r, 127, 4, country, bits);
    EXPECT_EQ(bits, GarUnknownAltitudeBits());
    GarSetCountryAltitude(r, 4, "  ", FloatBits(-12.9f));
    EXPECT_EQ(static_cast<int16_t>(r[118] | r[119] << 8), -12);
    GarSetCountryAltitude(r, 4, "  ", FloatBits(1.0e9f));  // kept inside the field, not unknown
    EXPECT_EQ(static_cast<int16_t>(r[118] | r[119] << 8), 32766);
}

TEST(GarRecord, RouteHeadersByFormat) {
    const struct {
        int format;
        const char* title;
        std::string bytes;
    } cases[] = {
        {2, "TITLE", std::string("\x05", 1)},
        {1, "TITLE", "\x05" + std::string(19, '_') + std::string(1, '\0')},
        {3, "TITLE", "\x05" + std::string(19, ' ') + std::string(1, '\0')},
        {5, "TITLE", "\x05" + std::string(19, ' ') + std::string(1, '\0')},
        {4, "TITLE", "\x05TITLE" + std::string(1, '\0') + std::string(13, ' ') + std::string(1, '\0')},
        {4, "", "\x05" + std::string(19, ' ') + std::string(1, '\0')},
        {4, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "\x05" "ABCDEFGHIJKLMNOPQRS" + std::string(1, '\0')},
        {9, "TITLE", "TITLE" + std::string(1, '\0') + std::string(14, ' ') + std::string(1, '\0')},
        {6, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKLMNOPQRST" + std::string(1, '\0')},
    };
    for (const auto& c : cases) {
        uint8_t r[256];
        const int size = GarPutRouteHeader(r, c.format, 5, c.title);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(r), static_cast<size_t>(size)), c.bytes)
            << c.format << " " << c.title;
    }
    uint8_t r[256];
    int size = GarPutRouteHeader(r, 9, 0, "TITLE");
    EXPECT_EQ(GarGetRouteTitle(r, size, 9), "TITLE");
    size = GarPutRouteHeader(r, 1, 0, "TITLE");
    EXPECT_EQ(GarGetRouteTitle(r, size, 1), "");
    size = GarPutRouteHeader(r, 2, 0, "TITLE");
    EXPECT_EQ(GarGetRouteTitle(r, size, 2), "");

    size = GarPutRouteLink(r);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(r), static_cast<size_t>(size)),
              std::string("\x03\0\0\0\0\0\0\0", 8) + std::string(12, '\xff') + std::string(1, '\0'));
}

// Readers stop at the packet's end: texts without their terminator end there, and fields of
// the old layout past it count as absent.
TEST(GarRecord, ReadersStayInsideThePacket) {
    uint8_t r[256];
    std::memset(r, 'X', sizeof r);  // bytes past the packet that must not be read
    GarInitRecord(r, 9);
    std::memset(r + 62, 'A', 10);
    std::memset(r + 72, 'X', 256 - 72);
    GarTexts t = GarGetTexts(r, 67, 9);
    EXPECT_EQ(t.ident, "AAAAA");
    EXPECT_EQ(t.comment, "");
    t = GarGetTexts(r, 62, 9);
    EXPECT_EQ(t.ident, "");

    GarInitRecord(r, 3);
    GarSetSymbol(r, 5, 0x340102);
    r[123] = 2;
    r[120] = 'U';
    r[121] = 'S';
    EXPECT_EQ(GarGetSymbol(r, 125, 3), 0x120003u);
    EXPECT_EQ(GarGetSymbol(r, 124, 2), 0x120003u);
    EXPECT_EQ(GarGetWaypointType(r, 123, 3), 4);
    std::string country;
    uint32_t altitude;
    GarGetCountryAltitude(r, 100, 3, country, altitude);
    EXPECT_EQ(country, "");
    EXPECT_EQ(altitude, 0u);
    std::memcpy(r + 18, "COMMENT THAT RUNS ON", 20);
    EXPECT_EQ(GarGetTexts(r, 25, 3).comment, "COMMENT");
}

// Files cut anywhere: the header reader fails with its message, and never reads past the end.
TEST(GarFile, CutFilesEndUnexpectedly) {
    GarWriter writer(145);
    const uint8_t data[5] = {1, 2, 3, 4, 5};
    writer.Put(kGarUserWaypoint, data, 5);
    writer.Finish(kGarCommandWaypoints);
    const std::string whole = writer.Bytes();
    for (size_t cut = 0; cut < 12; ++cut) {
        GarReader reader(whole.substr(0, cut));
        GarPacket packet;
        GarHeader header;
        EXPECT_EQ(ReadGarHeader(reader, packet, header), 0) << cut;
    }
    GarReader reader(whole.substr(0, 17));  // the record whole, the end packet cut
    GarPacket packet;
    GarHeader header;
    ASSERT_EQ(ReadGarHeader(reader, packet, header), 1);
    EXPECT_EQ(packet.size, 5);
    EXPECT_EQ(ReadGarHeader(reader, packet, header), 0);

    GarWriter other(1063);
    other.Finish(kGarCommandWaypoints);
    GarReader unknown(other.Bytes());
    EXPECT_EQ(ReadGarHeader(unknown, packet, header), 0);
    EXPECT_EQ(header.format, 0);
}

}  // namespace

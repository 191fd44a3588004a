#include "transfer/common/GarLine.h"

#include <gtest/gtest.h>

#include <functional>

#include "transfer/common/tests/TransferTestSupport.h"

using namespace transfertest;

namespace {

GarRecord RecordOf(const Bytes& data, int id = 35) {
    GarRecord r;
    r.id = id;
    r.size = static_cast<int>(data.size());
    std::memcpy(r.data, data.data(), data.size());
    return r;
}

Bytes Le32(int64_t v) {
    Bytes b;
    PutLe(b, static_cast<uint64_t>(v), 4);
    return b;
}

Bytes F32(float v) {
    Bytes b;
    PutFloat(b, v);
    return b;
}

enum class Writer { Lat, Lon, Time, Distance, Altitude };

struct WriterCase {
    const char* what;
    Writer writer;
    Bytes field;
    std::string expected;
};

TEST(GarLineWriters, FieldsAsWritten) {
    const WriterCase cases[] = {
        {"half a degree south", Writer::Lat, Le32(Semicircles(-0.5)), "S 00\xB0" "30.000"},
        {"north 51.5", Writer::Lat, Le32(Semicircles(51.5)), "N 51\xB0" "30.000"},
        {"east 7.25", Writer::Lon, Le32(Semicircles(7.25)), "E007\xB0" "15.000"},
        {"west 0.5", Writer::Lon, Le32(Semicircles(-0.5)), "W000\xB0" "30.000"},
        {"rounds up to 180", Writer::Lon, Le32(0x7FFFFFFF), "W180\xB0" " 0.000"},
        {"exact tie 2.8125 to even", Writer::Lat, Le32(Semicircles(33.046875)), "N 33\xB0" " 2.812"},
        {"exact tie 0.9375 to even", Writer::Lon, Le32(Semicircles(-26.015625)), "W026\xB0" " 0.938"},
        {"one day", Writer::Time, Le32(86400), "00:00:00 01.JAN.1990 "},
        {"first day", Writer::Time, Le32(3661), "01:01:01 31.DEC.1989 "},
        {"leap day 1992", Writer::Time, Le32(86400LL * 790 + 5), "00:00:05 29.FEB.1992 "},
        {"2004", Writer::Time, Le32(444726309), "07:05:09 03.FEB.2004 "},
        {"zero", Writer::Time, Le32(0), ""},
        {"minus one", Writer::Time, Le32(-1), ""},
        {"other negative", Writer::Time, Le32(-2), "0xfffffffe "},
        {"a nautical mile", Writer::Distance, F32(1853.0f), "1.0 nm"},
        {"100 m as a count", Writer::Altitude, Bytes{100, 0}, "330 ft"},
        {"101.5 m as a float", Writer::Altitude, F32(101.5f), "330 ft"},
        {"rounding down", Writer::Altitude, Bytes{10, 0}, "30 ft"},
        {"below sea level", Writer::Altitude, F32(-100.0f), "-320 ft"},
        {"no altitude value", Writer::Altitude, F32(1.0e25f), ""},
    };
    for (const WriterCase& c : cases) {
        const GarRecord r = RecordOf(c.field);
        GarLine line(r, true);
        const int last = static_cast<int>(c.field.size()) - 1;
        switch (c.writer) {
            case Writer::Lat: line.PutLatLon(0, last, 0, true); break;
            case Writer::Lon: line.PutLatLon(0, last, 0, false); break;
            case Writer::Time:
                line.PutTime(0, last, 0);
                EXPECT_EQ(UnitTimeText(r.S32(0)), c.expected) << c.what;
                continue;
            case Writer::Distance: line.PutDistance(0, last, 0); break;
            case Writer::Altitude: line.PutAltitude(0, last, 0); break;
        }
        EXPECT_EQ(line.Text(), c.expected) << c.what;
    }
}

TEST(GarLineWriters, TextStopsEscapesAndNeedsTheWholeField) {
    const Bytes data = {'A', 'B', 1, 'C', '_', 'D'};
    const GarRecord r = RecordOf(data);
    GarLine line(r, false);
    EXPECT_EQ(line.PutText(0, 5, 2), 7);
    EXPECT_EQ(line.Text(), "  AB^1C");
    GarLine shortLine(r, false);
    EXPECT_EQ(shortLine.PutText(0, 6, 0), 0) << "the record ends before the field";
    EXPECT_EQ(shortLine.Text(), "");
    GarLine cut(r, false);
    cut.PutText(0, 1, GarLine::kWidth - 1);
    EXPECT_EQ(cut.Text(), std::string(GarLine::kWidth - 1, ' ').append("A"));
}

// Fields that begin near the line's end are cut there; the columns given back stop there too.
TEST(GarLineWriters, FieldsCutAtTheLineEnd) {
    const GarRecord r = RecordOf(Le32(Semicircles(51.5)));
    const int w = GarLine::kWidth;
    struct Case {
        const char* what;
        int column;
        std::function<int(GarLine&, int)> put;
        std::string tail;
    };
    const Case cases[] = {
        {"latitude", w - 5, [](GarLine& l, int c) { return l.PutLatLon(0, 3, c, true); }, "N 51\xB0"},
        {"time", w - 4, [](GarLine& l, int c) { return l.PutTime(0, 3, c); }, "07:5"},
        {"number", w - 3, [](GarLine& l, int c) { return l.PutInt(-123456, c, 8); }, " -1"},
        {"number ending at the end", w - 6, [](GarLine& l, int c) { return l.PutInt(-42, c, 6); }, "   -42"},
        {"past the end", w, [](GarLine& l, int c) { return l.PutInt(7, c); }, ""},
    };
    for (const Case& c : cases) {
        GarLine line(r, true);
        EXPECT_EQ(c.put(line, c.column), std::min(w, c.column + static_cast<int>(c.tail.size()))) << c.what;
        const std::string text = line.Text();
        EXPECT_EQ(text.substr(std::min(text.size(), static_cast<size_t>(c.column))), c.tail) << c.what;
    }
}

TEST(GarLineWriters, SymbolsByUnitAge) {
    const GarRecord r = RecordOf({0x00, 0x40, 4, 1});  // symbol 16384, display codes 4 and 1
    GarLine older(r, false);
    older.PutSymbol(0, 2, 0);
    EXPECT_EQ(older.Text(), "Icon= \"Airport\" (Symb & Cmnt)");
    GarLine newer(r, true);
    newer.PutSymbol(0, 3, 0);
    EXPECT_EQ(newer.Text(), "Icon= \"Airport\" (Symb only)");
    const GarRecord unknown = RecordOf({0x01, 0x01, 1});
    GarLine none(unknown, true);
    none.PutSymbol(0, 2, 0);
    EXPECT_EQ(none.Text(), "");
}

}  // namespace

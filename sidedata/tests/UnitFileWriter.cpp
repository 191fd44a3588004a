#include "sidedata/tests/UnitFileWriter.h"

#include <cmath>

namespace unitfile {

namespace {

void Grow(Bytes& b, size_t size) {
    if (b.size() < size) b.resize(size, 0);
}

constexpr uint32_t kNoOffset = 0xFFFFFFFF;

}  // namespace

void PutU8(Bytes& b, size_t at, uint8_t v) {
    Grow(b, at + 1);
    b[at] = v;
}

void PutU16(Bytes& b, size_t at, uint16_t v) {
    Grow(b, at + 2);
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(Bytes& b, size_t at, uint32_t v) {
    Grow(b, at + 4);
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutText(Bytes& b, size_t at, const std::string& text) {
    Grow(b, at + text.size());
    for (size_t i = 0; i < text.size(); ++i) b[at + i] = static_cast<uint8_t>(text[i]);
}

int32_t Circle(double degrees) {
    double units = std::round(degrees / 360.0 * 4294967296.0);
    if (units >= 2147483648.0) units -= 4294967296.0;
    return static_cast<int32_t>(static_cast<int64_t>(units));
}

Bytes Join(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// ---- Container ------------------------------------------------------------------------------

Bytes Container(const std::vector<std::string>& headerStrings, const std::vector<Section>& sections,
                size_t signatureAt, const Bytes& trailer) {
    Bytes b(signatureAt, 0x20);
    PutText(b, signatureAt, "KpGrd");
    PutU8(b, signatureAt + 5, 0);
    PutU32(b, signatureAt + 6, static_cast<uint32_t>(headerStrings.size()));
    size_t at = signatureAt + 24;
    Grow(b, at);
    for (const std::string& s : headerStrings) {
        PutText(b, at, s);
        PutU8(b, at + s.size(), 0);
        at += s.size() + 1;
    }
    for (const Section& s : sections) {
        PutU16(b, at + 5, s.type);
        PutU32(b, at + 11, static_cast<uint32_t>(s.data.size()));
        at += 15;
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), s.data.begin(), s.data.end());
        at += s.data.size();
    }
    b.resize(at);
    b.insert(b.end(), trailer.begin(), trailer.end());
    return b;
}

Bytes CycleTrailer(const std::string& cycle) {
    Bytes b(522, 0);
    PutText(b, 0, cycle.substr(0, 8));
    return b;
}

// ---- Kind 38 --------------------------------------------------------------------------------

Bytes ObstacleRecord(const Obstacle& o) {
    Bytes b;
    PutU16(b, 0, 0x103);
    size_t r = 2;
    PutText(b, r, o.name.substr(0, 13));
    Grow(b, r + 14);
    PutU32(b, r + 14, static_cast<uint32_t>(o.lat));
    PutU32(b, r + 18, static_cast<uint32_t>(o.lon));
    PutU16(b, r + 22, o.hex1);
    PutU16(b, r + 24, static_cast<uint16_t>(o.ground));
    PutU16(b, r + 26, static_cast<uint16_t>(o.agl));
    PutU16(b, r + 28, o.hex2);
    PutU8(b, r + 30, o.type);
    PutU8(b, r + 31, o.second);
    PutU8(b, r + 32, o.third);
    PutU16(b, r + 33, o.hex3);
    if (o.hex3 & 1) PutU8(b, r + 35, o.extra);
    return b;
}

Bytes LineObstacleRecord(const LineObstacle& l) {
    Bytes b;
    PutU16(b, 0, 0x104);
    size_t r = 2;
    size_t n = l.points.size();
    Grow(b, r + 37 + 8 * n);
    PutText(b, r, l.name.substr(0, 13));
    PutU8(b, r + 14, static_cast<uint8_t>(n));
    LinePoint first = n ? l.points[0] : LinePoint{};
    PutU16(b, r + 15, static_cast<uint16_t>(static_cast<uint32_t>(first.lat) >> 16));
    PutU16(b, r + 17, static_cast<uint16_t>(static_cast<uint32_t>(first.lon) >> 16));
    PutU16(b, r + 23, l.hex1);
    PutU16(b, r + 25, l.hex2);
    PutU32(b, r + 27, static_cast<uint32_t>(first.lat));
    PutU32(b, r + 31, static_cast<uint32_t>(first.lon));
    PutU16(b, r + 35, first.ground);
    PutU16(b, r + 37, first.agl);
    // The text index and the byte at 40 lie beyond a record without points.
    for (size_t k = 1; k < n; ++k) {
        size_t p = r + 37 + 8 * k;
        PutU16(b, p, static_cast<uint16_t>((l.points[k].lat - l.points[k - 1].lat) / 64));
        PutU16(b, p + 2, static_cast<uint16_t>((l.points[k].lon - l.points[k - 1].lon) / 64));
        PutU16(b, p + 4, l.points[k].ground);
        PutU16(b, p + 6, l.points[k].agl);
    }
    if (n >= 1) {
        PutU8(b, r + 39, l.text);
        PutU8(b, r + 40, l.byte40);
    }
    b.resize(2 + 37 + 8 * n);
    return b;
}

Bytes ObstacleFileData(const ObstacleData& d) {
    constexpr size_t kEntries = 28;
    constexpr size_t kHeaderAt = kEntries * 10;
    constexpr size_t kHeaderSize = 220;
    Bytes b(kHeaderAt, 0);
    auto entry = [&b](size_t i, uint32_t offset, uint16_t size, uint32_t count) {
        PutU32(b, i * 10, offset);
        PutU16(b, i * 10 + 4, size);
        PutU32(b, i * 10 + 6, count);
    };
    for (size_t i = 0; i < kEntries; ++i) entry(i, kNoOffset, 0, 0);
    entry(0, 0, 10, kEntries);
    entry(1, kHeaderAt, 1, 0);  // the header record follows entry 1's (empty) table
    // Header record.
    const ObstacleHeader& h = d.header;
    Grow(b, kHeaderAt + kHeaderSize);
    size_t hr = kHeaderAt;
    PutText(b, hr + 4, h.cycle.substr(0, 4));
    const size_t dateAt[3] = {8, 12, 20};
    for (int i = 0; i < 3; ++i) {
        PutU8(b, hr + dateAt[i], h.dates[i][0]);
        PutU8(b, hr + dateAt[i] + 1, h.dates[i][1]);
        PutU16(b, hr + dateAt[i] + 2, h.years[i]);
    }
    for (int i = 0; i < 7; ++i) PutU8(b, hr + 24 + i, h.pad[i]);
    PutText(b, hr + 31, h.partNumber.substr(0, 12));
    PutText(b, hr + 43, h.area.substr(0, 29));
    PutText(b, hr + 73, h.copyright[0].substr(0, 24));
    PutText(b, hr + 98, h.copyright[1].substr(0, 53));
    PutText(b, hr + 152, h.copyright[2].substr(0, 60));
    // Text tables 6 to 9.
    size_t at = kHeaderAt + kHeaderSize;
    auto table = [&](size_t i, uint16_t size, size_t count, auto put) {
        entry(i, static_cast<uint32_t>(at), size, static_cast<uint32_t>(count));
        Grow(b, at + size * count);
        for (size_t k = 0; k < count; ++k) put(at + k * size, k);
        at += size * count;
    };
    table(6, 40, d.typeTexts.size(), [&](size_t p, size_t k) {
        PutText(b, p, d.typeTexts[k].first.substr(0, 29));
        PutText(b, p + 30, d.typeTexts[k].second.substr(0, 8));
    });
    table(7, 32, d.lineTexts.size(), [&](size_t p, size_t k) { PutText(b, p, d.lineTexts[k].substr(0, 31)); });
    table(8, 32, d.secondTexts.size(), [&](size_t p, size_t k) { PutText(b, p, d.secondTexts[k].substr(0, 31)); });
    table(9, 32, d.thirdTexts.size(), [&](size_t p, size_t k) { PutText(b, p, d.thirdTexts[k].substr(0, 31)); });
    // Records.
    std::vector<char> order = d.order;
    if (order.empty()) {
        order.assign(d.obstacles.size(), 'O');
        order.insert(order.end(), d.lines.size(), 'L');
    }
    size_t o = 0, l = 0;
    b.reserve(b.size() + d.obstacles.size() * 38 + d.lines.size() * 64);
    for (char c : order) {
        Bytes r = c == 'O' ? ObstacleRecord(d.obstacles.at(o++)) : LineObstacleRecord(d.lines.at(l++));
        b.insert(b.end(), r.begin(), r.end());
    }
    return b;
}

// ---- Kind 39 --------------------------------------------------------------------------------

Bytes FixedFileData(const FixedData& d) {
    constexpr size_t kIndexAt = 172;
    Bytes b(kIndexAt, 0);
    for (int i = 0; i < 3; ++i) {
        PutU16(b, 16 + 2 * i, static_cast<uint16_t>(d.corner1[i]));
        PutU16(b, 146 + 2 * i, static_cast<uint16_t>(d.corner2[i]));
    }
    PutText(b, 28, d.copyright1.substr(0, 19));
    PutText(b, 48, d.copyright2.substr(0, 39));
    PutText(b, 88, d.region.substr(0, 31));
    PutText(b, 120, "006-D0123");
    uint32_t total = 0;
    for (const auto& g : d.groups) total += static_cast<uint32_t>(g.size());
    PutU32(b, 152, total);
    PutU32(b, 156, static_cast<uint32_t>(d.groups.size()));
    size_t records = kIndexAt + 10 * d.groups.size();
    Grow(b, records);
    for (size_t i = 0; i < d.groups.size(); ++i) {
        const auto& g = d.groups[i];
        size_t e = kIndexAt + 10 * i;
        PutU32(b, e, g.empty() ? 0 : static_cast<uint32_t>(records));
        PutU32(b, e + 4, static_cast<uint32_t>(g.size()));
        PutU16(b, e + 8, 0);
        for (const FixedObstacle& f : g) {
            // 2^31 units to the circle.
            PutU32(b, records, static_cast<uint32_t>(Circle(f.lat) / 2));
            PutU32(b, records + 4, static_cast<uint32_t>(Circle(f.lon) / 2));
            PutU16(b, records + 8, static_cast<uint16_t>(f.msl));
            PutU16(b, records + 10, static_cast<uint16_t>(f.agl << 2 | (f.lit ? 2 : 0)));
            records += 12;
        }
    }
    return b;
}

// ---- Section records ------------------------------------------------------------------------

namespace {

// A record: type, head of 8, 12 or 16 bytes with the body length in its last word, the body,
// and extra trailing bytes.
Bytes Record(uint32_t type, size_t head, const std::vector<uint32_t>& sections, Bytes body, size_t extra = 0) {
    Grow(body, head);
    size_t length = body.size() - head;
    PutU32(body, 0, type);
    for (size_t i = 0; i < sections.size(); ++i) PutU32(body, 4 + 4 * i, sections[i]);
    PutU32(body, head - 4, static_cast<uint32_t>(length));
    body.resize(body.size() + extra, 0);
    return body;
}

Bytes TextAt(size_t lengthAt, const std::string& text) {
    Bytes b(lengthAt, 0);
    PutU16(b, lengthAt, static_cast<uint16_t>(text.size()));
    PutText(b, lengthAt + 2, text);
    Grow(b, lengthAt + 2 + text.size());
    return b;
}

}  // namespace

Bytes TitleRecord(const std::string& text) { return Record(0, 8, {}, TextAt(22, text)); }

Bytes FourRecord(uint16_t word) {
    Bytes body(10, 0);
    PutU16(body, 8, word);
    return Record(4, 8, {}, body);
}

Bytes DescriptionRecord(const std::string& text) { return Record(0x80001, 8, {}, TextAt(46, text), 4); }

Bytes VrpRecord(const std::string& name, int32_t lat, int32_t lon, const std::string& remark, bool hasRemark) {
    Bytes body = TextAt(29, name);
    PutU32(body, 12, static_cast<uint32_t>(lat));
    PutU32(body, 16, static_cast<uint32_t>(lon));
    if (hasRemark) {
        uint32_t remarkAt = static_cast<uint32_t>(name.size() + 20);  // from offset 31
        PutU32(body, 8, remarkAt);
        PutU16(body, 31 + remarkAt, static_cast<uint16_t>(remark.size()));
        PutText(body, 31 + remarkAt + 2, remark);
        Grow(body, 31 + remarkAt + 2 + remark.size());
    } else {
        PutU32(body, 8, static_cast<uint32_t>(name.size()));
        Grow(body, name.size() + 40);  // not longer than name + 52: no remark
    }
    return Record(0x80002, 8, {}, body, 4);
}

Bytes SectionEndRecord(uint32_t section, const std::string& text) {
    return Record(0x80007, 12, {section}, TextAt(20, text));
}

Bytes SectionBoxRecord(uint32_t section, int32_t lat1, int32_t lon1, int32_t lat2, int32_t lon2) {
    Bytes body(28, 0);
    PutU32(body, 12, static_cast<uint32_t>(lat1));
    PutU32(body, 16, static_cast<uint32_t>(lon1));
    PutU32(body, 20, static_cast<uint32_t>(lat2));
    PutU32(body, 24, static_cast<uint32_t>(lon2));
    return Record(0x80008, 12, {section}, body);
}

Bytes SectionStartRecord(uint32_t section1, uint32_t section2, const std::string& text) {
    return Record(0x80009, 16, {section1, section2}, TextAt(18, text));
}

Bytes EndOfFileRecord() { return Record(0xFFFF, 8, {}, Bytes(8, 0)); }

Bytes UnknownRecord(uint32_t type, size_t bodyLength) {
    size_t head = type > 0x80008 ? 16 : type >= 0x80003 ? 12 : 8;
    std::vector<uint32_t> sections(head == 8 ? 0 : (head - 8) / 4, 0);
    return Record(type, head, sections, Bytes(head + bodyLength, 0xAB));
}

// ---- Fixtures --------------------------------------------------------------------------------

namespace {

Bytes Filler(size_t n, uint8_t v) { return Bytes(n, v); }

Bytes VrpRun() {
    return Join({TitleRecord("Test VRPs"), DescriptionRecord("Visual reporting points for tests"),
                 SectionStartRecord(1, 2, "Sector One"),
                 SectionBoxRecord(1, Circle(51.0), Circle(-1.5), Circle(52.0), Circle(0.5)),
                 VrpRecord("Alpha Tower", Circle(51.5), Circle(-0.25), "Control tower<br>", true),
                 VrpRecord("North Gate", Circle(51.25), Circle(0.125), "", false),
                 VrpRecord("Lake 2", Circle(-33.75), Circle(151.5), "", false),
                 VrpRecord("ABCDE", Circle(10.0), Circle(20.0), "", false),
                 VrpRecord("abcde", Circle(10.5), Circle(20.5), "", false),
                 VrpRecord("A-B-C-D-E", Circle(11.0), Circle(-179.75), "", false), FourRecord(0x1234),
                 SectionEndRecord(1, "Sector One"), EndOfFileRecord()});
}

Bytes MarkupRun() {
    return Join({TitleRecord("Air sports"), VrpRecord("Glider Site", Circle(47.5), Circle(8.25), "Open<B>Daylight only", true),
                 VrpRecord("Para Site", Circle(47.75), Circle(8.5), "Open<br>Daylight", true), EndOfFileRecord()});
}

ObstacleData SampleObstacles() {
    ObstacleData d;
    d.typeTexts = {{"Mast", "M"}, {"Building", "B"}, {"Wind turbine", "WT"}};
    d.lineTexts = {"Power line", "Cable car"};
    d.secondTexts = {"Lit", "Unlit"};
    d.thirdTexts = {"", "Marked"};
    Obstacle a;
    a.name = "MAST ONE";
    a.lat = Circle(51.5);
    a.lon = Circle(-0.5);
    a.hex1 = 0x1a2b;
    a.ground = 200;
    a.agl = 800;
    a.hex2 = 0x0102;
    a.type = 0;
    a.second = 0;
    a.third = 1;
    Obstacle b = a;
    b.name = "TURBINE";
    b.lat = Circle(-12.25);
    b.lon = static_cast<int32_t>(0x80000000);  // 180 degrees
    b.type = 2;
    b.second = 1;
    b.third = 0;
    b.ground = 10;
    b.agl = 394;
    b.hex3 = 0x0301;  // flags bit 0: the extra byte
    b.extra = 0x5c;
    d.obstacles = {a, b};
    LineObstacle line;
    line.name = "LINE A";
    line.hex1 = 0x00ff;
    line.hex2 = 0x1000;
    line.text = 0;
    line.byte40 = 0x42;
    line.points = {{Circle(50.0), Circle(7.0), 100, 60}, {Circle(50.0) + 64 * 100, Circle(7.0) + 64 * 50, 110, 65},
                   {Circle(50.0) + 64 * 300, Circle(7.0) - 64 * 20, 120, 70}};
    LineObstacle empty;
    empty.name = "NO POINTS";
    d.lines = {line, line, empty};
    return d;
}

FixedData SampleFixed() {
    FixedData d;
    // 376 m is 1234 ft, 3762 m is 12342 ft; AGL 120 m is 394 ft, 80 m is 262 ft, 100 m is 328 ft.
    d.groups = {{{51.5, -1.25, 376, 120, true}, {51.6, -1.3, 376, 80, false}, {51.7, -1.35, 376, 100, false}},
                {},
                {{-20.5, 30.25, 3762, 200, true}, {-20.75, 30.5, 3762, 200, false}}};
    return d;
}

}  // namespace

std::vector<std::pair<std::string, Bytes>> Fixtures() {
    Bytes obstacles = ObstacleFileData(SampleObstacles());
    return {
        {"vrp51.awp", Container({"VRP test file", "made by the test writer"},
                                {{12, Filler(20, 1)}, {50, Filler(7, 2)}, {51, VrpRun()}}, 3)},
        {"vrp79.awp", Container({"VRP 79"}, {{79, VrpRun()}})},
        {"airsports55.awp", Container({"Air sports"}, {{55, MarkupRun()}})},
        {"aopa76.awp", Container({"AOPA"}, {{76, MarkupRun()}})},
        {"obstacles38.awp", Container({"Obstacles"}, {{12, Filler(4, 0)}, {38, obstacles}})},
        {"obstacles53.awp", Container({"Obstacles"}, {{53, obstacles}})},
        {"bare38.taw", obstacles},
        {"fixed39.awp", Container({"Fixed obstacles"}, {{53, FixedFileData(SampleFixed())}}, 0, CycleTrailer("24B1"))},
        {"nothing.awp", Container({"Nothing here"}, {{12, Filler(4, 0)}, {50, Filler(4, 0)}, {60, Filler(16, 0)}})},
    };
}

}  // namespace unitfile

// The airspace lines of a 696 listing: the records of sections 39 (first group, 30 bytes) and
// 40 (second group, 27 bytes), and their shapes read back from section 41.
#include <cstdio>

#include "common/Bits.h"
#include "common/CoordinateFormat.h"
#include "common/HeightRange.h"
#include "gen696/SuaKinds696.h"
#include "gen696/Listing696.h"

namespace {

constexpr int kSectionSuaA = 39;
constexpr int kSectionSuaB = 40;
constexpr int kSectionShapes = 41;
constexpr uint32_t kShapeBytesMax = 4096;
constexpr size_t kShapeEntriesMax = 767;
constexpr uint32_t kNoAirport = 0x3FFFF;
constexpr int kNameColumn = 8;
constexpr uint32_t kRowBytes = 40;
constexpr uint32_t kDetailBytesMax = 160;
constexpr const char* kCorrupt = "<**corrupt**>";


int32_t SignExtend(uint32_t value, int bits) {
    const uint32_t sign = 1u << (bits - 1);
    value &= (sign << 1) - 1;
    return static_cast<int32_t>(value ^ sign) - static_cast<int32_t>(sign);
}

int32_t Step(int32_t steps1024) { return static_cast<int32_t>(static_cast<uint32_t>(steps1024) << 10); }

// Plus with the sum taken modulo 2^32 (a longitude across the date line).
int32_t Add(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }

std::string Position(int32_t lat, int32_t lon) {
    char text[kPositionPairTextSize];
    FormatCoordinate(text, lat, false, kNotationCompact);
    std::string out = text;
    FormatCoordinate(text, lon, true, kNotationCompact);
    return out + " " + text;
}

uint32_t ShapePosition(const uint8_t* record) { return U24At(record + 17); }

// The airspace's name and its controlling unit: byte offsets in bytes 24-26 and 21-23, start
// bits at stream bits 99-101 and 43-45 (over the limits' upper bits).
uint32_t AreaName(const uint8_t* record) { return (U24At(record + 24) & 0x1FFFFF) | GetBits(99, 3, record) << 21; }
uint32_t Controller(const uint8_t* record) { return (U24At(record + 21) & 0x1FFFFF) | GetBits(43, 3, record) << 21; }
// Floor and ceiling in hundreds of feet: 10 bits each.
long Limit(const uint8_t* at) { return static_cast<long>(U16At(at) & 0x3FF) * 100; }

// Bytes [from, to) of section 41 that the shape of `index` may take.
bool ShapeBounds(const ListedImage696& image, uint32_t index, uint32_t* from, uint32_t* to) {
    uint32_t size = 0;
    bool first = false;
    const uint8_t* record = SuaRecord696(image, index, &size, &first);
    const ListedImage696::Span shapes = image.Bytes(kSectionShapes);
    if (!record || shapes.size == 0) return false;
    const uint32_t at = ShapePosition(record);
    const uint32_t end = shapes.start + shapes.size;
    if (at < shapes.start || at >= end) return false;
    uint32_t limit = end;
    const uint8_t* next = SuaRecord696(image, index + 1, &size, &first);
    if (next && ShapePosition(next) > at && ShapePosition(next) < limit) limit = ShapePosition(next);
    if (limit - at > kShapeBytesMax) limit = at + kShapeBytesMax;
    *from = at;
    *to = limit;
    return true;
}

}  // namespace

uint32_t SuaCount696(const ListedImage696& image) {
    return image.RecordCount(kSectionSuaA) + image.RecordCount(kSectionSuaB);
}

const uint8_t* SuaRecord696(const ListedImage696& image, uint32_t index, uint32_t* size, bool* firstGroup) {
    const uint32_t a = image.RecordCount(kSectionSuaA);
    *firstGroup = index < a;
    const int section = *firstGroup ? kSectionSuaA : kSectionSuaB;
    *size = image.RecordSize(section);
    const uint32_t needed = *firstGroup ? 30 : 27;
    if (*size < needed) return nullptr;
    return image.Record(section, *firstGroup ? index : index - a);
}

std::vector<SuaPoint696> ReadSuaShape696(const ListedImage696& image, uint32_t index) {
    std::vector<SuaPoint696> points;
    uint32_t size = 0;
    bool first = false;
    const uint8_t* record = SuaRecord696(image, index, &size, &first);
    if (!record) return points;
    const Box696 box = AirspaceBox696(record);
    SuaPoint696 start;
    start.lat = box.south;
    start.lon = Add(box.west, static_cast<int32_t>(U16At(record + 14) << 16 | (record[16] & 0x3Fu) << 10));
    points.push_back(start);
    uint32_t from = 0;
    uint32_t to = 0;
    if (!ShapeBounds(image, index, &from, &to)) {
        SuaPoint696 bad;
        bad.kind = SuaPoint696::Corrupt;
        points.push_back(bad);
        return points;
    }
    const uint8_t* data = image.Data();
    int32_t lat = start.lat;
    int32_t lon = start.lon;
    const bool heightHeader = (record[20] & 0x10) != 0;
    for (uint32_t at = from; at < to && points.size() <= kShapeEntriesMax;) {
        SuaPoint696 p;
        const uint8_t* e = data + at;
        const uint32_t left = to - at;
        auto take = [&](uint32_t n) {
            if (n > left) return false;
            p.size = static_cast<uint8_t>(n);
            for (uint32_t i = 0; i < n; ++i) p.bytes[i] = e[i];
            return true;
        };
        bool ok = true;
        if (heightHeader && points.size() == 1) {
            p.kind = SuaPoint696::HeightHeader;
            ok = take(3);
        } else if ((e[0] & 3) == 1) {
            ok = take(4);
            if (ok) {
                const uint32_t v = e[0] | e[1] << 8 | e[2] << 16 | static_cast<uint32_t>(e[3]) << 24;
                lon = Add(lon, Step(SignExtend(v >> 2, 15)));
                lat = Add(lat, Step(SignExtend(v >> 17, 15)));
            }
        } else if ((e[0] & 3) == 3 && left >= 3 && e[0] == 3 && (e[1] & 0x1F) == 0x1F && e[2] == 0) {
            switch (e[1] >> 5) {
            case 0: p.kind = SuaPoint696::ArcPointsFollow; ok = take(3); break;
            case 1: p.kind = SuaPoint696::EndOfArcPoints; ok = take(3); break;
            case 2:
            case 3: p.kind = SuaPoint696::Arc; ok = take(11); break;
            case 4: p.kind = SuaPoint696::Circle; ok = take(10); break;
            default: p.kind = SuaPoint696::OtherArc; ok = take(3); break;
            }
            if (ok && (p.kind == SuaPoint696::Arc || p.kind == SuaPoint696::Circle)) {
                const uint32_t lonSteps = e[3] | e[4] << 8 | (e[5] & 3u) << 16;
                const uint32_t latSteps = U24At(e + 5) >> 2;
                p.lon = Add(lon, Step(SignExtend(lonSteps, 18)));
                p.lat = Add(lat, Step(SignExtend(latSteps, 18)));
            }
        } else if ((e[0] & 3) == 3) {
            ok = take(3);
            if (ok) {
                const uint32_t v = U24At(e);
                lon = Add(lon, Step(SignExtend(v >> 2, 11)));
                lat = Add(lat, Step(SignExtend(v >> 13, 11)));
            }
        } else {
            ok = false;
        }
        if (!ok) {
            SuaPoint696 bad;
            bad.kind = SuaPoint696::Corrupt;
            points.push_back(bad);
            return points;
        }
        if (p.kind == SuaPoint696::Plain) {
            p.lat = lat;
            p.lon = lon;
        }
        points.push_back(p);
        at += p.size;
    }
    // A last point within 1024 or 2048 units of the first closes the boundary.
    SuaPoint696& last = points.back();
    if (points.size() > 1 && last.kind == SuaPoint696::Plain) {
        for (int32_t* v : {&last.lat, &last.lon}) {
            const int32_t d = v == &last.lat ? Add(last.lat, -start.lat) : Add(last.lon, -start.lon);
            if (d == 1024 || d == -1024 || d == 2048 || d == -2048) *v = v == &last.lat ? start.lat : start.lon;
        }
    }
    return points;
}

uint32_t SuaLineCount696(ListingState696& state, const ListingFlags& flags, uint32_t index) {
    const ListedImage696& image = *state.image;
    uint32_t size = 0;
    bool first = false;
    const uint8_t* record = SuaRecord696(image, index, &size, &first);
    if (!record) return 0;
    const std::string name = image.NamePointerText(AreaName(record));
    const std::string controller = image.NamePointerText(Controller(record));
    const bool passes = state.filter.AirspacePasses(AirspaceBox696(record), name, controller, record[20] & 15, first);
    if (!state.filter.Listed(passes)) return 0;
    state.shapeOf = static_cast<int32_t>(index);
    state.shape = ReadSuaShape696(image, index);
    uint32_t lines = 1 + static_cast<uint32_t>(state.shape.size());
    if (flags.extraLevel) {
        uint32_t from = 0;
        uint32_t to = 0;
        const uint32_t bytes = ShapeBounds(image, index, &from, &to) ? std::min(to - from, kDetailBytesMax) : 0;
        lines += 1 + (bytes + kRowBytes - 1) / kRowBytes;
    }
    return std::min(lines, kSuaSubLines696);
}

void FormatSuaLine696(ListingState696& state, const ListingFlags& flags, uint32_t index, uint32_t sub,
                      std::string& out) {
    const ListedImage696& image = *state.image;
    uint32_t size = 0;
    bool first = false;
    const uint8_t* record = SuaRecord696(image, index, &size, &first);
    if (!record) return;
    if (state.shapeOf != static_cast<int32_t>(index)) {
        state.shapeOf = static_cast<int32_t>(index);
        state.shape = ReadSuaShape696(image, index);
    }
    char text[64];
    if (sub == 0) {
        ListingLine line;
        int at = line.Append(0, first ? "SUA(a)" : "SUA(b)");
        if (flags.recordNumbers) at = line.Format(at, "%x", index);
        at = line.Append(std::max(kNameColumn, at + 1), image.NamePointerText(AreaName(record)).c_str());
        at = line.Format(at, " {%s P%d} %5ld to %6ld", kSuaKinds696[record[20] & 15][size == 30 ? 0 : 1],
                         record[20] >> 5 & 3, Limit(record + 4),
                         Limit(record + 11));
        const uint32_t controller = Controller(record);
        if (!image.IsBlankName(controller)) {
            at = line.Format(at, " (%s)", image.NamePointerText(controller).c_str());
        }
        const uint32_t airport = U24At(record + 27) & kNoAirport;
        if (first && airport < image.PointCount(kApt696)) {
            at = line.Format(at, " {%s}", image.Ident(kApt696, airport, image.Point(kApt696, airport)).c_str());
        }
        if (flags.debugLevel & 2) {
            line.Format(at, " %08lx/%08lx", static_cast<unsigned long>(U24At(record) | record[3] << 24),
                        static_cast<unsigned long>(U24At(record + 7) | record[10] << 24));
        }
        out.assign(line.Text(), static_cast<size_t>(line.Trim()));
        return;
    }
    uint32_t point = sub - 1;
    if (flags.extraLevel) {
        uint32_t from = 0;
        uint32_t to = 0;
        const uint32_t bytes = ShapeBounds(image, index, &from, &to) ? std::min(to - from, kDetailBytesMax) : 0;
        const uint32_t rows = (bytes + kRowBytes - 1) / kRowBytes;
        if (point == 0) {
            out = "[";
            for (uint32_t i = 0; i < size; ++i) out += (std::snprintf(text, sizeof text, " %02x", record[i]), text);
            out += "]";
            return;
        }
        if (point <= rows) {
            out = " ";
            const uint32_t begin = from + (point - 1) * kRowBytes;
            for (uint32_t i = begin; i < from + bytes && i < begin + kRowBytes; ++i) {
                out += (std::snprintf(text, sizeof text, " %02x", image.Data()[i]), text);
            }
            return;
        }
        point -= 1 + rows;
    }
    if (point >= state.shape.size()) return;
    const SuaPoint696& p = state.shape[point];
    std::snprintf(text, sizeof text, "       %3d ", static_cast<int>(point));
    out = text;
    if (state.shape.size() == 1) {
        out += " ********* corrupt pointers ***********";
        return;
    }
    switch (p.kind) {
    case SuaPoint696::Plain:
        out += Position(p.lat, p.lon);
        break;
    case SuaPoint696::ArcPointsFollow: out += "Arc Points Follow"; break;
    case SuaPoint696::EndOfArcPoints: out += "End of Arc Points"; break;
    case SuaPoint696::Arc: {
        const uint32_t radius = U16At(p.bytes + 8);
        std::snprintf(text, sizeof text, "%s %dpt Arc%s, %.2fnm Radius, Centre ", (p.bytes[10] & 0x40) ? "CW" : "ACW",
                      p.bytes[10] & 0x3F, p.bytes[1] == 0x7F ? ">180" : "", radius * 500.0 / 96920);
        out += text + Position(p.lat, p.lon);
        if (flags.recordNumbers) out += " (" + std::to_string(radius) + ")";
        break;
    }
    case SuaPoint696::Circle: {
        const uint32_t radius = U16At(p.bytes + 8);
        std::snprintf(text, sizeof text, "Circle, %.2fnm Diam, Centre ", radius * 1000.0 / 96920);
        out += text + Position(p.lat, p.lon);
        if (flags.recordNumbers) out += " (" + std::to_string(radius) + ")";
        break;
    }
    case SuaPoint696::HeightHeader:
        text[0] = '\0';
        AppendHeightRange(text, sizeof text, p.bytes[0], p.bytes[1], p.bytes[2], 0);
        out += text;
        break;
    case SuaPoint696::OtherArc: out += "***arc***"; break;
    case SuaPoint696::Corrupt: out += kCorrupt; break;
    }
    if (point + 1 == state.shape.size() && p.kind == SuaPoint696::Plain &&
        (p.lat != state.shape[0].lat || p.lon != state.shape[0].lon)) {
        out += "*********";
    }
}

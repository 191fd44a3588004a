#include "transfer/common/GarFastLines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "transfer/common/GarRecordFormat.h"
#include "transfer/common/GarTables.h"
#include "transfer/common/tests/TransferTestSupport.h"

using namespace transfertest;

namespace {

std::vector<std::string> GeneralLines(const GarRecord& r, bool newer, int number, size_t count) {
    std::vector<std::string> lines(count);
    GarLine line(r, newer);
    for (size_t s = 0; s < count; ++s) {
        line.Clear();
        FormatGarRecord(line, static_cast<int>(s), number);
        line.TextTo(lines[s]);
    }
    return lines;
}

// Record values that random bytes seldom give: ties of the minutes' rounding, the ends of the
// circle, times without a date, floats beyond any height.
class Values {
public:
    explicit Values(uint32_t seed) : rng_(seed) {}

    uint32_t Any() { return static_cast<uint32_t>(rng_()); }
    int Below(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }

    int32_t Angle() {
        static const int32_t kEdges[] = {0, 1, -1, 63, 64, -64, INT32_MAX, INT32_MIN, INT32_MAX - 63,
                                         Semicircles(33.046875), Semicircles(-26.015625), Semicircles(89.9999999),
                                         Semicircles(-99.5), Semicircles(179.99999), Semicircles(-0.0000001)};
        switch (Below(4)) {
            case 0: return kEdges[Below(static_cast<int>(std::size(kEdges)))];
            case 1: {
                // An exact half of a thousandth of a minute (an odd multiple of 2^23), or beside one.
                const int64_t tie = (2 * int64_t{Below(128)} + 1) << 23;
                return static_cast<int32_t>((tie + 64 * (Below(3) - 1)) * (Below(2) ? 1 : -1));
            }
            default: return static_cast<int32_t>(Any());
        }
    }
    int32_t Time() {
        static const int32_t kEdges[] = {0, -1, -2, 1, 86399, 86400, 86400 * 790 + 5, INT32_MAX, 444726309};
        if (Below(3) == 0) return kEdges[Below(static_cast<int>(std::size(kEdges)))];
        return static_cast<int32_t>(Any() >> Below(8));
    }
    float Metres() {
        static const float kEdges[] = {1.0e25f,  0.0f,    -0.0f,    1000.0f,   -3.0e4f,
                                       1.5f,     1.524f,  -1.524f,  304800.0f, 3.0e8f,
                                       3.048e8f, -3.048e7f, std::numeric_limits<float>::infinity(),
                                       std::numeric_limits<float>::quiet_NaN()};
        if (Below(3) == 0) return kEdges[Below(static_cast<int>(std::size(kEdges)))];
        return static_cast<float>(static_cast<int32_t>(Any()) % 200000) / static_cast<float>(1 + Below(100));
    }
    // A zero-ended string of printable text, blanks, '_', control bytes; now and then unended.
    void String(Bytes& b) {
        const int length = Below(4) == 0 ? Below(60) : Below(12);
        for (int i = 0; i < length; ++i) {
            const int kind = Below(20);
            b.push_back(static_cast<uint8_t>(kind == 0 ? ' ' : kind == 1 ? '_' : kind == 2 ? 1 + Below(31) : 33 + Below(200)));
        }
        if (Below(10) != 0) b.push_back(0);
    }
    // Mostly the number after the previous one.
    int Number(int previous) {
        static const int kEdges[] = {0, 9, 99, 999, 9998, 9999, 99998, 99999};
        switch (Below(8)) {
            case 0: return kEdges[Below(static_cast<int>(std::size(kEdges)))];
            case 1: return Below(2000000);
            case 2: return 1 + Below(10000);
            default: return previous + 1;
        }
    }

private:
    std::mt19937 rng_;
};

void PutAt(Bytes& b, size_t at, const void* value, size_t size) {
    if (b.size() < at + size) b.resize(at + size);
    std::memcpy(&b[at], value, size);
}

// A track point; mostly the previous one moved on a little, as points of a log follow each other.
Bytes TrackBytes(Values& v, bool newer, const Bytes& previous) {
    Bytes b = previous;
    const bool follows = b.size() == 24 && v.Below(3) != 0;
    if (!follows) {
        b.clear();
        for (int i = 0; i < 24; ++i) b.push_back(static_cast<uint8_t>(v.Any()));
    }
    int32_t lat = v.Angle(), lon = v.Angle(), time = v.Time();
    float metres = v.Metres();
    if (follows) {
        uint32_t before;
        std::memcpy(&before, &b[8], 4);
        time = static_cast<int32_t>(before + static_cast<uint32_t>(v.Below(4) == 0 ? v.Below(200) : v.Below(3)));
        if (v.Below(2)) std::memcpy(&lat, &b[0], 4);
        if (v.Below(2)) std::memcpy(&lon, &b[4], 4);
        if (v.Below(2)) std::memcpy(&metres, &b[12], 4);
    }
    PutAt(b, 0, &lat, 4);
    PutAt(b, 4, &lon, 4);
    PutAt(b, 8, &time, 4);
    if (newer) PutAt(b, 12, &metres, 4);
    b[newer ? 20 : 12] = static_cast<uint8_t>(v.Below(4) ? 0 : v.Any());
    return b;
}

Bytes WaypointBytes(Values& v) {
    static const uint8_t kLayouts[] = {0x60, 0x70, 0x80, 0x00, 0x90};
    static const uint16_t kSymbols[] = {18, 16384, 8198, 156, 0, 3, 16402};
    const uint8_t layout = kLayouts[v.Below(static_cast<int>(std::size(kLayouts)))];
    Bytes b;
    for (int i = 0; i < 62; ++i) b.push_back(static_cast<uint8_t>(v.Any()));
    b[3] = layout;
    b[layout == 0x60 ? 0 : 1] = static_cast<uint8_t>(v.Below(3) == 0 ? v.Any() : 60 + v.Below(10));
    b[2] = static_cast<uint8_t>(v.Below(4));
    const uint16_t symbol = kSymbols[v.Below(static_cast<int>(std::size(kSymbols)))];
    PutAt(b, 4, &symbol, 2);
    const int32_t lat = v.Angle(), lon = v.Angle(), time = v.Time();
    const float metres = v.Metres();
    PutAt(b, 24, &lat, 4);
    PutAt(b, 28, &lon, 4);
    PutAt(b, 32, &metres, 4);
    PutAt(b, 56, &time, 4);
    if (v.Below(3) != 0) {
        b[44] = static_cast<uint8_t>("AZ09 _"[v.Below(6)]);
        b[46] = static_cast<uint8_t>(v.Below(4) == 0 ? v.Below(40) : 'A' + v.Below(26));
    }
    b.resize(layout == 0x60 ? 48 : layout == 0x70 ? 52 : 62);
    for (int s = 0; s < 4; ++s) v.String(b);
    return b;
}

// Every record the fast writers take comes out as the general writers make it, whatever its
// bytes and whatever line came before: values at the edges of their fields, records cut
// anywhere, lines cut at their end, points that follow each other.
TEST(GarFastLines, SameBytesAsTheGeneralWriters) {
    const struct {
        const char* what;
        int id;
        bool newer;
        size_t lines;
    } layouts[] = {
        {"newer track point", kGarTrackPoint, true, 1},
        {"older track point", kGarTrackPoint, false, 1},
        {"user waypoint", kGarUserWaypoint, true, 4},
        {"route waypoint", kGarRouteWaypoint, true, 4},
    };
    Values v(2024);
    for (const auto& layout : layouts) {
        GarFastLines fast;
        int taken = 0;
        Bytes previous;
        int number = 0;
        for (int i = 0; i < 20000; ++i) {
            Bytes b = layout.id == kGarTrackPoint ? TrackBytes(v, layout.newer, previous) : WaypointBytes(v);
            previous = b;
            if (v.Below(8) == 0) b.resize(static_cast<size_t>(v.Below(static_cast<int>(b.size()) + 1)));
            if (b.size() > 255) b.resize(255);
            GarRecord r;
            r.id = layout.id;
            r.size = static_cast<int>(b.size());
            std::memset(r.data, 0xEE, sizeof r.data);
            std::memcpy(r.data, b.data(), b.size());
            number = v.Number(number);
            std::vector<std::string> lines(layout.lines, "stale");
            if (!fast.Format(r, layout.newer, number, lines)) continue;
            ++taken;
            const std::vector<std::string> expected = GeneralLines(r, layout.newer, number, layout.lines);
            ASSERT_EQ(lines, expected) << layout.what << ", record " << i << ", number " << number;
        }
        EXPECT_GT(taken, 5000) << layout.what << ": the fast writers take the common records";
    }
}

// Records the fast writers leave to the general ones, which show them otherwise.
TEST(GarFastLines, DeclinedRecords) {
    GarRecord track;
    track.id = kGarTrackPoint;
    track.size = 24;
    const float far = -3.1e7f;
    std::memcpy(track.data + 12, &far, 4);
    GarRecord proximity;
    proximity.id = kGarProximity;
    proximity.size = 60;
    GarRecord waypoint = proximity;
    waypoint.id = kGarUserWaypoint;
    GarRecord header;
    header.id = kGarTrackHeader;
    header.size = 4;
    const struct {
        const char* what;
        const GarRecord& record;
        bool newer;
        int number;
        size_t lines;
    } cases[] = {
        {"feet below sea level running into the time", track, true, 1, 1},
        {"a number running into the latitude", track, false, 100000, 1},
        {"a track point on four lines", track, false, 1, 4},
        {"a proximity distance", proximity, true, 1, 4},
        {"an older waypoint", waypoint, false, 1, 4},
        {"a track header", header, true, 1, 1},
    };
    GarFastLines fast;
    for (const auto& c : cases) {
        std::vector<std::string> lines(c.lines, "kept");
        EXPECT_FALSE(fast.Format(c.record, c.newer, c.number, lines)) << c.what;
        EXPECT_EQ(lines, std::vector<std::string>(c.lines, "kept")) << c.what;
    }
}

}  // namespace

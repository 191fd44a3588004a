// The example image of the listing tests and a fixture that opens it as a listing source.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gen/shell/CGenDoc.h"
#include "gen/shell/GenSettings.h"
#include "gen/listing/ListingSession.h"
#include "gen/shell/OperationContext.h"
#include "gen/listing/SectionListing.h"
#include "gen/testsupport/ListingTestImage.h"

namespace listtest {

// A threshold word: the airport's position less the threshold's, in units of 128.
inline int32_t ThresholdWord(int32_t aptLat, int32_t aptLon, int32_t lat, int32_t lon) {
    const uint32_t dLat = (static_cast<uint32_t>(aptLat) - static_cast<uint32_t>(lat)) >> 7;
    const uint32_t dLon = (static_cast<uint32_t>(aptLon) - static_cast<uint32_t>(lon)) >> 7;
    return static_cast<int32_t>(dLat << 16 | (dLon & 0xFFFF));
}

inline ExampleBuilder ExampleData(const ImageParams& params = ImageParams496) {
    ExampleBuilder b(params);
    b.names = {"BERLIN",       "BOSTON",   "BOSTON CENTER",     "FRANKFURT",  "KENNEDY INTL",
               "LOGAN INTL",   "NEW YORK", "NEW YORK APPROACH", "ORLY",       "PARIS",
               "R-4001 ALPHA", "TEGEL",    "WASHINGTON FSS",    "WATER//TOWN"};
    std::sort(b.names.begin(), b.names.end());
    auto n = [&](const char* text) { return b.Name(text); };

    std::vector<uint8_t> restriction;
    EncodeRestrictionText("R:090-270 BELOW 3000 ABOVE 1000 REMOTEVOR TGL UNK20 WEEKDAYS ONLY", &restriction);

    ExampleAirport eddt{"EDDT", 52.5597, 13.2877, 0, "TEGEL", "BERLIN", 0x14, 122, {}, {}, {}};
    eddt.runways = {{9900, 150, 0x20, 8 | 2 << 5, 0, 0, 0}, {7900, 150, 0x12, 8 | 3 << 5, 0, 0, 0}};
    eddt.frequencies = {{4, 11870, 0, {}}, {0x80, 12590, 0, {}}, {3, 12175, 0, restriction}};

    ExampleAirport kbos{"KBOS", 42.3629, -71.0064, 2, "LOGAN INTL", "BOSTON", 0, 20, {}, {}, {}};
    kbos.runways = {{10000, 150, 0x21, 4 | 3 << 5, 0, 0, 0}};
    kbos.brief = true;

    ExampleAirport kjfk{"KJFK", 40.6398, -73.7789, 2, "KENNEDY INTL", "NEW YORK", 0x140, 13, {}, {}, {}};
    const int32_t aLat = Deg(kjfk.lat), aLon = Deg(kjfk.lon);
    const int32_t t1 = ThresholdWord(aLat, aLon, aLat - Deg(0.0125), aLon - Deg(0.0125));
    const int32_t t2 = ThresholdWord(aLat, aLon, aLat + Deg(0.025), aLon + Deg(0.0125));
    const RunwayPicture pic = PackRunwayPicture(3, t1, t2);
    kjfk.runways = {{12000, 200, 0x30 | 0x40, 4 | 2 << 5, 0x12, pic.start, static_cast<int32_t>(pic.picture)},
                    {8400, 150, 0x01, 13 | 3 << 5, -1, 0, static_cast<int32_t>(0x80000000u)},
                    {3000, 75, 0x04, 0, 5, 0, 0}};
    kjfk.frequencies = {{0, 12872, 0, {}}, {4, 11910, 0, {}}};
    DetailApproach ils;
    ils.sequence = 0;
    ils.type = 6;
    ils.idIndex = 0;
    ils.waypointCount = 3;
    ils.slots[0].kind = 0x21;
    ils.slots[0].recordNumber = 0;  // INT ABCDE
    ils.slots[1].kind = 0x62;
    ils.slots[1].recordNumber = 1;  // VOR JFK
    ils.slots[3].kind = 0xA4;
    ils.slots[3].runway = 0;
    DetailApproach rnav;
    rnav.sequence = 1;
    rnav.type = 36;
    rnav.idIndex = 1;
    rnav.waypointCount = 3;
    rnav.slots[0].kind = 0xC1;
    rnav.slots[0].local = {aLat + Deg(0.1), aLon - Deg(0.2), "LOCIN", 0};
    rnav.slots[1].kind = 0xE2;
    rnav.slots[1].local = {aLat - Deg(0.05), aLon + Deg(0.05), "LN", 3450};
    rnav.slots[3].kind = 0x1A4;
    rnav.slots[3].runway = 0;
    kjfk.approaches = {ils, rnav};
    b.approachIds = {"I04L", "R22R"};

    ExampleAirport lfpo{"LFPO", 48.7233, 2.3794, 1, "ORLY", "PARIS", 0x80, 291, {}, {}, {}};
    lfpo.frequencies = {{6, 11800, 0, {}}};
    b.airports = {eddt, kbos, kjfk, lfpo};

    using imgtest::TestPoint;
    b.points[kSectionInt] = {{"ABCDE", Deg(40.5), Deg(-73.5), 2, -1, -1, 0},
                             {"DUMBA", Deg(41.0), Deg(-72.0), 2, -1, -1, 0},
                             {"ZZ9", Deg(0.0), Deg(179.9), 1, -1, -1, 0}};
    b.points[kSectionNdb] = {{"LQ", Deg(48.7), Deg(2.4), 1, -1, -1, 3300},
                             {"TG", Deg(52.5), Deg(13.2), 0, n("TEGEL"), n("BERLIN"), 3855 | 5 << 16}};
    b.points[kSectionVor] = {{"BOS", Deg(42.357), Deg(-70.99), 2, n("BOSTON"), -1, 11270 | 0x104 << 16},
                             {"JFK", Deg(40.63), Deg(-73.77), 2, n("KENNEDY INTL"), n("NEW YORK"),
                              static_cast<int32_t>(11590u | 0x8100u << 16)},
                             {"TGL", Deg(52.56), Deg(13.29), 0, n("TEGEL"), n("WATER//TOWN"), 11230 | 0x4201 << 16}};

    b.withTcc = true;

    // Two areas of table a and one of table b.
    ExampleSua square{true,
                      Deg(40.0),
                      Deg(-74.0),
                      0,
                      0,
                      Deg(40.0),
                      Deg(-74.0),
                      0,
                      70,
                      0,
                      1,
                      n("BOSTON CENTER"),
                      n("NEW YORK APPROACH"),
                      2,
                      false,
                      {}};
    square.north = square.south + 36 * 16384;
    square.east = square.west + 364 * 16384;
    ShortStep(square.stream, 36, 0);
    LongStep(square.stream, 0, 364);
    ShortStep(square.stream, -36, 0);
    LongStep(square.stream, 0, -364, true);

    ExampleSua arcs{true, Deg(42.0), Deg(-71.5), 0,  0,           Deg(42.0), Deg(-71.5), 0,
                    100,  4,         2,          -1, n("BOSTON"), -1,        true,       {}};
    arcs.north = arcs.south + 30 * 16384;
    arcs.east = arcs.west + 40 * 16384;
    arcs.stream.U8(233);  // heights: lower "Surface", upper 4500 feet above ground
    arcs.stream.U8(3 | 0x20);
    arcs.stream.U8(45);
    arcs.stream.U8(3);  // "Arc Points"
    arcs.stream.U8(1);
    arcs.stream.U8(3);  // clockwise arc of 5 points, radius 24 units (about 2 nm)
    arcs.stream.U8(5);
    CentreBlock(arcs.stream, 15, 20, 24);
    arcs.stream.U8(0x40 | 5);
    ShortStep(arcs.stream, 30, 40);
    arcs.stream.U8(3);  // "End of"
    arcs.stream.U8(3);
    arcs.stream.U8(3);  // circle of radius 61 units (about 10 nm across)
    arcs.stream.U8(9);
    CentreBlock(arcs.stream, -10, -5, 61);
    ShortStep(arcs.stream, -30, -40, true);

    ExampleSua open{false, Deg(38.5),           Deg(-77.0),        0,  0,     Deg(38.5), Deg(-77.0), 20, 180, 5,
                    0,     n("WASHINGTON FSS"), n("R-4001 ALPHA"), -1, false, {}};
    open.north = open.south + 20 * 16384;
    open.east = open.west + 20 * 16384;
    ShortStep(open.stream, 20, 0);
    ShortStep(open.stream, 0, 20, true);
    b.suas = {square, arcs, open};
    return b;
}

// Opens an image file as the listing source of a context, as the runner does.
class ListingSource {
public:
    explicit ListingSource(const ImageParams& params = ImageParams496) : image(params) {
        context.settings = &settings;
        context.doc = &doc;
        context.kind = kListApts;
    }
    ~ListingSource() { CloseListingSource(context); }

    void Open(const std::string& path) {
        image.Close();
        image.Open(path);
        context.image = &image;
        context.imageName = path;
        context.ResetListingPosition();
        ShowImageInfo(context);
    }

    // The lines of a listing of `kind` as the document shows them: at most 2041 record lines,
    // then the limit line; "No Matching Items" when nothing matched.
    std::vector<std::string> List(int kind, ListingRequest request = {}) {
        context.kind = kind;
        context.ResetListingPosition();
        request.kind = kind;
        std::vector<std::string> lines;
        for (;;) {
            const int32_t handle = NextListingItem(context, request);
            if (handle < 0) break;
            if (lines.size() > CGenDoc::kMaxLines) {
                lines.push_back(kMaxListableText);
                return lines;
            }
            std::string text;
            ListSection(context, request, handle, text);
            lines.push_back(text);
        }
        if (lines.empty()) lines.push_back(kNoMatchingItemsText);
        return lines;
    }

    Image image;
    GenSettings settings;
    CGenDoc doc;
    OperationContext context;
};

// Writes the example image into `path`.
inline ImageResult WriteExample(const std::string& path, ExampleBuilder builder = ExampleData()) {
    Image image(ImageParams496);
    ImageResult r = image.Create(path);
    uint32_t end = 0;
    if (r.ok()) r = builder.Build(image, &end);
    image.Close();
    return r;
}

// Builds the example image into `path` in a test.
inline void BuildExample(const std::string& path, ExampleBuilder builder = ExampleData()) {
    const ImageResult r = WriteExample(path, std::move(builder));
    ASSERT_TRUE(r.ok()) << r.text;
}

}  // namespace listtest

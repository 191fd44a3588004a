// Section listings and Save As dumps of a large image: 20,000 airports with two runways and
// three frequencies each (one with a restriction, every tenth with an approach), 60,000
// intersections, 5,000 NDBs, 5,000 VORs, 2,000 SUA areas, an FSS and a TCC, 3,000 names.
//
//   listing   for each section, every handle walked and its line formatted, as a screen listing
//             that the 2041-line cap does not stop;
//   dump      Save As dumps into a file: the four point sections together (as the batch and the
//             text dump write them), and each other section in its own dump form.
// Each is timed against its floor: the image read once (one read of the whole file, plus every
// record of the sections read once through the image reader), and, for a dump, writing the
// dump's number of bytes. The best of three rounds counts.
//
// The 696 case ("bench_listing 696"): Tessily's APT listing of a generated 696 image of 45,000
// airports, each with an information block of two runways and three frequencies, timed against
// the image read once plus the same number of lines formatted with the framework's line
// formatter; peak memory of the run.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/CLocale.h"
#include "common/LineWriter.h"
#include "gen/shell/CGenDoc.h"
#include "gen/listing/FullDump.h"
#include "gen/shell/GenSettings.h"
#include "gen/listing/ListingSession.h"
#include "gen/shell/OperationContext.h"
#include "gen/listing/SaveAsFormat.h"
#include "gen/listing/SectionListing.h"
#include "gen/listing/ListingRecords.h"
#include "gen/testsupport/ListingTestImage.h"
#include "gen696/AirportBlock696.h"
#include "gen696/ImageFile696.h"
#include "gen696/Listing696.h"
#include <sys/resource.h>
#include "platform/FileSystem.h"

namespace {

using Clock = std::chrono::steady_clock;
using listtest::Deg;

constexpr int kAirports = 20000;
constexpr int kIntersections = 60000;
constexpr int kNdbs = 5000;
constexpr int kVors = 5000;
constexpr int kSuas = 2000;
constexpr int kNames = 3000;
int kRounds = 3;  // BENCH_ROUNDS overrides, for profiling

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string Ident(int n, int letters) {
    std::string s(static_cast<size_t>(letters), 'A');
    for (int i = letters - 1; i >= 0; --i) {
        s[static_cast<size_t>(i)] = static_cast<char>('A' + n % 26);
        n /= 26;
    }
    return s;
}

double Latitude(int i, int spread) { return 25.0 + (i % spread) * 30.0 / spread; }
double Longitude(int i, int spread, int count) { return -125.0 + (i / spread) * 60.0 / (count / spread + 1); }

void BuildLargeImage(const std::string& path) {
    listtest::ExampleBuilder b(ImageParams496);
    b.countries.clear();
    for (int c = 0; c < 20; ++c) {
        b.countries.push_back({std::string(1, static_cast<char>('A' + c)) + "X", "COUNTRY " + std::to_string(c)});
    }
    for (int n = 0; n < kNames; ++n) b.names.push_back(StringFormatC("NAME %05d", n));
    std::vector<uint8_t> restriction;
    EncodeRestrictionText("R:090-270 BELOW 3000", &restriction);
    b.approachIds = {"I04L", "R22R"};
    for (int a = 0; a < kAirports; ++a) {
        listtest::ExampleAirport apt{Ident(a, 4), Latitude(a, 150), Longitude(a * 3, 150, kAirports * 3),
                                     static_cast<uint32_t>(a % 20), b.names[static_cast<size_t>(a % kNames)].c_str(),
                                     b.names[static_cast<size_t>((a + 7) % kNames)].c_str(), 0x14, a % 5000,
                                     {}, {}, {}};
        apt.runways = {{8000, 150, 0x30, 9, 0x12, 0, 0}, {5000, 100, 0x21, 13 | 2 << 5, -1, 0, 0}};
        apt.frequencies = {{4, 11870, 0, {}}, {0x83, 12190, 0, {}}, {9, 11920, 0, restriction}};
        if (a % 10 == 0) {
            DetailApproach ils;
            ils.type = 6;
            ils.waypointCount = 2;
            ils.slots[0].kind = 0x21;
            ils.slots[0].recordNumber = static_cast<uint32_t>(a % kIntersections);
            ils.slots[3].kind = 0xA4;
            ils.slots[3].runway = 0;
            apt.approaches = {ils};
        }
        b.airports.push_back(std::move(apt));
    }
    for (int i = 0; i < kIntersections; ++i) {
        b.points[kSectionInt].push_back({Ident(i, 5), Deg(Latitude(i, 300)), Deg(Longitude(i, 300, kIntersections)),
                                         static_cast<uint32_t>(i % 20), -1, -1, 0});
    }
    for (int i = 0; i < kNdbs; ++i) {
        b.points[kSectionNdb].push_back({Ident(i * 3, 3), Deg(Latitude(i * 7, 100)),
                                         Deg(Longitude(i * 12, 100, kNdbs * 12)), static_cast<uint32_t>(i % 20),
                                         i % kNames, (i + 1) % kNames, 2000 + i % 3000});
    }
    for (int i = 0; i < kVors; ++i) {
        b.points[kSectionVor].push_back({Ident(i * 3 + 1, 3), Deg(Latitude(i * 5, 100)),
                                         Deg(Longitude(i * 12 + 6, 100, kVors * 12)), static_cast<uint32_t>(i % 20),
                                         i % kNames, (i + 2) % kNames, (10800 + 5 * (i % 200)) | 0x304 << 16});
    }
    for (int i = 0; i < kSuas; ++i) {
        const int32_t south = Deg(Latitude(i, 40)), west = Deg(Longitude(i, 40, kSuas));
        // Table a's areas first, then table b's, as the builder lays their records out.
        listtest::ExampleSua area{i < kSuas / 2, south, west, south + 36 * 16384, west + 364 * 16384, south, west,
                                  0, 70, static_cast<uint32_t>(i % 16), 1, i % kNames, (i + 3) % kNames, -1, false,
                                  {}};
        listtest::ShortStep(area.stream, 36, 0);
        listtest::LongStep(area.stream, 0, 364);
        listtest::ShortStep(area.stream, -36, 0);
        listtest::LongStep(area.stream, 0, -364, true);
        b.suas.push_back(std::move(area));
    }
    b.withTcc = true;
    Image image(ImageParams496);
    if (!image.Create(path).ok()) std::exit(1);
    uint32_t end = 0;
    const ImageResult r = b.Build(image, &end);
    if (!r) {
        std::fprintf(stderr, "building the image failed: %s\n", r.text.c_str());
        std::exit(1);
    }
    image.Close();
}

// The image opened as the listing source of a context, as the runner opens it.
struct Source {
    Source() : image(ImageParams496) {
        context.settings = &settings;
        context.doc = &doc;
    }
    ~Source() { CloseListingSource(context); }
    void Open(const std::string& path) {
        image.Open(path);
        context.image = &image;
        context.imageName = path;
        ShowImageInfo(context);
    }
    Image image;
    GenSettings settings;
    CGenDoc doc;
    OperationContext context;
};

double ReadWholeFile(const std::string& path) {
    std::vector<uint8_t> buffer;
    const Clock::time_point start = Clock::now();
    const int fd = platform::OpenFile(path, O_RDONLY, platform::Share::DenyNone);
    buffer.resize(static_cast<size_t>(platform::FileSize(fd)));
    platform::ReadAt(fd, buffer.data(), buffer.size(), 0);
    platform::CloseFile(fd);
    return Seconds(start);
}

// Every record of the listing kind's section read once through the image reader.
double ReadRecords(const ImageReader& reader, int kind, long* records) {
    uint8_t record[kMaxImageRecord];
    const Clock::time_point start = Clock::now();
    long n = 0;
    switch (kind) {
        case kListSuas:
            for (uint32_t i = 0; i < reader.SuaCount(); ++i, ++n) reader.ReadSua(i, record);
            break;
        case kListFss:
            for (uint32_t i = 0; i < reader.FssCount(); ++i, ++n) reader.ReadFss(i, record);
            break;
        case kListArtccs:
            for (uint32_t i = 0; i < reader.TccCount(); ++i, ++n) reader.ReadTcc(i, record);
            break;
        default: {
            const int section = kind == kListApproaches ? kSectionApt : kind - kListApts;
            for (uint32_t i = 0; i < reader.RecordCount(section); ++i, ++n) reader.ReadRecord(section, i, record);
        }
    }
    *records = n;
    return Seconds(start);
}

double WriteBytes(long bytes) {
    std::vector<char> piece(0x10000, 'x');
    const Clock::time_point start = Clock::now();
    const int fd = platform::OpenFile("floor.out", O_WRONLY | O_CREAT | O_TRUNC, platform::Share::DenyWrite);
    for (long done = 0; done < bytes; done += static_cast<long>(piece.size())) {
        const size_t n = static_cast<size_t>(std::min<long>(bytes - done, static_cast<long>(piece.size())));
        if (::write(fd, piece.data(), n) < 0) break;
    }
    platform::CloseFile(fd);
    const double s = Seconds(start);
    platform::DeleteFile("floor.out");
    return s;
}

template <class Work>
double Best(Work work) {
    double best = 0;
    for (int round = 0; round < kRounds; ++round) {
        const double t = work();
        if (round == 0 || t < best) best = t;
    }
    return best;
}

// The floor of listing kinds: the image file read once, and every record of their sections read
// once from the file (a reader of its own: the listing's reader serves records from memory).
double Floor(const Source& s, const std::string& path, std::initializer_list<int> kinds, long* records) {
    double floor = Best([&] { return ReadWholeFile(path); });
    const ImageReader& listing = *ListingReader(s.context);
    const ImageReader fromFile(listing.GetImage(), listing.Info());
    *records = 0;
    for (int kind : kinds) {
        long n = 0;
        floor += Best([&] { return ReadRecords(fromFile, kind, &n); });
        *records += n;
    }
    return floor;
}

void Listing(Source& s, const std::string& path, int kind, const char* name) {
    long records = 0;
    const double floor = Floor(s, path, {kind}, &records);
    long lines = 0;
    const double listing = Best([&] {
        ListingRequest request;
        request.kind = kind;
        std::string line;
        lines = 0;
        s.context.ResetListingPosition();
        const Clock::time_point start = Clock::now();
        for (int32_t h; (h = NextListingItem(s.context, request)) >= 0; ++lines) {
            ListSection(s.context, request, h, line);
        }
        return Seconds(start);
    });
    std::printf("listing %-8s %7ld records %7ld lines   floor %8.2f ms   listing %8.2f ms   %6.1fx\n", name, records,
                lines, floor * 1e3, listing * 1e3, listing / floor);
}

void Dump(Source& s, const std::string& path, int shownKind, const char* file) {
    const SaveAsNameFlags flags = SaveAsNameFlags::Of(file);
    SaveAsModes modes;
    modes.shownKind = shownKind;
    modes.batch = flags.BatchForm();
    modes.sbs = flags.sbs;
    modes.dumpFlag = modes.batch ? 1 : 0;
    long records = 0;
    const double floor = shownKind < kListSuas ? Floor(s, path, {kListApts, kListInts, kListNdbs, kListVors}, &records)
                                               : Floor(s, path, {shownKind}, &records);
    long bytes = 0;
    const double dump = Best([&] {
        const int fd = platform::OpenFile(file, O_WRONLY | O_CREAT | O_TRUNC, platform::Share::DenyWrite);
        const Clock::time_point start = Clock::now();
        {
            LineWriter out(fd);
            DumpAllRecords(s.context, modes, out);
        }
        const double t = Seconds(start);
        bytes = static_cast<long>(platform::FileSize(fd));
        platform::CloseFile(fd);
        return t;
    });
    platform::DeleteFile(file);
    const double write = Best([&] { return WriteBytes(bytes); });
    std::printf("dump    %-14s %7ld records %9ld bytes   floor %8.2f ms   dump %8.2f ms   %6.1fx\n", file, records,
                bytes, (floor + write) * 1e3, dump * 1e3, dump / (floor + write));
}

// ---- The 696 case -----------------------------------------------------------------------------

constexpr int kAirports696 = 45000;

void Put696(ImageFile696& image, int section, const std::vector<uint8_t>& data, uint32_t count, uint8_t size) {
    image.SetDirectoryEntry(section, image.End(), count, size);
    image.Append(data.data(), data.size());
}

void BuildLarge696(const std::string& path) {
    const int fd = platform::OpenFile(path, O_RDWR | O_CREAT | O_TRUNC, platform::Share::DenyWrite);
    ImageFile696 image(fd);
    image.ZeroDirectory();
    std::vector<uint8_t> header(512, 0);
    image.Append(header.data(), header.size());
    image.MoveEnd(kSectionsStart696);
    image.SetDirectoryEntry(0, 512, 104, 8);
    std::vector<uint8_t> statics(60, 0);
    statics[2] = 9;    // value 1: the runway's fixed part
    statics[6] = 14;   // value 3: the picture length
    Put696(image, 1, statics, 30, 2);
    Put696(image, 2, std::vector<uint8_t>(9, 0), 1, 9);
    Put696(image, 3, {0x04, 0x40}, 2, 1);   // "A" at bit 0, an empty name at bit 7
    std::vector<uint8_t> x1(164 * 3, 0xFF);
    x1[0] = x1[1] = x1[2] = 0;
    Put696(image, 4, x1, 164, 3);
    AirportBlockInput696 in;
    in.runwayFixedLength = 9;
    for (int r = 0; r < 2; ++r) {
        RunwaySlot696 slot;
        slot.length = 5000 + 1000 * static_cast<uint32_t>(r);
        slot.width = 150;
        slot.surface = 0x21;
        slot.designator = static_cast<uint32_t>(9 + 9 * r);
        in.runways.push_back(slot);
    }
    for (int f = 0; f < 3; ++f) {
        FrequencySlot696 slot;
        slot.type = static_cast<uint8_t>(9 + f);
        slot.value = static_cast<uint32_t>(1000 + 150 * f);
        in.frequencies.push_back(slot);
    }
    std::vector<uint8_t> block;
    std::string error;
    BuildAirportBlock696(in, &block, &error);
    std::vector<uint8_t> recs(static_cast<size_t>(kAirports696) * 29, 0);
    std::vector<uint8_t> info;
    for (int n = 0; n < kAirports696; ++n) {
        uint8_t* rec = &recs[static_cast<size_t>(n) * 29];
        const uint32_t lon = static_cast<uint32_t>(n) * 90000u;
        rec[0] = static_cast<uint8_t>(lon >> 16);
        rec[1] = static_cast<uint8_t>(lon >> 24);
        rec[2] = static_cast<uint8_t>(n);
        rec[3] = static_cast<uint8_t>(n >> 4 & 0x3F);
        rec[9] = static_cast<uint8_t>(n % 26 + 1);
        rec[10] = 0x88;
        rec[11] = 0x93;   // elevation 0x1388 - 5000 feet, and a block
        // Both name pointers 0: the empty name at bit 7 of byte 0.
        const auto offset = static_cast<uint32_t>(info.size());
        rec[19] = static_cast<uint8_t>((offset >> 16) << 1);
        rec[23] = static_cast<uint8_t>(offset);
        rec[24] = static_cast<uint8_t>(offset >> 8);
        info.insert(info.end(), block.begin(), block.end());
    }
    Put696(image, 7, recs, kAirports696, 29);
    Put696(image, 10, info, kAirports696, 2);
    Put696(image, 11, {0, 0, 0, 0}, 1, 4);   // section 10 ends where the next one starts
    const uint32_t length = image.End() + 4;
    image.WriteAt(kLengthOffset696, &length, 4);
    image.SealImageCrc();
    platform::CloseFile(fd);
}

void Listing696(const std::string& path) {
    long lines = 0;
    const double listing = Best([&] {
        GenSettings settings;
        OperationContext context;
        context.settings = &settings;
        context.kind = kListApts;
        context.imageFd = platform::OpenFile(path, O_RDONLY, platform::Share::DenyNone);
        context.imageName = path;
        ListingState696 state;
        const Clock::time_point start = Clock::now();
        OpenImageSource696(context, state);
        std::string line;
        lines = 0;
        for (int32_t h; (h = NextListedRecord696(context, state)) >= 0; ++lines) {
            ListSection696(context, state, h, line);
            if (std::getenv("BENCH_SHOW") && lines < 6) std::printf("%s\n", line.c_str());
        }
        const double t = Seconds(start);
        CloseImage696(state);
        platform::CloseFile(context.imageFd);
        return t;
    });
    // The floor: the file read once, and as many lines formatted by the framework's formatter.
    const double floor = Best([&] {
        const Clock::time_point start = Clock::now();
        ReadWholeFile(path);
        ListingLine line;
        ListingFlags flags;
        for (long i = 0; i < lines; ++i) {
            FormatPointPrefix("APT", "KAAA", static_cast<int32_t>(i) * 1000, static_cast<int32_t>(i) * 3000, 0, flags,
                              line);
            line.Format(kValueColumn, "%5d' %-6s %03d.%02d %-6s", static_cast<int>(i % 9000), "Tower",
                        static_cast<int>(118 + i % 18), static_cast<int>(i % 100), "hard");
            line.Trim();
        }
        return Seconds(start);
    });
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("listing APT 696 %7d records %7ld lines   floor %8.2f ms   listing %8.2f ms   %6.1fx   peak %ld KB\n",
                kAirports696, lines, floor * 1e3, listing * 1e3, listing / floor, usage.ru_maxrss);
}

}  // namespace

// An argument names the one row to run (APT, SUA, bat.all, ...), for profiling.
int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    if (const char* rounds = std::getenv("BENCH_ROUNDS")) kRounds = std::max(1, std::atoi(rounds));
    auto wanted = [&](const std::string& name) { return only.empty() || name.find(only) != std::string::npos; };
    char pattern[] = "/tmp/benchlisting-XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(pattern);
    if (only == "696") {
        BuildLarge696("large696.img");
        Listing696("large696.img");
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(pattern);
        return 0;
    }
    const std::string path = "large.img";
    Clock::time_point start = Clock::now();
    BuildLargeImage(path);
    std::printf("image: %lld bytes, built in %.2f s\n", static_cast<long long>(std::filesystem::file_size(path)),
                Seconds(start));

    Source s;
    s.Open(path);
    if (!ListingReader(s.context)) {
        std::fprintf(stderr, "the image could not be loaded\n");
        return 1;
    }
    const struct {
        int kind;
        const char* name;
    } kinds[] = {{kListApts, "APT"}, {kListInts, "INT"}, {kListNdbs, "NDB"},    {kListVors, "VOR"},
                 {kListSuas, "SUA"}, {kListFss, "FSS"},  {kListArtccs, "TCC"}, {kListApproaches, "APR"}};
    for (const auto& k : kinds) {
        if (wanted(k.name)) Listing(s, path, k.kind, k.name);
    }
    if (wanted("pointsbat.all")) Dump(s, path, kListApts, "pointsbat.all");
    if (wanted("pointstxt.all")) Dump(s, path, kListApts, "pointstxt.all");
    if (wanted("areasua.all")) Dump(s, path, kListSuas, "areasua.all");
    if (wanted("fsstcc.all")) Dump(s, path, kListFss, "fsstcc.all");
    if (wanted("centrestcc.all")) Dump(s, path, kListArtccs, "centrestcc.all");
    if (wanted("approachesapr.all")) Dump(s, path, kListApproaches, "approachesapr.all");
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(pattern);
    return 0;
}

// Create Image of the 696 family, first on its copy-and-seal path: seven section files of 8 MB in all
// copied into a new image piece by piece (at most 160 bytes or one record a call, as the steps
// do), the length word written, the image read back and sealed.
//
// Timed against its floor in the same run: reading the section files once, plus writing an
// image of the same size and reading it back once. Each runs in a child process of its own, so
// that its peak memory (getrusage) is its own; the best of five runs of each is shown.
//
// Then the whole operation on the generated database of the benchmarks at 225% (45,000 airports
// with runways, frequencies, remarks and approaches, 135,000 intersections, NDBs, VORs, names,
// countries, 5,000 airways of 12 points) with the same section files: Create Image against one walk over every record it reads plus writing an image of the
// same size once; Create ISAM of that image against reading it once and inserting the records.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchChild.h"
#include "BenchDatabase.h"
#include "gen696/ImageFile696.h"
#include "gen696/SectionFile696.h"
#include "gen696/Tessily696.h"
#include "platform/HeadlessUi.h"

namespace {

using bench::Clock;
using bench::Seconds;

constexpr uint32_t kPlain = 1;
constexpr int kRuns = 5;

std::string Block(const char* name, int section, uint32_t count, uint32_t size, const std::vector<uint8_t>& data) {
    std::string out = FormatDatHeader(name, section == 0 ? 0 : 512 + 8 * section, count, size,
                                      static_cast<uint32_t>(data.size()));
    out.append(data.begin(), data.end());
    return out;
}

std::vector<uint8_t> Bytes(size_t n, int seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed * 31 + i * 7);
    return v;
}

// Records whose name numbers say "no name".
std::vector<uint8_t> Records(uint32_t count, uint32_t size, int section) {
    std::vector<uint8_t> v = Bytes(count * size, section);
    for (uint32_t r = 0; r < count; ++r) {
        uint8_t* rec = &v[r * size];
        if (section == 29) rec[6] = rec[7] = rec[8] = 0xFF;
        if (section == 33) rec[10] = rec[11] = rec[18] = 0xFF;
        if (section == 39 || section == 40) {
            for (int i = 21; i < 27; ++i) rec[i] = 0xFF;
        }
    }
    return v;
}

void WriteFile(const std::string& name, const std::string& data) {
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f || std::fwrite(data.data(), 1, data.size(), f) != data.size() || std::fclose(f) != 0) std::exit(1);
}

const SectionFileDecl696* const kDecls[] = {&kHdrFile696, &kStaFile696, &kNam2File696, &kTccFile696,
                                            &kSuaFile696, &kOddsFile696, &kTrlFile696};

// The seven files, with plain blocks of `mb` bytes (the odds sections a tenth of it); their size
// in all.
size_t MakeSectionFiles(size_t mb) {
    std::vector<uint8_t> header = Bytes(520, 1);
    header[512] = 0;
    header[513] = 2;
    header[514] = header[515] = 0;
    header[516] = 8;
    header[517] = 104;
    header[518] = header[519] = 0;
    std::string files[7];
    files[0] = Block("HDR+", 0, 0, 0, header);
    std::vector<uint8_t> statics = Bytes(60, 1);
    // Runway-definition length 9, picture length 14, approach fixed part 7, no group extras.
    for (const auto& [n, v] : {std::pair{1, 9}, {3, 14}, {19, 7}, {27, 0}}) {
        statics[2 * n] = static_cast<uint8_t>(v);
        statics[2 * n + 1] = 0;
    }
    files[1] = Block("STA+", 1, 30, 2, statics) + Block("STA+", 75, mb, kPlain, Bytes(mb, 75));
    files[2] = Block("NAM2+", 87, mb, kPlain, Bytes(mb, 87));
    files[3] = Block("TCC+", 29, 2000, 12, Records(2000, 12, 29)) + Block("TCC+", 34, mb, kPlain, Bytes(mb, 34)) +
               Block("TCC+", 33, 2000, 20, Records(2000, 20, 33));
    files[4] = Block("SUA+", 41, mb - 3, kPlain, Bytes(mb, 41)) + Block("SUA+", 39, 3000, 30, Records(3000, 30, 39)) +
               Block("SUA+", 40, 3000, 27, Records(3000, 27, 40));
    for (int s : kOddsFile696.sections) files[5] += Block("ODDS+", s, static_cast<uint32_t>(mb / 10), kPlain, Bytes(mb / 10, s));
    files[6] = Block("TRL+", 66, mb, kPlain, Bytes(mb, 66));
    size_t total = 0;
    for (int i = 0; i < 7; ++i) {
        files[i] += FormatDatHeader(kDecls[i]->name, 0, 0, 0, 0);
        WriteFile(std::string("db50/") + kDecls[i]->name + ".DAT", files[i]);
        total += files[i].size();
    }
    return total;
}

constexpr int kPercent = 225;
constexpr int kAirways = 5000;
constexpr int kAirwayPoints = 11;

// Per airport one approach (VOR navaid, an intersection and the first runway's other end), every
// eighth one more without navaid through a local intersection; the first 5,000 airports each
// bring an airway of a head and 11 intersections.
bench::DatabaseShape Shape() {
    bench::DatabaseShape shape;
    shape.percent = kPercent;
    shape.airportExtras = [](const AptRecord& apt, const int32_t runways[2]) {
        static int32_t psno = 0;
        static int32_t lsno = 0;
        const int32_t a = apt.asno;
        const int32_t ints = bench::kIntersections * kPercent / 100;
        ApprRecord p{};
        p.psno = psno++;
        p.paptno = a;
        p.pseq = 0;
        p.p6typ = 9;
        p.ptyp = 13;
        std::snprintf(p.pid, sizeof p.pid, "V%02d", a % 36 + 1);
        p.pntyp = 3;
        p.pnsno = a % (bench::kVors * kPercent / 100);
        p.pwtyp[0] = 1 << 5 | 3;
        p.pwrecno[0] = a * 3 % ints;
        p.pwtyp[1] = 5 << 5 | 4 | 0x100;
        p.pwrecno[1] = runways[0];
        dbif_add(p);
        if (a % 8 == 0) {
            LwptRecord l{};
            l.lsno = lsno++;
            l.laptno = a;
            l.ltyp = 0x60;
            std::snprintf(l.lid, sizeof l.lid, "L%04u", static_cast<unsigned>(a) % 10000u);
            l.llat = apt.alat + 20000;
            l.llong = apt.along - 30000;
            dbif_add(l);
            p.psno = psno++;
            p.pseq = 1;
            p.pnsno = -1;
            p.pwtyp[0] = 6 << 5 | 3;
            p.pwrecno[0] = l.lsno;
            p.pwtyp[1] = 5 << 5 | 4;
            p.pwrecno[1] = runways[1];
            std::snprintf(p.pid, sizeof p.pid, "R%02d", a % 36 + 1);
            dbif_add(p);
        }
        if (a < kAirways) {
            AwysRecord w{};
            w.wsno = a;
            std::snprintf(w.wname, sizeof w.wname, "V%u", static_cast<unsigned>(a) % 100000u);
            const uint32_t first = static_cast<uint32_t>(a) * (kAirwayPoints + 1);
            const uint8_t rec[8] = {0, 0x40, 0x22, 0x33, 0x44, static_cast<uint8_t>((first >> 16) << 6),
                                    static_cast<uint8_t>(first), static_cast<uint8_t>(first >> 8)};
            std::memcpy(w.wrec, rec, sizeof rec);
            dbif_add(w);
            for (int k = 0; k <= kAirwayPoints; ++k) {
                AwpsRecord pt{};
                pt.wpsno = static_cast<int32_t>(first) + k;
                pt.wpwno = a;
                pt.wpseq = k;
                const int32_t i = (a * 29 + k * 7) % ints;
                const uint8_t head[6] = {12 | 8, static_cast<uint8_t>(a), static_cast<uint8_t>(a >> 8), 0, 0, 0};
                const uint8_t point[6] = {static_cast<uint8_t>(0x40 | (k < kAirwayPoints ? 8 : 0)), static_cast<uint8_t>(i),
                                          static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i >> 16 & 3), 0, 0};
                std::memcpy(pt.wprec, k == 0 ? head : point, 6);
                dbif_add(pt);
            }
        }
    };
    return shape;
}

struct Result {
    double seconds = 0;
    double sealSeconds = 0;   // reading back and sealing
    long calls = 0;
    long imageBytes = 0;
    double stepSeconds[bench::kMaxSteps] = {};
};

// Reading the files, writing an image of the same size and reading it back.
Result Floor(long imageBytes) {
    const Clock::time_point start = Clock::now();
    std::vector<uint8_t> buf(1 << 16);
    long read = 0;
    for (const SectionFileDecl696* decl : kDecls) {
        const int fd = ::open((std::string("db50/") + decl->name + ".DAT").c_str(), O_RDONLY);
        for (ssize_t n; (n = ::read(fd, buf.data(), buf.size())) > 0;) read += n;
        ::close(fd);
    }
    const int fd = ::open("floor.img", O_RDWR | O_CREAT | O_TRUNC, 0644);
    for (long at = 0; at < imageBytes; at += static_cast<long>(buf.size())) {
        const size_t n = static_cast<size_t>(std::min<long>(static_cast<long>(buf.size()), imageBytes - at));
        if (::write(fd, buf.data(), n) != static_cast<ssize_t>(n)) std::exit(1);
    }
    uint32_t sum = 0;
    for (long at = 0; at < imageBytes;) {
        const ssize_t n = ::pread(fd, buf.data(), buf.size(), at);
        if (n <= 0) break;
        sum += buf[0];
        at += n;
    }
    ::close(fd);
    Result r;
    r.seconds = Seconds(start);
    r.calls = read + sum % 2;
    return r;
}

Result CopyAndSeal() {
    const Clock::time_point start = Clock::now();
    const int fd = ::open("bench.img", O_RDWR | O_CREAT | O_TRUNC, 0644);
    Result r;
    {
        ImageFile696 image(fd);
        if (!image.ZeroDirectory()) std::exit(1);
        SectionLinks696 links;
        for (const SectionFileDecl696* decl : kDecls) {
            DatFileCopy696 copy;
            std::string error;
            for (;;) {
                ++r.calls;
                const DatFileCopy696::Result status = copy.Piece("db50", *decl, image, links, 0, 14, &error);
                if (status == DatFileCopy696::Result::Done) break;
                if (status == DatFileCopy696::Result::Failed) {
                    std::fprintf(stderr, "%s\n", error.c_str());
                    std::exit(1);
                }
            }
        }
        const uint32_t length = image.End() + 4;
        const uint8_t word[4] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                 static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
        if (!image.WriteAt(kLengthOffset696, word, 4)) std::exit(1);
        const Clock::time_point seal = Clock::now();
        if (!image.SealImageCrc()) std::exit(1);
        r.sealSeconds = Seconds(seal);
        r.imageBytes = image.End();
    }
    ::close(fd);
    r.seconds = Seconds(start);
    return r;
}

std::unique_ptr<CGenApp> MakeTessily() {
    GenModel model;
    InstallTessily(model);
    auto app = std::make_unique<CGenApp>(std::move(model));
    auto ui = std::make_unique<platform::HeadlessUi>();
    ui->SetStreams(nullptr, nullptr);
    app->SetUi(std::move(ui));
    if (!app->InitInstance()) bench::Fail("the application did not start");
    return app;
}

Result RunOperation(int mode, const char* file, const char* last) {
    std::unique_ptr<CGenApp> app = MakeTessily();
    const bench::RunResult r = bench::RunOperation(*app, mode, file, false, last);
    Result out;
    out.seconds = r.seconds;
    out.calls = r.calls;
    std::copy(std::begin(r.stepSeconds), std::end(r.stepSeconds), out.stepSeconds);
    struct stat st {};
    if (::stat(file, &st) == 0) out.imageBytes = st.st_size;
    return out;
}

// One walk over every record Create Image reads, and writing an image of the same size once.
Result DatabaseFloor(long imageBytes) {
    const Clock::time_point start = Clock::now();
    CGenDBOpen opener;
    opener.OpenAll();
    CGenDBOpen::SetActive(&opener);
    long records = 0;
    auto walk = [&records](auto rec, const char* index) {
        using Rec = decltype(rec);
        dbif_open<Rec>();
        dbif_index<Rec>(index);
        for (bool found = dbif_first(rec); found; found = dbif_next(rec)) ++records;
        dbif_close<Rec>();
    };
    walk(NameRecord{}, "nsno");
    walk(CountryRecord{}, "csno");
    walk(AptRecord{}, "aident");
    walk(IntRecord{}, "iident");
    walk(NdbRecord{}, "bident");
    walk(VorRecord{}, "vident");
    walk(RwyRecord{}, "raptno");
    walk(FreqRecord{}, "faptno");
    walk(RestrRecord{}, "rcsno");
    walk(ApprRecord{}, "paptno");
    walk(LwptRecord{}, "lsno");
    walk(AwysRecord{}, "wsno");
    walk(AwpsRecord{}, "wpsno");
    CGenDBOpen::SetActive(nullptr);
    std::vector<uint8_t> buf(1 << 16, 1);
    const int fd = ::open("floor.img", O_RDWR | O_CREAT | O_TRUNC, 0644);
    for (long at = 0; at < imageBytes; at += static_cast<long>(buf.size())) {
        const size_t n = static_cast<size_t>(std::min<long>(static_cast<long>(buf.size()), imageBytes - at));
        if (::write(fd, buf.data(), n) != static_cast<ssize_t>(n)) std::exit(1);
    }
    ::close(fd);
    Result r;
    r.seconds = Seconds(start);
    r.calls = records;
    return r;
}

// Reading the image once, and inserting the records Create ISAM writes (copied from the
// database the image was made from) into an empty database.
Result IsamFloor(const char* image) {
    const Clock::time_point start = Clock::now();
    std::vector<uint8_t> buf(1 << 16);
    const int fd = ::open(image, O_RDONLY);
    for (ssize_t n; (n = ::read(fd, buf.data(), buf.size())) > 0;) {
    }
    ::close(fd);
    Result r;
    r.seconds = Seconds(start);
    return r;
}

}  // namespace

int main() {
    bench::Workspace workspace("benchcreateimage696");
    workspace.Enter();
    ::mkdir("db50", 0755);
    const size_t files = MakeSectionFiles(1 << 20);
    long runPeak = 0, floorPeak = 0;
    // Best of five runs each, the two taking turns.
    Result run, floor;
    for (int i = 0; i < kRuns; ++i) {
        const Result r = bench::InChild<Result>([] { return CopyAndSeal(); }, &runPeak);
        const Result f = bench::InChild<Result>([&r] { return Floor(r.imageBytes); }, &floorPeak);
        if (i == 0 || r.seconds < run.seconds) run = r;
        if (i == 0 || f.seconds < floor.seconds) floor = f;
    }
    std::printf("section files %zu bytes, image %ld bytes, %ld step calls\n\n", files, run.imageBytes, run.calls);
    std::printf("%-48s %9s %9s %10s\n", "", "seconds", "x floor", "peak KB");
    std::printf("%-48s %9.4f %9.2f %10ld\n", "floor: read files, write and read back image", floor.seconds, 1.0,
                floorPeak);
    std::printf("%-48s %9.4f %9.2f %10ld\n", "copy section files into the image and seal", run.seconds,
                run.seconds / floor.seconds, runPeak);
    std::printf("%-48s %9.4f\n", "  of which reading back and sealing", run.sealSeconds);

    // The whole operation on the generated database, with section files of 2 MB in all, so that
    // the image stays within 16 MiB.
    MakeSectionFiles(1 << 18);
    const Clock::time_point built = Clock::now();
    bench::InChild<Result>([] {
        bench::BuildDatabase(Shape());
        return Result{};
    });
    std::printf("\ngenerated database in %.1f s\n", Seconds(built));
    long imagePeak = 0, imageFloorPeak = 0, isamPeak = 0;
    // A first run gives the image's size; then the best of three runs each, the two taking turns.
    Result image = bench::InChild<Result>([] { return RunOperation(kModeCreateImage, "db.img", "Image Complete"); });
    Result imageFloor;
    for (int i = 0; i < 3; ++i) {
        const long bytes = image.imageBytes;
        const Result f = bench::InChild<Result>([bytes] { return DatabaseFloor(bytes); }, &imageFloorPeak);
        const Result r = bench::InChild<Result>(
            [] { return RunOperation(kModeCreateImage, "db.img", "Image Complete"); }, &imagePeak);
        if (i == 0 || f.seconds < imageFloor.seconds) imageFloor = f;
        if (i == 0 || r.seconds < image.seconds) image = r;
    }
    const Result readOnce = bench::InChild<Result>([] { return IsamFloor("db.img"); });
    const Result isam = bench::InChild<Result>(
        [] { return RunOperation(kModeCreateIsam, "db.img", "Database Complete"); }, &isamPeak);
    std::printf("image %ld bytes, %ld records read by the floor\n\n", image.imageBytes, imageFloor.calls);
    std::printf("%-48s %9s %9s %10s\n", "", "seconds", "x floor", "peak KB");
    std::printf("%-48s %9.4f %9.2f %10ld\n", "floor: walk the records, write the image", imageFloor.seconds, 1.0,
                imageFloorPeak);
    std::printf("%-48s %9.4f %9.2f %10ld\n", "Create Image", image.seconds, image.seconds / imageFloor.seconds,
                imagePeak);
    for (int step = 0; step < bench::kMaxSteps; ++step) {
        if (image.stepSeconds[step] > 0.02 * image.seconds) {
            std::printf("  of which step %-33d %9.4f\n", step, image.stepSeconds[step]);
        }
    }
    std::printf("%-48s %9.4f %9s %10s\n", "read the image once", readOnce.seconds, "", "");
    std::printf("%-48s %9.4f %9s %10ld\n", "Create ISAM (read, erase, insert the records)", isam.seconds, "",
                isamPeak);
    return 0;
}

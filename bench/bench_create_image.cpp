// Create Image on a database at the size of the 495/496 family's sections: 20,000 airports
// with two runways and three frequencies each (one with a restriction), 60,000 intersections,
// 5,000 NDBs and 5,000 VORs in twenty countries, 30,000 names.
//
// Timed against its floor: one plain walk over every record that Create Image reads, plus
// writing the pre-filled image's bytes. Create Image runs twice, each in a child process of its
// own so that its peak memory (getrusage) is its own:
//   through the idle loop     the program's way: one step call per idle turn of the message loop;
//   the driver in a loop      the same steps without the message loop;
// the difference, divided by the number of calls, is what the step machine costs an idle turn.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dblib/DbDir.h"
#include "gen/BatchRecords.h"
#include "gen/CGenApp.h"
#include "gen/CGenDBOpen.h"
#include "gen/CGenDoc.h"
#include "gen/CGenView.h"
#include "gen/CreateImage.h"
#include "gen/CreateImageBuild.h"
#include "gen/CreateImageProgram.h"
#include "gen/ImageParams.h"
#include "platform/FileSystem.h"
#include "platform/HeadlessUi.h"

namespace {

constexpr int kCountries = 20;
constexpr int kAirports = 20000;
constexpr int kIntersections = 60000;
constexpr int kNdbs = 5000;
constexpr int kVors = 5000;
constexpr int kRunwaysPerAirport = 2;
constexpr int kFrequenciesPerAirport = 3;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

void Ident(char* out, int n, int letters) {
    std::memset(out, 0, 8);
    for (int i = letters - 1; i >= 0; --i) {
        out[i] = static_cast<char>('A' + n % 26);
        n /= 26;
    }
}

void Text(char* out, size_t size, const std::string& text) {
    std::memset(out, 0, size);
    std::memcpy(out, text.data(), std::min(text.size(), size - 1));
}

// Positions over the United States and Canada, spread over many grid cells.
int32_t Latitude(int i, int spread) { return static_cast<int32_t>((25.0 + (i % spread) * 30.0 / spread) * 11930464.7); }
int32_t Longitude(int i, int spread) {
    return static_cast<int32_t>((-125.0 + (i / spread) * 60.0 / (kIntersections / spread + 1)) * 11930464.7);
}

template <class Buf>
void Add(int file, Buf& buf) {
    if (!dbif_add(file, &buf)) {
        std::fprintf(stderr, "add to file %d failed\n", file);
        std::exit(1);
    }
}

void BuildDatabase() {
    CGenDBOpen opener;
    opener.OpenAll();
    CGenDBOpen::SetActive(&opener);
    for (int f = 0; f < kGenFileCount; ++f) dbif_open(f);
    int32_t nsno = 0;
    auto name = [&](const std::string& text) {
        NameBuf n{};
        n.nsno = nsno++;
        Text(n.nname, sizeof n.nname, text);
        Add(kFileNames, n);
        return n.nsno;
    };
    for (int c = 0; c < kCountries; ++c) {
        CountryBuf country{};
        country.csno = c;
        country.cid[0] = static_cast<char>('A' + c);
        country.cid[1] = 'X';
        Text(country.cname, sizeof country.cname, "COUNTRY " + std::to_string(c));
        Add(kFileCountry, country);
    }
    int32_t rsno = 0, fsno = 0, rcsno = 1;
    for (int a = 0; a < kAirports; ++a) {
        AptBuf apt{};
        apt.asno = a;
        Ident(apt.aident, a, 4);
        apt.alat = Latitude(a, 150);
        apt.along = Longitude(a * 3, 150);
        apt.acity = name("CITY " + std::to_string(a / 2) + (a % 2 ? " NORTH" : " SOUTH"));
        apt.afacil = a % 4 ? name("FIELD " + std::to_string(a)) : apt.acity;
        apt.acountry = a % kCountries;
        apt.aheight = a % 5000;
        apt.afuel = 0x14;
        apt.a212025 = -1;
        Add(kFileApts, apt);
        for (int r = 0; r < kRunwaysPerAirport; ++r) {
            RwyBuf rwy{};
            rwy.rsno = rsno++;
            rwy.raptno = a;
            rwy.rwidth = 150;
            rwy.rlen = 8000 - 3000 * r;
            rwy.rsl = 0x30;
            rwy.rw = 9 + 4 * r;
            rwy.rflags = 0x12;
            Add(kFileRwy3, rwy);
        }
        for (int f = 0; f < kFrequenciesPerAirport; ++f) {
            FreqBuf freq{};
            freq.fsno = fsno++;
            freq.faptno = a;
            freq.ftype = 4 + f;
            freq.freq = 11870 + 40 * f;
            freq.f431 = -1;
            if (f == 0) {
                RestrBuf restr{};
                restr.rcsno = rcsno++;
                const uint8_t bytes[8] = {5, 0x05, 90, 14, 0x88, 0x13, 0, 0};
                std::memcpy(restr.rcres, bytes, sizeof bytes);
                Add(kFileRestr, restr);
                freq.frsno = restr.rcsno;
            }
            Add(kFileFreq3, freq);
        }
    }
    for (int i = 0; i < kIntersections; ++i) {
        IntBuf in{};
        in.isno = i;
        Ident(in.iident, i, 5);
        in.ilat = Latitude(i, 300);
        in.ilong = Longitude(i, 300);
        in.icountry = i % kCountries;
        in.iflags = -1;
        Add(kFileInts, in);
    }
    for (int i = 0; i < kNdbs; ++i) {
        NdbBuf ndb{};
        ndb.bsno = i;
        Ident(ndb.bident, i * 3, 3);
        ndb.blat = Latitude(i * 7, 100);
        ndb.blong = Longitude(i * 12, 100);
        ndb.bfacil = i % 2 ? name("BEACON " + std::to_string(i)) : -1;
        ndb.bcity = static_cast<int32_t>(i % 1000);
        ndb.bcountry = i % kCountries;
        ndb.bfreq = 2000 + i % 3000;
        ndb.bflags = -1;
        Add(kFileNdbs, ndb);
    }
    for (int i = 0; i < kVors; ++i) {
        VorBuf vor{};
        vor.vsno = i;
        Ident(vor.vident, i * 3 + 1, 3);
        vor.vlat = Latitude(i * 5, 100);
        vor.vlong = Longitude(i * 12 + 6, 100);
        vor.vfacil = i % 2 ? name("VOR " + std::to_string(i)) : -1;
        vor.vcity = static_cast<int32_t>(1000 + i % 1000);
        vor.vcountry = i % kCountries;
        vor.vfreq = 10800 + 5 * (i % 200);
        vor.vdme = 0x304;
        vor.v221817 = -1;
        Add(kFileVors, vor);
    }
    for (int f = 0; f < kGenFileCount; ++f) dbif_close(f);
    CGenDBOpen::SetActive(nullptr);
    std::printf("database: %d names, %d runways, %d frequencies\n", nsno, rsno, fsno);
}

// The floor: one walk over every record file that Create Image reads, through its serial
// index, then the pre-filled image's bytes written in large pieces.
void Floor(double* walk, double* write, long* records) {
    CGenDBOpen opener;
    opener.OpenAll();
    CGenDBOpen::SetActive(&opener);
    const struct {
        int file;
        const char* index;
    } files[] = {{kFileCountry, "csno"}, {kFileNames, "nsno"}, {kFileApts, "asno"}, {kFileInts, "isno"},
                 {kFileNdbs, "bsno"},    {kFileVors, "vsno"},   {kFileRwy3, "rsno"}, {kFileFreq3, "fsno"},
                 {kFileRestr, "rcsno"},  {kFileAppr, "psno"},   {kFileLwpt, "lsno"}};
    uint8_t buffer[128];
    *records = 0;
    const Clock::time_point start = Clock::now();
    for (const auto& f : files) {
        dbif_open(f.file);
        dbif_index(f.file, f.index);
        for (int found = dbif_first(f.file, buffer); found; found = dbif_next(f.file, buffer)) ++*records;
        dbif_close(f.file);
    }
    *walk = Seconds(start);
    CGenDBOpen::SetActive(nullptr);

    const Clock::time_point writing = Clock::now();
    const int fd = platform::OpenFile("floor.img", O_RDWR | O_CREAT | O_TRUNC, platform::Share::DenyReadWrite);
    std::vector<uint8_t> piece(0x10000, 0xFF);
    for (uint32_t at = 0; at < ImageParams496.prefillSize; at += piece.size()) {
        platform::WriteAt(fd, piece.data(), piece.size(), at);
    }
    platform::CloseFile(fd);
    *write = Seconds(writing);
    platform::DeleteFile("floor.img");
}

constexpr int kMaxSteps = 40;

struct RunResult {
    double seconds = 0;
    long calls = 0;
    long peakKb = 0;
    long imageBytes = 0;
    double stepSeconds[kMaxSteps] = {};  // the driver in a loop: time per step of the table
};

// Create Image in this process: through the idle loop, or with its driver called in a loop.
RunResult CreateImage(bool idleLoop) {
    GenModel model;
    model.name = "Brondel";
    model.version = "5.4.10";
    model.programFile = "brondel";
    model.modelCode = 6;
    model.imageParams = &ImageParams496;
    InstallImageOperations(model);
    CGenApp app(std::move(model));
    auto ui = std::make_unique<platform::HeadlessUi>();
    ui->SetStreams(nullptr, nullptr);
    app.SetUi(std::move(ui));
    if (!app.InitInstance()) std::exit(1);
    CGenView& view = *app.GenView();
    view.mode = kModeCreateImage;
    view.fileName = "bench.img";
    view.title = "BENCH";
    RunResult result;
    const Clock::time_point start = Clock::now();
    app.SetState(kStateStartPending);
    long turn = 1;
    app.OnIdle(turn++);  // starts the operation: database opened, image created
    if (idleLoop) {
        while (app.State() != kStateIdle) {
            app.OnIdle(turn++);
            ++result.calls;
        }
    } else {
        const ModeDriver& driver = app.Model().drivers[kModeCreateImage];
        bool done = false;
        while (!done) {
            const uint32_t step = app.Context().step;
            const Clock::time_point call = Clock::now();
            done = driver(app.Context());
            if (step < kMaxSteps) result.stepSeconds[step] += Seconds(call);
            ++result.calls;
        }
        app.EndOfOperation(*app.Document(), true);
    }
    result.seconds = Seconds(start);
    std::error_code ec;
    result.imageBytes = static_cast<long>(std::filesystem::file_size("bench.img", ec));
    const std::vector<std::string>& lines = app.Document()->Lines();
    if (lines.size() < 2 || lines[lines.size() - 2] != "Image Complete") {
        std::fprintf(stderr, "Create Image did not complete: %s\n", lines.empty() ? "" : lines.back().c_str());
        std::exit(1);
    }
    return result;
}

// Runs `work` in a child process, so that the parent stays small and the child's peak resident
// memory is its own; its result comes back through a pipe.
template <class Result, class Work>
Result InChild(Work work, long* peakKb = nullptr) {
    int pipeFd[2];
    if (::pipe(pipeFd) != 0) std::exit(1);
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFd[0]);
        const Result r = work();
        std::fflush(stdout);
        if (::write(pipeFd[1], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) _exit(1);
        _exit(0);
    }
    ::close(pipeFd[1]);
    Result r{};
    const bool read = ::read(pipeFd[0], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
    ::close(pipeFd[0]);
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "a benchmark run failed\n");
        std::exit(1);
    }
    if (peakKb) *peakKb = usage.ru_maxrss;
    return r;
}

struct FloorResult {
    double walk = 0;
    double write = 0;
    long records = 0;
};

}  // namespace

int main() {
    char pattern[] = "/tmp/benchcreateimage-XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::filesystem::create_directory("db50");
    SetDbDir(dir + "/db50");

    const double built = InChild<double>([] {
        const Clock::time_point start = Clock::now();
        BuildDatabase();
        return Seconds(start);
    });
    std::printf("database built in %.1f s\n", built);

    const FloorResult f = InChild<FloorResult>([] {
        FloorResult r;
        Floor(&r.walk, &r.write, &r.records);
        return r;
    });
    const double walk = f.walk, write = f.write;
    const long records = f.records;
    const double floor = walk + write;
    long idlePeak = 0, directPeak = 0;
    RunResult idle = InChild<RunResult>([] { return CreateImage(true); }, &idlePeak);
    RunResult direct = InChild<RunResult>([] { return CreateImage(false); }, &directPeak);
    idle.peakKb = idlePeak;
    direct.peakKb = directPeak;

    std::printf("\n%-44s %9s %9s %10s\n", "", "seconds", "x floor", "peak KB");
    std::printf("%-44s %9.3f\n", "walk over every record read", walk);
    std::printf("%-44s %9.3f\n", "writing the image's 4 MB", write);
    std::printf("%-44s %9.3f %9.2f\n", "floor", floor, 1.0);
    std::printf("%-44s %9.3f %9.2f %10ld\n", "Create Image through the idle loop", idle.seconds, idle.seconds / floor,
                idle.peakKb);
    std::printf("%-44s %9.3f %9.2f %10ld\n", "Create Image, driver in a loop", direct.seconds, direct.seconds / floor,
                direct.peakKb);
    std::printf("\nrecords walked %ld, step calls %ld, image file %ld bytes\n", records, idle.calls, idle.imageBytes);
    std::printf("step machine per idle turn: %.0f ns (a step call takes %.0f ns on average)\n",
                (idle.seconds - direct.seconds) / static_cast<double>(idle.calls) * 1e9,
                direct.seconds / static_cast<double>(direct.calls) * 1e9);

    std::printf("\nsteps taking 2%% or more (driver in a loop):\n");
    const std::vector<CreateImageRow> rows = CreateImageTable(ImageParams496);
    for (size_t i = 0; i < rows.size() && i < kMaxSteps; ++i) {
        if (direct.stepSeconds[i] >= 0.02 * direct.seconds) {
            std::printf("  %-46s %7.3f s\n", rows[i].text, direct.stepSeconds[i]);
        }
    }

    std::filesystem::current_path(previous);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}

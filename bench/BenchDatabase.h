// What the benchmarks share: a temporary working folder with an empty database folder, the
// clock, a generated database at the size of the 495/496 family's sections (20,000 airports
// with two runways and three frequencies each, 60,000 intersections, 5,000 NDBs and 5,000 VORs
// in twenty countries, 30,000 names), and a quiet Brondel application that runs one operation
// either through the idle loop or with its step driver called in a loop.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dblib/DbDir.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/CGenView.h"
#include "gen/createimage/CreateImageProgram.h"
#include "gen/image/ImageParams.h"
#include "platform/HeadlessUi.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

// A temporary folder "/tmp/<prefix>-XXXXXX" with an empty "db50" in it, removed afterwards
// (kept when BENCH_KEEP is set, for profiling the programs on it).
// Enter() makes it the working folder and its "db50" the database folder until the end.
class Workspace {
public:
    explicit Workspace(const char* prefix) {
        std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
        if (!::mkdtemp(pattern.data())) Fail("no temporary folder");
        dir_ = pattern;
        std::filesystem::create_directory(dir_ + "/db50");
    }
    ~Workspace() {
        std::error_code ec;
        if (!previous_.empty()) std::filesystem::current_path(previous_, ec);
        if (std::getenv("BENCH_KEEP")) {
            std::fprintf(stderr, "kept %s\n", dir_.c_str());
            return;
        }
        std::filesystem::remove_all(dir_, ec);
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    const std::string& Dir() const { return dir_; }
    void Enter() {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        SetDbDir(dir_ + "/db50");
    }

private:
    std::string dir_;
    std::filesystem::path previous_;
};

// ---- The generated database ----------------------------------------------------------------

constexpr int kCountries = 20;
constexpr int kAirports = 20000;
constexpr int kIntersections = 60000;
constexpr int kNdbs = 5000;
constexpr int kVors = 5000;
constexpr double kUnitsPerDegree = 4294967296.0 / 360.0;

struct DatabaseShape {
    bool restrictionEveryAirport = true;  // the first frequency restricted at every airport, else every second
    // Called for every airport after its runways and frequencies (its asno, its two runways' rsno).
    std::function<void(const AptRecord& apt, const int32_t runways[2])> airportExtras;
    // The share of the full counts of airports, intersections, NDBs and VORs (a smaller family).
    int percent = 100;
    int Scaled(int full) const { return full * percent / 100; }
};

struct DatabaseCounts {
    int32_t names = 0;
    int32_t runways = 0;
    int32_t frequencies = 0;
};

inline void Ident(char (&out)[8], int n, int letters) {
    std::memset(out, 0, sizeof out);
    for (int i = letters - 1; i >= 0; --i) {
        out[i] = static_cast<char>('A' + n % 26);
        n /= 26;
    }
}

template <size_t N>
void Text(char (&out)[N], const std::string& text) {
    std::memset(out, 0, N);
    std::memcpy(out, text.data(), std::min(text.size(), N - 1));
}

// Positions over North America, spread over many grid cells.
inline int32_t Latitude(int i, int spread) {
    return static_cast<int32_t>((25.0 + (i % spread) * 30.0 / spread) * kUnitsPerDegree);
}
inline int32_t Longitude(int i, int spread) {
    return static_cast<int32_t>((-125.0 + (i / spread) * 60.0 / (kIntersections / spread + 1)) * kUnitsPerDegree);
}

template <class Record>
void Add(const Record& record) {
    if (!dbif_add(record)) Fail("a database add failed");
}

// Writes the generated database into the empty database folder.
inline DatabaseCounts BuildDatabase(const DatabaseShape& shape) {
    CGenDBOpen opener;
    opener.OpenAll();
    CGenDBOpen::SetActive(&opener);
    for (int f = 0; f < kGenFileCount; ++f) dbif_open(f);
    DatabaseCounts counts;
    auto name = [&](const std::string& text) {
        NameRecord n{};
        n.nsno = counts.names++;
        Text(n.nname, text);
        Add(n);
        return n.nsno;
    };
    for (int c = 0; c < kCountries; ++c) {
        CountryRecord country{};
        country.csno = c;
        country.cid[0] = static_cast<char>('A' + c);
        country.cid[1] = 'X';
        Text(country.cname, "COUNTRY " + std::to_string(c));
        Add(country);
    }
    int32_t rcsno = 1;
    for (int a = 0; a < shape.Scaled(kAirports); ++a) {
        AptRecord apt{};
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
        Add(apt);
        int32_t runways[2];
        for (int r = 0; r < 2; ++r) {
            RwyRecord rwy{};
            rwy.rsno = runways[r] = counts.runways++;
            rwy.raptno = a;
            rwy.rwidth = 150;
            rwy.rlen = 8000 - 3000 * r;
            rwy.rsl = 0x30;
            rwy.rw = 9 + 4 * r;
            rwy.rflags = 0x12;
            Add(rwy);
        }
        for (int f = 0; f < 3; ++f) {
            FreqRecord freq{};
            freq.fsno = counts.frequencies++;
            freq.faptno = a;
            freq.ftype = 4 + f;
            freq.freq = 11870 + 40 * f;
            freq.f431 = -1;
            if (f == 0 && (shape.restrictionEveryAirport || a % 2 == 0)) {
                RestrRecord restr{};
                restr.rcsno = rcsno++;
                const uint8_t bytes[8] = {5, 0x05, 90, 14, 0x88, 0x13, 0, 0};
                std::memcpy(restr.rcres, bytes, sizeof bytes);
                Add(restr);
                freq.frsno = restr.rcsno;
            }
            Add(freq);
        }
        if (shape.airportExtras) shape.airportExtras(apt, runways);
    }
    for (int i = 0; i < shape.Scaled(kIntersections); ++i) {
        IntRecord in{};
        in.isno = i;
        Ident(in.iident, i, 5);
        in.ilat = Latitude(i, 300);
        in.ilong = Longitude(i, 300);
        in.icountry = i % kCountries;
        in.iflags = -1;
        Add(in);
    }
    for (int i = 0; i < shape.Scaled(kNdbs); ++i) {
        NdbRecord ndb{};
        ndb.bsno = i;
        Ident(ndb.bident, i * 3, 3);
        ndb.blat = Latitude(i * 7, 100);
        ndb.blong = Longitude(i * 12, 100);
        ndb.bfacil = i % 2 ? name("BEACON " + std::to_string(i)) : -1;
        ndb.bcity = i % 1000;
        ndb.bcountry = i % kCountries;
        ndb.bfreq = 2000 + i % 3000;
        ndb.bflags = -1;
        Add(ndb);
    }
    for (int i = 0; i < shape.Scaled(kVors); ++i) {
        VorRecord vor{};
        vor.vsno = i;
        Ident(vor.vident, i * 3 + 1, 3);
        vor.vlat = Latitude(i * 5, 100);
        vor.vlong = Longitude(i * 12 + 6, 100);
        vor.vfacil = i % 2 ? name("VOR " + std::to_string(i)) : -1;
        vor.vcity = 1000 + i % 1000;
        vor.vcountry = i % kCountries;
        vor.vfreq = 10800 + 5 * (i % 200);
        vor.vdme = 0x304;
        vor.v221817 = -1;
        Add(vor);
    }
    for (int f = 0; f < kGenFileCount; ++f) dbif_close(f);
    CGenDBOpen::SetActive(nullptr);
    return counts;
}

// ---- Running an operation ------------------------------------------------------------------

// A Brondel application in this process (or the generator that `install` fills); its headless
// backend writes message box texts to `messages` (nullptr: nowhere) and listing lines nowhere.
inline std::unique_ptr<CGenApp> MakeApp(std::FILE* messages, void (*install)(GenModel&) = nullptr) {
    GenModel model;
    if (install) {
        install(model);
    } else {
        model.name = "Brondel";
        model.version = "5.4.10";
        model.programFile = "brondel";
        model.imageParams = &ImageParams496;
        InstallImageOperations(model);
    }
    auto app = std::make_unique<CGenApp>(std::move(model));
    auto ui = std::make_unique<platform::HeadlessUi>();
    ui->SetStreams(nullptr, messages);
    app->SetUi(std::move(ui));
    if (!app->InitInstance()) Fail("the application did not start");
    return app;
}

constexpr int kMaxSteps = 40;

// Plain data, so that a child process can hand it back through a pipe.
struct RunResult {
    double seconds = 0;
    long calls = 0;
    long peakKb = 0;
    long imageBytes = 0;
    double stepSeconds[kMaxSteps] = {};  // the driver in a loop: time per step of the table
};

// One operation as GO starts it; with `idleLoop` one step per idle turn, else the mode's
// driver called in a loop. `lastLine` is the line the operation must end with.
inline RunResult RunOperation(CGenApp& app, int mode, const std::string& file, bool idleLoop, const char* lastLine) {
    CGenView& view = *app.GenView();
    view.mode = mode;
    view.fileName = file;
    view.title = "BENCH";
    RunResult result;
    const Clock::time_point start = Clock::now();
    app.SetState(kStateStartPending);
    long turn = 1;
    app.OnIdle(turn++);  // starts the operation
    if (idleLoop) {
        for (; app.State() != kStateIdle; ++result.calls) app.OnIdle(turn++);
    } else {
        const ModeDriver& driver = app.Model().drivers[mode];
        // The clock is read when the step changes, not around every call (which would time
        // the clock as much as the step).
        uint32_t current = std::min<uint32_t>(app.Context().step, kMaxSteps - 1);
        Clock::time_point since = Clock::now();
        for (bool done = false; !done; ++result.calls) {
            const uint32_t step = std::min<uint32_t>(app.Context().step, kMaxSteps - 1);
            if (step != current) {
                const Clock::time_point now = Clock::now();
                result.stepSeconds[current] += std::chrono::duration<double>(now - since).count();
                current = step;
                since = now;
            }
            done = driver(app.Context());
        }
        result.stepSeconds[current] += Seconds(since);
        app.EndOfOperation(*app.Document(), true);
    }
    result.seconds = Seconds(start);
    const std::vector<std::string>& lines = app.Document()->Lines();
    if (lines.size() < 2 || lines[lines.size() - 2] != lastLine) {
        for (size_t i = lines.size() > 8 ? lines.size() - 8 : 0; i < lines.size(); ++i) {
            std::fprintf(stderr, "%s\n", lines[i].c_str());
        }
        Fail("the operation did not complete");
    }
    return result;
}

}  // namespace bench

// Create ISAM of an image at the size of the 495/496 family's sections: 20,000 airports with
// two runways and three frequencies each (every second airport with a restriction), every
// twentieth with two approaches and their local waypoints (the rwy/com/appr table stays within
// its 19-bit offsets), 60,000 intersections, 5,000 NDBs and 5,000 VORs in
// twenty countries, 30,000 names. The image is made by Create Image from a generated database.
//
// Timed against its floor: reading the image file once, plus inserting into the empty record
// files every record that Create ISAM writes (all files kept open, records in serial order).
// Create ISAM runs in two ways (each way, and the floor, three times; the fastest counts):
//   the driver in a loop      the steps without the message loop;
//   through the idle loop     the program's way: one step call per idle turn.
// Goal: at most twice the floor.
#include <fcntl.h>
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
#include "gen/CreateImageProgram.h"
#include "gen/CreateIsamRecords.h"
#include "gen/CreateIsamSteps.h"
#include "gen/ImageParams.h"
#include "platform/FileSystem.h"
#include "platform/HeadlessUi.h"

namespace {

constexpr int kCountries = 20;
constexpr int kAirports = 20000;
constexpr int kIntersections = 60000;
constexpr int kNdbs = 5000;
constexpr int kVors = 5000;
constexpr int kApproachEvery = 20;
constexpr double kUnitsPerDegree = 4294967296.0 / 360.0;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

void Ident(char* out, int n, int letters) {
    std::memset(out, 0, 8);
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
int32_t Latitude(int i, int spread) { return static_cast<int32_t>((25.0 + (i % spread) * 30.0 / spread) * kUnitsPerDegree); }
int32_t Longitude(int i, int spread) {
    return static_cast<int32_t>((-125.0 + (i / spread) * 60.0 / (kIntersections / spread + 1)) * kUnitsPerDegree);
}

template <class Buf>
void Add(int file, Buf& buf) {
    if (!dbif_add(file, &buf)) Fail("a database add failed");
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
        Text(n.nname, text);
        Add(kFileNames, n);
        return n.nsno;
    };
    for (int c = 0; c < kCountries; ++c) {
        CountryBuf country{};
        country.csno = c;
        country.cid[0] = static_cast<char>('A' + c);
        country.cid[1] = 'X';
        Text(country.cname, "COUNTRY " + std::to_string(c));
        Add(kFileCountry, country);
    }
    int32_t rsno = 0, fsno = 0, rcsno = 1, psno = 0, lsno = 0;
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
        int32_t runways[2];
        for (int r = 0; r < 2; ++r) {
            RwyBuf rwy{};
            rwy.rsno = runways[r] = rsno++;
            rwy.raptno = a;
            rwy.rwidth = 150;
            rwy.rlen = 8000 - 3000 * r;
            rwy.rsl = 0x30;
            rwy.rw = 9 + 4 * r;
            rwy.rflags = 0x12;
            Add(kFileRwy3, rwy);
        }
        for (int f = 0; f < 3; ++f) {
            FreqBuf freq{};
            freq.fsno = fsno++;
            freq.faptno = a;
            freq.ftype = 4 + f;
            freq.freq = 11870 + 40 * f;
            freq.f431 = -1;
            if (f == 0 && a % 2 == 0) {
                RestrBuf restr{};
                restr.rcsno = rcsno++;
                const uint8_t bytes[8] = {5, 0x05, 90, 14, 0x88, 0x13, 0, 0};
                std::memcpy(restr.rcres, bytes, sizeof bytes);
                Add(kFileRestr, restr);
                freq.frsno = restr.rcsno;
            }
            Add(kFileFreq3, freq);
        }
        if (a % kApproachEvery != 0) continue;
        LwptBuf fix{};
        fix.lsno = lsno++;
        fix.laptno = a;
        fix.ltyp = 0xC0;
        fix.llat = apt.alat - 200000;
        fix.llong = apt.along + 150000;
        Text(fix.lid, "FF09");
        Add(kFileLwpt, fix);
        LwptBuf beacon{};
        beacon.lsno = lsno++;
        beacon.laptno = a;
        beacon.ltyp = 0xE0;
        beacon.llat = apt.alat + 40000;
        beacon.llong = apt.along - 30000;
        beacon.lfreq = 3420;
        Text(beacon.lid, "OM");
        Add(kFileLwpt, beacon);
        for (int k = 0; k < 2; ++k) {
            ApprBuf appr{};
            appr.psno = psno++;
            appr.paptno = a;
            appr.pseq = k;
            appr.ptyp = k ? 0x20 : 0x06;
            Text(appr.pid, k ? "N13  " : "I09  ");
            appr.pnsno = -1;
            appr.pwtyp[0] = k ? 0x41 : 0x21;
            appr.pwrecno[0] = k ? a % kNdbs : a % kIntersections;
            appr.pwtyp[1] = k ? 0xE2 : 0xC2;
            appr.pwrecno[1] = k ? beacon.lsno : fix.lsno;
            appr.pwtyp[2] = k ? 0x1A4 : 0xA4;
            appr.pwrecno[2] = runways[k];
            Add(kFileAppr, appr);
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
        ndb.bcity = i % 1000;
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
        vor.vcity = 1000 + i % 1000;
        vor.vcountry = i % kCountries;
        vor.vfreq = 10800 + 5 * (i % 200);
        vor.vdme = 0x304;
        vor.v221817 = -1;
        Add(kFileVors, vor);
    }
    for (int f = 0; f < kGenFileCount; ++f) dbif_close(f);
    CGenDBOpen::SetActive(nullptr);
}

// A Brondel application in this process with a quiet headless backend.
std::unique_ptr<CGenApp> MakeApp() {
    GenModel model;
    model.name = "Brondel";
    model.version = "5.4.10";
    model.programFile = "brondel";
    model.modelCode = 6;
    model.imageParams = &ImageParams496;
    InstallImageOperations(model);
    auto app = std::make_unique<CGenApp>(std::move(model));
    auto ui = std::make_unique<platform::HeadlessUi>();
    ui->SetStreams(nullptr, stderr);
    app->SetUi(std::move(ui));
    if (!app->InitInstance()) Fail("the application did not start");
    return app;
}

struct RunResult {
    double seconds = 0;
    long calls = 0;
    double stepSeconds[16] = {};  // driver in a loop: by step
};

// One operation as GO starts it; with `idleLoop` one step per idle turn, else the mode's
// driver called in a loop. `lastLine` is the line the operation must end with.
RunResult RunOperation(CGenApp& app, int mode, const std::string& file, bool idleLoop, const char* lastLine) {
    CGenView& view = *app.GenView();
    view.mode = mode;
    view.fileName = file;
    view.title = "BENCH";
    RunResult result;
    const Clock::time_point start = Clock::now();
    app.SetState(kStateStartPending);
    long turn = 1;
    app.OnIdle(turn++);
    if (idleLoop) {
        for (; app.State() != kStateIdle; ++result.calls) app.OnIdle(turn++);
    } else {
        const ModeDriver& driver = app.Model().drivers[mode];
        for (bool done = false; !done; ++result.calls) {
            const uint32_t step = std::min<uint32_t>(app.Context().step, 15);
            const Clock::time_point call = Clock::now();
            done = driver(app.Context());
            result.stepSeconds[step] += Seconds(call);
        }
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

// The records Create ISAM wrote, by file, in serial order.
struct FileRecords {
    int file;
    const char* index;
    std::vector<std::vector<uint8_t>> records;
};

std::vector<FileRecords> ReadWrittenRecords() {
    std::vector<FileRecords> files = {{kFileCountry, "csno", {}}, {kFileNames, "nsno", {}}, {kFileApts, "asno", {}},
                                      {kFileRwy3, "rsno", {}},    {kFileFreq3, "fsno", {}}, {kFileRestr, "rcsno", {}},
                                      {kFileAppr, "psno", {}},    {kFileLwpt, "lsno", {}},  {kFileInts, "isno", {}},
                                      {kFileNdbs, "bsno", {}},    {kFileVors, "vsno", {}}};
    for (FileRecords& f : files) {
        std::vector<uint8_t> buffer(128);
        dbif_open(f.file);
        dbif_index(f.file, f.index);
        for (int found = dbif_first(f.file, buffer.data()); found; found = dbif_next(f.file, buffer.data())) {
            f.records.emplace_back(buffer.begin(), buffer.begin() + GenRecordLength(f.file));
        }
        dbif_close(f.file);
    }
    return files;
}

// The floor: the image read once, and every record inserted into empty record files.
double Floor(const std::string& image, const std::vector<FileRecords>& files, double* read, double* inserts) {
    for (size_t i = 0; i < kIsamEraseCount; ++i) {
        for (const char* ext : {"dta", "dtx"}) platform::DeleteFile(DbFilePath(kIsamEraseList[i], ext));
    }
    CGenDBOpen opener;
    opener.OpenAll();
    CGenDBOpen::SetActive(&opener);
    const Clock::time_point start = Clock::now();
    const int fd = platform::OpenFile(image, O_RDONLY, platform::Share::DenyNone);
    std::vector<uint8_t> bytes(static_cast<size_t>(platform::FileSize(fd)));
    if (platform::ReadAt(fd, bytes.data(), bytes.size(), 0) != static_cast<long>(bytes.size())) Fail("read failed");
    platform::CloseFile(fd);
    *read = Seconds(start);
    const Clock::time_point inserting = Clock::now();
    for (const FileRecords& f : files) {
        dbif_open(f.file);
        std::vector<uint8_t> buffer(128);
        for (const auto& r : f.records) {
            std::copy(r.begin(), r.end(), buffer.begin());
            if (!dbif_add(f.file, buffer.data())) Fail("a floor insert failed");
        }
        dbif_close(f.file);
    }
    *inserts = Seconds(inserting);
    CGenDBOpen::SetActive(nullptr);
    return Seconds(start);
}

}  // namespace

int main() {
    char pattern[] = "/tmp/benchcreateisam-XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::filesystem::create_directory("db50");
    SetDbDir(dir + "/db50");

    Clock::time_point start = Clock::now();
    BuildDatabase();
    std::printf("database built in %.1f s\n", Seconds(start));
    std::unique_ptr<CGenApp> app = MakeApp();
    const RunResult image = RunOperation(*app, kModeCreateImage, "bench.img", false, "Image Complete");
    std::error_code ec;
    std::printf("image made in %.1f s: %ju bytes\n", image.seconds,
                static_cast<uintmax_t>(std::filesystem::file_size("bench.img", ec)));

    // Each measured three times, alternately; the fastest counts.
    RunResult direct, idle;
    double floor = 0, read = 0, inserts = 0;
    std::vector<FileRecords> files;
    size_t records = 0;
    for (int round = 0; round < 3; ++round) {
        const RunResult d = RunOperation(*app, kModeCreateIsam, "bench.img", false, "Database Complete");
        const RunResult i = RunOperation(*app, kModeCreateIsam, "bench.img", true, "Database Complete");
        if (round == 0) {
            files = ReadWrittenRecords();
            for (const FileRecords& f : files) records += f.records.size();
        }
        double r = 0, n = 0;
        const double fl = Floor("bench.img", files, &r, &n);
        if (round == 0 || d.seconds < direct.seconds) direct = d;
        if (round == 0 || i.seconds < idle.seconds) idle = i;
        if (round == 0 || fl < floor) floor = fl, read = r, inserts = n;
    }
    std::printf("\n%-40s %9s %9s\n", "", "seconds", "x floor");
    std::printf("%-40s %9.3f\n", "reading the image once", read);
    std::printf("%-40s %9.3f\n", "inserting the records", inserts);
    std::printf("%-40s %9.3f %9.2f\n", "floor", floor, 1.0);
    std::printf("%-40s %9.3f %9.2f\n", "Create ISAM, driver in a loop", direct.seconds, direct.seconds / floor);
    std::printf("%-40s %9.3f %9.2f\n", "Create ISAM through the idle loop", idle.seconds, idle.seconds / floor);
    std::printf("\nrecords written %zu, step calls %ld\n", records, idle.calls);
    std::printf("driver in a loop, by step:");
    for (size_t i = 0; i < app->Model().createIsamSteps.size(); ++i) std::printf(" %.3f", direct.stepSeconds[i]);
    std::printf("\n");

    app.reset();
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(dir, ec);
    return 0;
}

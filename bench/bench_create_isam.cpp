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

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "BenchDatabase.h"
#include "gen/createisam/CreateIsamRecords.h"
#include "gen/createisam/CreateIsamSteps.h"
#include "platform/FileSystem.h"

namespace {

using bench::Clock;
using bench::Fail;
using bench::RunOperation;
using bench::RunResult;
using bench::Seconds;

constexpr int kApproachEvery = 20;

// Two approaches of the airport with their final-approach fix and outer marker.
void AddApproaches(const AptRecord& apt, const int32_t runways[2], int32_t* psno, int32_t* lsno) {
    using bench::Add;
    using bench::Text;
    const int a = apt.asno;
    LwptRecord fix{};
    fix.lsno = (*lsno)++;
    fix.laptno = a;
    fix.ltyp = 0xC0;
    fix.llat = apt.alat - 200000;
    fix.llong = apt.along + 150000;
    Text(fix.lid, "FF09");
    Add(fix);
    LwptRecord beacon{};
    beacon.lsno = (*lsno)++;
    beacon.laptno = a;
    beacon.ltyp = 0xE0;
    beacon.llat = apt.alat + 40000;
    beacon.llong = apt.along - 30000;
    beacon.lfreq = 3420;
    Text(beacon.lid, "OM");
    Add(beacon);
    for (int k = 0; k < 2; ++k) {
        ApprRecord appr{};
        appr.psno = (*psno)++;
        appr.paptno = a;
        appr.pseq = k;
        appr.ptyp = k ? 0x20 : 0x06;
        Text(appr.pid, k ? "N13  " : "I09  ");
        appr.pnsno = -1;
        appr.pwtyp[0] = k ? 0x41 : 0x21;
        appr.pwrecno[0] = k ? a % bench::kNdbs : a % bench::kIntersections;
        appr.pwtyp[1] = k ? 0xE2 : 0xC2;
        appr.pwrecno[1] = k ? beacon.lsno : fix.lsno;
        appr.pwtyp[2] = k ? 0x1A4 : 0xA4;
        appr.pwrecno[2] = runways[k];
        Add(appr);
    }
}

// The records Create ISAM wrote to one file, in serial order.
template <class Record>
struct FileRecords {
    const char* index;
    std::vector<Record> records;
};
using WrittenRecords =
    std::tuple<FileRecords<CountryRecord>, FileRecords<NameRecord>, FileRecords<AptRecord>, FileRecords<RwyRecord>,
               FileRecords<FreqRecord>, FileRecords<RestrRecord>, FileRecords<ApprRecord>, FileRecords<LwptRecord>,
               FileRecords<IntRecord>, FileRecords<NdbRecord>, FileRecords<VorRecord>>;

template <class Record>
void ReadFile(FileRecords<Record>& f) {
    dbif_open<Record>();
    dbif_index<Record>(f.index);
    Record record{};
    for (int found = dbif_first(record); found; found = dbif_next(record)) f.records.push_back(record);
    dbif_close<Record>();
}

template <class Record>
void InsertFile(const FileRecords<Record>& f) {
    dbif_open<Record>();
    for (const Record& r : f.records) {
        if (!dbif_add(r)) Fail("a floor insert failed");
    }
    dbif_close<Record>();
}

WrittenRecords ReadWrittenRecords() {
    WrittenRecords files{{"csno", {}}, {"nsno", {}}, {"asno", {}}, {"rsno", {}}, {"fsno", {}}, {"rcsno", {}},
                         {"psno", {}}, {"lsno", {}}, {"isno", {}}, {"bsno", {}}, {"vsno", {}}};
    std::apply([](auto&... f) { (ReadFile(f), ...); }, files);
    return files;
}

// The floor: the image read once, and every record inserted into empty record files.
double Floor(const std::string& image, const WrittenRecords& files, double* read, double* inserts) {
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
    std::apply([](const auto&... f) { (InsertFile(f), ...); }, files);
    *inserts = Seconds(inserting);
    CGenDBOpen::SetActive(nullptr);
    return Seconds(start);
}

}  // namespace

int main() {
    bench::Workspace workspace("benchcreateisam");
    workspace.Enter();

    Clock::time_point start = Clock::now();
    bench::DatabaseShape shape;
    shape.restrictionEveryAirport = false;
    int32_t psno = 0, lsno = 0;
    shape.airportExtras = [&](const AptRecord& apt, const int32_t runways[2]) {
        if (apt.asno % kApproachEvery == 0) AddApproaches(apt, runways, &psno, &lsno);
    };
    bench::BuildDatabase(shape);
    std::printf("database built in %.1f s\n", Seconds(start));
    std::unique_ptr<CGenApp> app = bench::MakeApp(stderr);
    const RunResult image = RunOperation(*app, kModeCreateImage, "bench.img", false, "Image Complete");
    std::error_code ec;
    std::printf("image made in %.1f s: %ju bytes\n", image.seconds,
                static_cast<uintmax_t>(std::filesystem::file_size("bench.img", ec)));

    // Each measured three times, alternately; the fastest counts.
    RunResult direct, idle;
    double floor = 0, read = 0, inserts = 0;
    WrittenRecords files;
    size_t records = 0;
    for (int round = 0; round < 3; ++round) {
        const RunResult d = RunOperation(*app, kModeCreateIsam, "bench.img", false, "Database Complete");
        const RunResult i = RunOperation(*app, kModeCreateIsam, "bench.img", true, "Database Complete");
        if (round == 0) {
            files = ReadWrittenRecords();
            std::apply([&](const auto&... f) { ((records += f.records.size()), ...); }, files);
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
    return 0;
}

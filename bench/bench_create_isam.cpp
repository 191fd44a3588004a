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
void AddApproaches(const AptBuf& apt, const int32_t runways[2], int32_t* psno, int32_t* lsno) {
    using bench::Add;
    using bench::Text;
    const int a = apt.asno;
    LwptBuf fix{};
    fix.lsno = (*lsno)++;
    fix.laptno = a;
    fix.ltyp = 0xC0;
    fix.llat = apt.alat - 200000;
    fix.llong = apt.along + 150000;
    Text(fix.lid, "FF09");
    Add(kFileLwpt, fix);
    LwptBuf beacon{};
    beacon.lsno = (*lsno)++;
    beacon.laptno = a;
    beacon.ltyp = 0xE0;
    beacon.llat = apt.alat + 40000;
    beacon.llong = apt.along - 30000;
    beacon.lfreq = 3420;
    Text(beacon.lid, "OM");
    Add(kFileLwpt, beacon);
    for (int k = 0; k < 2; ++k) {
        ApprBuf appr{};
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
        Add(kFileAppr, appr);
    }
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
    bench::Workspace workspace("benchcreateisam");
    workspace.Enter();

    Clock::time_point start = Clock::now();
    bench::DatabaseShape shape;
    shape.restrictionEveryAirport = false;
    int32_t psno = 0, lsno = 0;
    shape.airportExtras = [&](const AptBuf& apt, const int32_t runways[2]) {
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
    return 0;
}

// Create Image on a database at the size of the 495/496 family's sections: 20,000 airports
// with two runways and three frequencies each (one with a restriction), 60,000 intersections,
// 5,000 NDBs and 5,000 VORs in twenty countries, 30,000 names. Then the 92/190 family (Sovrick)
// at its limit: the same database cut to the share that fills its 1.5 MiB image.
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
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchChild.h"
#include "BenchDatabase.h"
#include "gen/createimage/CreateImage.h"
#include "gen/createimage/CreateImageBuild.h"
#include "common/CLocale.h"
#include "genmodels/CreateImage89.h"
#include "genmodels/CreateImage90.h"
#include "genmodels/CreateImage92.h"
#include "genmodels/Dallowen90.h"
#include "genmodels/Fulmaro89.h"
#include "genmodels/ImageFile89.h"
#include "genmodels/ImageFile90.h"
#include "genmodels/ImageFile92.h"
#include "genmodels/Sovrick92.h"
#include "platform/FileSystem.h"

namespace {

using bench::Clock;
using bench::RunResult;
using bench::Seconds;

// Every record of a file through its serial index; the number of records.
template <class Record>
long Walk(const char* index) {
    long records = 0;
    Record record{};
    dbif_open<Record>();
    dbif_index<Record>(index);
    for (int found = dbif_first(record); found; found = dbif_next(record)) ++records;
    dbif_close<Record>();
    return records;
}

// The floor: one walk over every record file that Create Image reads, through its serial
// index, then the pre-filled image's bytes written in large pieces.
void Floor(uint32_t imageSize, double* walk, double* write, long* records) {
    CGenDBOpen opener;
    opener.OpenAll();
    CGenDBOpen::SetActive(&opener);
    const Clock::time_point start = Clock::now();
    *records = Walk<CountryRecord>("csno") + Walk<NameRecord>("nsno") + Walk<AptRecord>("asno") +
               Walk<IntRecord>("isno") + Walk<NdbRecord>("bsno") + Walk<VorRecord>("vsno") +
               Walk<RwyRecord>("rsno") + Walk<FreqRecord>("fsno") + Walk<RestrRecord>("rcsno") +
               Walk<ApprRecord>("psno") + Walk<LwptRecord>("lsno");
    *walk = Seconds(start);
    CGenDBOpen::SetActive(nullptr);

    const Clock::time_point writing = Clock::now();
    const int fd = platform::OpenFile("floor.img", O_RDWR | O_CREAT | O_TRUNC, platform::Share::DenyReadWrite);
    std::vector<uint8_t> piece(0x10000, 0xFF);
    for (uint32_t at = 0; at < imageSize; at += piece.size()) {
        platform::WriteAt(fd, piece.data(), piece.size(), at);
    }
    platform::CloseFile(fd);
    *write = Seconds(writing);
    platform::DeleteFile("floor.img");
}

// Create Image in this process: through the idle loop, or with its driver called in a loop.
RunResult CreateImage(bool idleLoop, void (*install)(GenModel&)) {
    std::unique_ptr<CGenApp> app = bench::MakeApp(nullptr, install);
    RunResult result = bench::RunOperation(*app, kModeCreateImage, "bench.img", idleLoop, "Image Complete");
    std::error_code ec;
    result.imageBytes = static_cast<long>(std::filesystem::file_size("bench.img", ec));
    return result;
}

// The GPS 89 builder stops without a GEO.DAT: one with no records.
void WriteEmptyGeoFile() {
    const int fd = platform::OpenFile("db50/GEO.DAT", O_RDWR | O_CREAT | O_TRUNC, platform::Share::DenyNone);
    platform::WriteAt(fd, "0<", 2, 0);
    platform::CloseFile(fd);
}

constexpr int kRounds = 5;

struct FloorResult {
    double walk = 0;
    double write = 0;
    long records = 0;
};

// One family's case: the database built in a workspace of its own, the floor, Create Image
// both ways, the figures.
struct Case {
    const char* title;
    const char* prefix;
    int percent;
    void (*install)(GenModel&);
    const ImageParams* params;
    std::vector<CreateImageRow> rows;
    void (*prepare)() = nullptr;  // after the database is built: files the family needs
};

void Run(const Case& k) {
    std::printf("==== %s ====\n", k.title);
    bench::Workspace workspace(k.prefix);
    workspace.Enter();
    const int percent = k.percent;
    const double built = bench::InChild<double>([percent] {
        const Clock::time_point start = Clock::now();
        bench::DatabaseShape shape;
        shape.percent = percent;
        const bench::DatabaseCounts counts = bench::BuildDatabase(shape);
        std::printf("database: %d names, %d runways, %d frequencies\n", counts.names, counts.runways,
                    counts.frequencies);
        return Seconds(start);
    });
    std::printf("database built in %.1f s\n", built);
    if (k.prepare) k.prepare();

    // Best of several rounds, floor and runs alternating, so that one disturbed round decides nothing.
    const uint32_t imageSize = k.params->prefillSize;
    FloorResult f;
    RunResult idle, direct;
    long idlePeak = 0, directPeak = 0;
    void (*install)(GenModel&) = k.install;
    for (int round = 0; round < kRounds; ++round) {
        const FloorResult fr = bench::InChild<FloorResult>([imageSize] {
            FloorResult r;
            Floor(imageSize, &r.walk, &r.write, &r.records);
            return r;
        });
        if (round == 0 || fr.walk + fr.write < f.walk + f.write) f = fr;
        long peak = 0;
        const RunResult i = bench::InChild<RunResult>([install] { return CreateImage(true, install); }, &peak);
        if (round == 0 || i.seconds < idle.seconds) idle = i;
        idlePeak = std::max(idlePeak, peak);
        const RunResult d = bench::InChild<RunResult>([install] { return CreateImage(false, install); }, &peak);
        if (round == 0 || d.seconds < direct.seconds) direct = d;
        directPeak = std::max(directPeak, peak);
    }
    const double walk = f.walk, write = f.write;
    const long records = f.records;
    const double floor = walk + write;
    idle.peakKb = idlePeak;
    direct.peakKb = directPeak;

    std::printf("\n%-44s %9s %9s %10s\n", "", "seconds", "x floor", "peak KB");
    std::printf("%-44s %9.3f\n", "walk over every record read", walk);
    std::printf("%-44s %9.3f\n", StringFormatC("writing the image's %u bytes", imageSize).c_str(), write);
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
    for (size_t i = 0; i < k.rows.size() && i < bench::kMaxSteps; ++i) {
        if (direct.stepSeconds[i] >= 0.02 * direct.seconds) {
            std::printf("  %-46s %7.3f s\n", k.rows[i].text, direct.stepSeconds[i]);
        }
    }
    std::printf("\n");
}

}  // namespace

// An argument runs only the cases whose title contains it ("92", "XL", ...).
int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    const auto run = [&only](const Case& k) {
        if (only.empty() || std::string(k.title).find(only) != std::string::npos) Run(k);
    };
    run({"495/496 (Brondel)", "benchcreateimage", 100, nullptr, &ImageParams496, CreateImageTable(ImageParams496)});
    // 60% of the database: its VLR table nearly fills the 18-bit offsets (256 KiB).
    run({"92/190 (Sovrick)", "benchcreateimage92", 60, InstallSovrick, &ImageParams92, CreateImageTable92()});
    // 45%: the XL image with its 1 MiB nearly full.
    run({"90/95 XL (Dallowen)", "benchcreateimage90", 45, InstallDallowen, &ImageParams90Xl, CreateImageTable90()});
    // 80%: airports and VORs filling the 256000 bytes of the GPS 89, with an empty GEO.DAT.
    run({"89 (Fulmaro)", "benchcreateimage89", 80, InstallFulmaro, &ImageParams89, CreateImageTable89(),
         WriteEmptyGeoFile});
    return 0;
}

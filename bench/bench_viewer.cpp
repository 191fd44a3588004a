// Ambrelo's --list all on the database of the Create Image benchmark (20,000 airports with two
// runways and three frequencies each, 60,000 intersections, 5,000 NDBs and 5,000 VORs, 30,000
// names), against its floor: one plain walk over every record of the fifteen files through the
// database library, each file opened once and read in record-number order.
//
// --list steps with the viewer's Next: each record opens its file, finds the record on show,
// reads the next one and closes the file again; the lines of every record go to /dev/null.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "BenchDatabase.h"
#include "dblib/CAmbreloDBOpen.h"
#include "dblib/RecordFiles.h"
#include "platform/HeadlessUi.h"
#include "viewer/CAmbreloApp.h"
#include "viewer/RecordDocs.h"

namespace {

using bench::Clock;
using bench::Seconds;

const char* const kNumberIndexes[kRecordFileCount] = {"asno", "csno",  "fsno", "isno", "nsno",
                                                      "bsno", "rsno",  "vsno", "usno", "rcsno",
                                                      "psno", "lsno",  "wsno", "wpsno", "rtsno"};

double Floor(long* records) {
    CAmbreloDBOpen db;
    db.OpenAll();
    *records = 0;
    const Clock::time_point start = Clock::now();
    for (int f = 0; f < kRecordFileCount; ++f) {
        RecordFile& file = *db.File(f);
        if (file.Open() != 0) bench::Fail("cannot open a record file");
        file.SelectIndex(kNumberIndexes[f]);
        file.Rewind();
        while (file.Next() == 0) ++*records;
        file.Close();
    }
    return Seconds(start);
}

// The seeks of --list alone: Next over every file, nothing formatted.
double SeeksOnly(long* seeks) {
    CAmbreloDBOpen db;
    db.OpenAll();
    *seeks = 0;
    const Clock::time_point start = Clock::now();
    for (int f = 0; f < kRecordFileCount; ++f) {
        auto doc = MakeAmbreloDoc(f, *db.File(f));
        doc->OnNewDocument();
        if (doc->File().Open() != 0) break;
        for (;;) {
            const int before = doc->SavedRecordNumber();
            if (doc->SeekRecord(kSeekNext, 0, 0) < 0 || doc->SavedRecordNumber() == before) break;
            ++*seeks;
        }
        doc->File().Close();
    }
    return Seconds(start);
}

double ListAll() {
    std::FILE* sink = std::fopen("/dev/null", "w");
    // --list writes to standard output.
    std::fflush(stdout);
    const int saved = ::dup(1);
    ::dup2(::fileno(sink), 1);
    auto app = std::make_unique<CAmbreloApp>();
    auto ui = std::make_unique<platform::HeadlessUi>();
    ui->SetStreams(sink, nullptr);
    app->SetUi(std::move(ui));
    app->SetArgs({"--list", "all"});
    const Clock::time_point start = Clock::now();
    app->InitInstance();
    const double seconds = Seconds(start);
    if (app->ExitCode() != 0) bench::Fail("--list all failed");
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    app.reset();
    std::fclose(sink);
    return seconds;
}

}  // namespace

int main() {
    bench::Workspace workspace("benchviewer");
    workspace.Enter();
    const Clock::time_point building = Clock::now();
    bench::BuildDatabase({});
    std::printf("database built in %.1f s\n", Seconds(building));

    // The viewer reads the current folder.
    std::filesystem::current_path(workspace.Dir() + "/db50");
    SetDbDir(".");
    long records = 0;
    const double floor = Floor(&records);
    long seeks = 0;
    const double seeking = SeeksOnly(&seeks);
    const double list = ListAll();

    std::printf("\n%-40s %9s %9s\n", "", "seconds", "x floor");
    std::printf("%-40s %9.3f %9.2f\n", "walk over every record (floor)", floor, 1.0);
    std::printf("%-40s %9.3f %9.2f\n", "Next seeks alone (one per record)", seeking, seeking / floor);
    std::printf("%-40s %9.3f %9.2f\n", "ambrelo --list all", list, list / floor);
    std::printf("\nrecords %ld, seeks %ld\n", records, seeks);
    std::filesystem::current_path(workspace.Dir());
    return 0;
}

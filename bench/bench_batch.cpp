// The batch update against the library inserts that its records need.
//
// A generated batch file of 277,000 lines, a world of about 415,000 records (airports with
// runways and frequencies, intersections, NDBs and VORs in twenty countries; BENCH_LINES sets
// another count) is applied to an empty database, committing every 2,000 lines or records:
//   BM_RawInserts          the records the batch update writes, inserted straight through the
//                          library with every record file kept open (the floor);
//   BM_BatchUpdate         the batch update's step driver called in a loop;
//   BM_BatchUpdateWorld, BM_BatchUpdate696
//                          the framework's handlers and Tessily's on 100,000 lines of the world;
//   BM_BatchThroughIdle    the whole program: control file, idle-time step machine, listing;
//   BM_BrondelProcess      the real brondel started on the batch file: the wall time and the
//                          peak memory of that process alone.
// The ratio of the last two to the first is the cost of reading and checking the lines, of the
// lookups and of the step machine. Each reports the system calls made on the database files per
// record and the process's peak memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "BenchDatabase.h"
#include "common/LineReader.h"
#include "dblib/DbDir.h"
#include "dblib/Transaction.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchUpdate.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen696/Batch696.h"
#include "platform/HeadlessUi.h"

namespace {

const int kLines = [] {
    const char* lines = std::getenv("BENCH_LINES");
    return lines ? std::atoi(lines) : 277000;
}();
constexpr int kRecordsPerCommit = 2000;

uint64_t FileCalls() {
    const dbtx::IoCounts& c = dbtx::Counts();
    return c.reads + c.writes + c.syncs;
}

void ReportCalls(benchmark::State& state, uint64_t calls, double records) {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    state.counters["calls_per_record"] = double(calls) / records / double(state.iterations());
    state.counters["peak_MB"] = double(u.ru_maxrss) / 1024;
}

std::string Coordinate(double degrees, bool longitude) {
    char hemisphere = longitude ? (degrees < 0 ? 'W' : 'E') : (degrees < 0 ? 'S' : 'N');
    double a = degrees < 0 ? -degrees : degrees;
    int whole = static_cast<int>(a);
    double minutes = (a - whole) * 60;
    char text[32];
    std::snprintf(text, sizeof text, longitude ? "%c %03d~%06.3f" : "%c %02d~%06.3f", hemisphere, whole, minutes);
    return text;
}

std::string Ident(const char* prefix, int n, int letters) {
    std::string id = prefix;
    for (int i = 0; i < letters; ++i) {
        id += static_cast<char>('A' + n % 26);
        n /= 26;
    }
    return id;
}

// The batch file: per airport one APT, two RWY and three FRQ lines (one with a restriction
// list); then intersections, NDBs and VORs up to `total` lines. In Tessily's form an
// intersection line carries its name and parent.
std::string MakeBatchText(int total, bool form696) {
    {
        std::string out;
        int lines = 0;
        auto add = [&](const std::string& line) {
            out += line;
            out += "\r\n";
            ++lines;
        };
        const int airports = 10000;
        for (int a = 0; a < airports; ++a) {
            const std::string country = Ident("C", a % 20, 1) + "-COUNTRY " + std::to_string(a % 20);
            const std::string ident = Ident("K", a, 3);
            const double lat = 30 + (a % 200) * 0.1;
            const double lon = -120 + (a / 200) * 0.1;
            add("ADD|APT|" + ident + "|" + country + "|CITY " + std::to_string(a) + "|FIELD " + std::to_string(a) +
                "|" + Coordinate(lat, false) + "|" + Coordinate(lon, true) + "|" + std::to_string(a % 5000) + "|JA");
            add("ADD|RWY|" + ident + "|" + country + "|8000X150|09-27|hard|ft lts|0");
            add("ADD|RWY|" + ident + "|" + country + "|5000X100|04L-22R|turf|pc lts|0");
            add("ADD|FRQ|" + ident + "|" + country + "|TOWER|118.70|R:090-270 BELOW 3000");
            add("ADD|FRQ|" + ident + "|" + country + "|GROUND|121.90");
            add("ADD|FRQ|" + ident + "|" + country + "|ATIS|127.25|M");
        }
        for (int i = 0; lines < total; ++i) {
            const std::string country = Ident("C", i % 20, 1);
            const double lat = 30 + (i % 300) * 0.07;
            const double lon = -120 + (i / 300) * 0.07;
            const std::string position = Coordinate(lat, false) + "|" + Coordinate(lon, true);
            switch (i % 4) {
            case 0:
            case 1:
                add("ADD|INT|" + Ident("I", i, 4) + "|" + country + (form696 ? "|POINT " + std::to_string(i % 9000) + "|UNSET" : "") +
                    "|" + position);
                break;
            case 2:
                add("ADD|NDB|" + Ident("", i / 4, 3) + "|" + country + "|CITY " + std::to_string(i % 9000) +
                    "|BEACON " + std::to_string(i) + "|" + position + "|" + std::to_string(200 + i % 300) + ".0");
                break;
            default:
                add("ADD|VOR|" + Ident("", i / 4, 3) + "|" + country + "|CITY " + std::to_string(i % 9000) + "|VOR " +
                    std::to_string(i) + "|" + position + "|" + std::to_string(108 + i % 10) + ".20|VORDME|HIGH");
                break;
            }
        }
        return out;
    }
}

const std::string& BatchText() {
    static const std::string text = MakeBatchText(kLines, false);
    return text;
}

// A temporary working folder with an empty database folder, removed afterwards.
struct Workspace : bench::Workspace {
    Workspace() : bench::Workspace("benchbatch") {}
};

// The database of a workspace, opened as a generator opens it.
class OpenDatabase {
public:
    explicit OpenDatabase(const Workspace& w) {
        SetDbDir(w.Dir() + "/db50");
        opener_ = std::make_unique<CGenDBOpen>();
        opener_->OpenAll();
        CGenDBOpen::SetActive(opener_.get());
    }
    ~OpenDatabase() {
        BatchCloseFiles();
        CGenDBOpen::SetActive(nullptr);
    }

private:
    std::unique_ptr<CGenDBOpen> opener_;
};

// Applies the whole batch text through the step driver.
void ApplyBatch(const std::string& text, const BatchHandlerTable& handlers = DefaultBatchHandlers()) {
    CGenDoc doc;
    GenSettings settings;
    OperationContext context;
    context.doc = &doc;
    context.settings = &settings;
    context.kind = kModeBatchUpdate;
    context.batch = std::make_unique<LineReader>(LineReader::FromBuffer(text.data(), text.size()));
    BatchSession session;
    while (!RunBatchUpdate(context, session, handlers)) {
    }
}

// A record of one of the files that the batch update writes.
using Record = std::variant<AptRecord, CountryRecord, FreqRecord, IntRecord, NameRecord, NdbRecord, RwyRecord, VorRecord,
                            RestrRecord>;

// Every record of a file in slot order.
template <class R>
std::vector<R> ReadAll() {
    std::vector<R> out;
    R record{};
    dbif_open<R>();
    if (dbif_first(record)) {
        do out.push_back(record);
        while (dbif_next(record));
    }
    dbif_close<R>();
    return out;
}

// The records that the batch update adds, in the order it adds them: every ADD line of the
// generated file adds one record of its type, after the country and names it is the first to
// use, and a frequency after its restriction chain.
std::vector<Record> RecordsOfTheBatch() {
    Workspace w;
    OpenDatabase db(w);
    ApplyBatch(BatchText());
    const auto countries = ReadAll<CountryRecord>();
    const auto names = ReadAll<NameRecord>();
    const auto restrictions = ReadAll<RestrRecord>();
    const auto apts = ReadAll<AptRecord>();
    const auto rwys = ReadAll<RwyRecord>();
    const auto freqs = ReadAll<FreqRecord>();
    const auto ints = ReadAll<IntRecord>();
    const auto ndbs = ReadAll<NdbRecord>();
    const auto vors = ReadAll<VorRecord>();
    size_t apt = 0, rwy = 0, freq = 0, in = 0, ndb = 0, vor = 0;
    std::vector<Record> order;
    std::vector<bool> countryDone(countries.size() + 1), nameDone(names.size() + 1);
    auto country = [&](int32_t csno) {
        if (csno < 0 || countryDone[csno]) return;
        countryDone[csno] = true;
        order.emplace_back(countries[csno]);
    };
    auto name = [&](int32_t nsno) {
        if (nsno < 0 || nameDone[nsno]) return;
        nameDone[nsno] = true;
        order.emplace_back(names[nsno]);
    };
    auto point = [&](const auto& r, int32_t csno, int32_t city, int32_t facility) {
        country(csno);
        name(city);
        name(facility);
        order.emplace_back(r);
    };
    const std::string& text = BatchText();
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        const std::string type = text.substr(at + 4, 3);
        at = end + 1;
        if (type == "APT") {
            const AptRecord& r = apts[apt++];
            point(r, r.acountry, r.acity, r.afacil);
        } else if (type == "RWY") {
            order.emplace_back(rwys[rwy++]);
        } else if (type == "FRQ") {
            const FreqRecord& r = freqs[freq++];
            for (int32_t s = r.frsno; s != 0;) {
                const RestrRecord& rc = restrictions[s - 1];
                order.emplace_back(rc);
                s = rc.rcnxt;
            }
            order.emplace_back(r);
        } else if (type == "INT") {
            const IntRecord& r = ints[in++];
            country(r.icountry);
            order.emplace_back(r);
        } else if (type == "NDB") {
            const NdbRecord& r = ndbs[ndb++];
            point(r, r.bcountry, r.bcity, r.bfacil);
        } else {
            const VorRecord& r = vors[vor++];
            point(r, r.vcountry, r.vcity, r.vfacil);
        }
    }
    return order;
}

// The same records inserted straight through the library, with every record file open.
void InsertAll(const std::vector<Record>& records) {
    for (int f = 0; f < kBatchFileCount; ++f) dbif_open(f);
    size_t n = 0;
    dbtx::Begin(GetDbDir());
    for (const Record& r : records) {
        std::visit([](const auto& record) { dbif_add(record); }, r);
        if (++n % kRecordsPerCommit == 0) {
            dbtx::Commit();
            dbtx::Begin(GetDbDir());
        }
    }
    for (int f = 0; f < kBatchFileCount; ++f) dbif_close(f);
    dbtx::Commit();
}

// Times `work` once per iteration, each time on a fresh empty database.
template <class Work>
void TimeOnEmptyDatabase(benchmark::State& state, Work work, double records) {
    uint64_t calls = 0;
    for (auto _ : state) {
        Workspace w;
        OpenDatabase db(w);
        const uint64_t before = FileCalls();
        const bench::Clock::time_point start = bench::Clock::now();
        work();
        state.SetIterationTime(bench::Seconds(start));
        calls += FileCalls() - before;
    }
    ReportCalls(state, calls, records);
}

size_t RecordCount() {
    static const size_t n = RecordsOfTheBatch().size();
    return n;
}

// In the order the batch update adds them.
void BM_RawInserts(benchmark::State& state) {
    static const auto records = RecordsOfTheBatch();
    TimeOnEmptyDatabase(state, [] { InsertAll(records); }, double(records.size()));
    state.counters["records"] = static_cast<double>(records.size());
}

// File by file: the best order the library can be given.
void BM_RawInsertsByFile(benchmark::State& state) {
    static const auto records = [] {
        auto r = RecordsOfTheBatch();
        // By file number.
        auto file = [](const Record& r) {
            return std::visit([](const auto& record) { return std::decay_t<decltype(record)>::File::kFileNumber; }, r);
        };
        std::stable_sort(r.begin(), r.end(), [&](const Record& a, const Record& b) { return file(a) < file(b); });
        return r;
    }();
    TimeOnEmptyDatabase(state, [] { InsertAll(records); }, double(records.size()));
    state.counters["records"] = static_cast<double>(records.size());
}

void BM_BatchUpdate(benchmark::State& state) {
    TimeOnEmptyDatabase(state, [] { ApplyBatch(BatchText()); }, double(RecordCount()));
    state.counters["lines"] = kLines;
}

// Tessily's handlers against the framework's on the same world of 100,000 lines, each in its
// own form (Tessily's intersections carry names).
constexpr int kLines696 = 100000;

void BM_BatchUpdateWorld(benchmark::State& state) {
    static const std::string text = MakeBatchText(kLines696, false);
    TimeOnEmptyDatabase(state, [] { ApplyBatch(text); }, kLines696);
    state.counters["lines"] = kLines696;
}

void BM_BatchUpdate696(benchmark::State& state) {
    static const std::string text = MakeBatchText(kLines696, true);
    TimeOnEmptyDatabase(state, [] { ApplyBatch(text, BatchHandlers696()); }, kLines696);
    state.counters["lines"] = kLines696;
}

// The whole program: control file, setup, idle-time step machine and listing, with a quiet
// headless user interface.
void BM_BatchThroughIdle(benchmark::State& state) {
    const std::string& text = BatchText();
    const std::string home = std::filesystem::current_path().string();
    const double records = double(RecordCount());
    uint64_t calls = 0;
    for (auto _ : state) {
        Workspace w;
        {
            std::ofstream(w.Dir() + "/batch.txt", std::ios::binary) << text;
            std::ofstream(w.Dir() + "/run.ctl", std::ios::binary)
                << "Mode=BatchUpdate\r\nFilename=batch.txt\r\nGO=1\r\n";
        }
        std::filesystem::current_path(w.Dir());
        GenModel model;
        model.name = "Brondel";
        InstallBatchUpdate(model);
        const uint64_t before = FileCalls();
        const bench::Clock::time_point start = bench::Clock::now();
        {
            CGenApp app(std::move(model));
            auto ui = std::make_unique<platform::HeadlessUi>();
            ui->SetStreams(nullptr, nullptr);
            app.SetUi(std::move(ui));
            char program[] = "brondel", f[] = "-F", name[] = "run.ctl";
            char* argv[] = {program, f, name, nullptr};
            if (app.Main(3, argv) != 0) state.SkipWithError("the run failed");
        }
        state.SetIterationTime(bench::Seconds(start));
        calls += FileCalls() - before;
        std::filesystem::current_path(home);
    }
    ReportCalls(state, calls, records);
    state.counters["lines"] = kLines;
}

// Starts the program from a small process forked before the benchmarks grow: a child forked
// from the benchmark itself would count its pages in the child's peak memory.
class Launcher {
public:
    struct Outcome {
        int status = -1;
        long peakKb = 0;
        double seconds = 0;
    };

    static Launcher& Instance() {
        static Launcher launcher;
        return launcher;
    }
    // Runs the program with the arguments in `folder`, with default settings and its output
    // thrown away.
    Outcome Run(const std::string& folder) {
        Outcome out;
        const uint32_t n = uint32_t(folder.size());
        if (::write(request_, &n, 4) != 4 || ::write(request_, folder.data(), n) != ssize_t(n) ||
            ::read(reply_, &out, sizeof out) != ssize_t(sizeof out))
            out.status = -1;
        return out;
    }

private:
    Launcher() {
        int request[2], reply[2];
        if (::pipe(request) != 0 || ::pipe(reply) != 0) bench::Fail("no pipe");
        if (::fork() == 0) {
            ::close(request[1]);
            ::close(reply[0]);
            Serve(request[0], reply[1]);
            _exit(0);
        }
        ::close(request[0]);
        ::close(reply[1]);
        request_ = request[1];
        reply_ = reply[0];
    }

    static void Serve(int in, int out) {
        const std::string program = std::string(SUITE_BIN_DIR) + "/brondel";
        uint32_t n;
        while (::read(in, &n, 4) == 4) {
            std::string folder(n, '\0');
            if (::read(in, folder.data(), n) != ssize_t(n)) return;
            const bench::Clock::time_point start = bench::Clock::now();
            const pid_t pid = ::fork();
            if (pid == 0) {
                if (::chdir(folder.c_str()) != 0) _exit(126);
                ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
                const int null = ::open("/dev/null", O_WRONLY);
                ::dup2(null, 1);
                ::dup2(null, 2);
                ::execl(program.c_str(), "brondel", "--headless", "-F", "run.ctl", static_cast<char*>(nullptr));
                _exit(127);
            }
            Outcome o;
            rusage usage{};
            ::wait4(pid, &o.status, 0, &usage);
            o.seconds = bench::Seconds(start);
            o.peakKb = usage.ru_maxrss;
            if (::write(out, &o, sizeof o) != ssize_t(sizeof o)) return;
        }
    }

    int request_ = -1;
    int reply_ = -1;
};

// The program itself, started as a user starts it: a control file running the batch update
// headless, in a folder without db50 (the program makes it).
void BM_BrondelProcess(benchmark::State& state) {
    if (::access((std::string(SUITE_BIN_DIR) + "/brondel").c_str(), X_OK) != 0) {
        state.SkipWithError("brondel is not built");
        return;
    }
    const std::string& text = BatchText();
    long peakKb = 0;
    for (auto _ : state) {
        Workspace w;
        std::filesystem::remove(w.Dir() + "/db50");
        std::ofstream(w.Dir() + "/batch.txt", std::ios::binary) << text;
        std::ofstream(w.Dir() + "/run.ctl", std::ios::binary) << "Mode=BatchUpdate\r\nFilename=batch.txt\r\nGO=1\r\n";
        const Launcher::Outcome o = Launcher::Instance().Run(w.Dir());
        state.SetIterationTime(o.seconds);
        if (!WIFEXITED(o.status) || WEXITSTATUS(o.status) != 0) state.SkipWithError("the run failed");
        peakKb = std::max(peakKb, o.peakKb);
    }
    state.counters["child_peak_MB"] = double(peakKb) / 1024;
    state.counters["lines"] = kLines;
}

}  // namespace

BENCHMARK(BM_RawInserts)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RawInsertsByFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BatchUpdate)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BatchUpdateWorld)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BatchUpdate696)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BatchThroughIdle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BrondelProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    Launcher::Instance();   // forked while the process is small
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

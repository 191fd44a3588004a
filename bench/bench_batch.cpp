// The batch update against the library inserts that its records need.
//
// A generated batch file of 100,000 lines (airports with runways and frequencies,
// intersections, NDBs and VORs in twenty countries) is applied to an empty database:
//   BM_RawInserts          the records the batch update writes, inserted straight through the
//                          library with every record file kept open (the floor);
//   BM_BatchUpdate         the batch update's step driver called in a loop;
//   BM_BatchThroughIdle    the whole program: control file, idle-time step machine, listing.
// The ratio of the last two to the first is the cost of reading and checking the lines, of the
// lookups and of the step machine.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchDatabase.h"
#include "common/LineReader.h"
#include "dblib/DbDir.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchUpdate.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "platform/HeadlessUi.h"

namespace {

constexpr int kLines = 100000;

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
// list); then intersections, NDBs and VORs up to kLines.
const std::string& BatchText() {
    static const std::string text = [] {
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
        for (int i = 0; lines < kLines; ++i) {
            const std::string country = Ident("C", i % 20, 1);
            const double lat = 30 + (i % 300) * 0.07;
            const double lon = -120 + (i / 300) * 0.07;
            const std::string position = Coordinate(lat, false) + "|" + Coordinate(lon, true);
            switch (i % 4) {
            case 0:
            case 1:
                add("ADD|INT|" + Ident("I", i, 4) + "|" + country + "|" + position);
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
    }();
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
void ApplyBatch(const std::string& text) {
    CGenDoc doc;
    GenSettings settings;
    OperationContext context;
    context.doc = &doc;
    context.settings = &settings;
    context.kind = kModeBatchUpdate;
    context.batch = std::make_unique<LineReader>(LineReader::FromBuffer(text.data(), text.size()));
    BatchSession session;
    while (!RunBatchUpdate(context, session)) {
    }
}

// The records that the batch update adds, in the order it adds them: every ADD line of the
// generated file adds one record of its type, after the country and names it is the first to
// use, and a frequency after its restriction chain.
using Record = std::pair<int, std::vector<uint8_t>>;
std::vector<Record> RecordsOfTheBatch() {
    Workspace w;
    OpenDatabase db(w);
    ApplyBatch(BatchText());
    std::vector<std::vector<std::vector<uint8_t>>> files(kBatchFileCount);
    for (int f = 0; f < kBatchFileCount; ++f) {
        std::vector<uint8_t> buffer(GenRecordLength(f));
        dbif_open(f);
        if (dbif_first(f, buffer.data())) {
            do files[f].push_back(buffer);
            while (dbif_next(f, buffer.data()));
        }
        dbif_close(f);
    }
    auto field = [](const std::vector<uint8_t>& r, size_t offset) {
        int32_t v;
        std::memcpy(&v, r.data() + offset, 4);
        return v;
    };
    std::vector<Record> order;
    std::vector<size_t> taken(kBatchFileCount, 0);
    std::vector<bool> countryDone(files[kFileCountry].size() + 1), nameDone(files[kFileNames].size() + 1);
    auto country = [&](int32_t csno) {
        if (csno < 0 || countryDone[csno]) return;
        countryDone[csno] = true;
        order.emplace_back(kFileCountry, files[kFileCountry][csno]);
    };
    auto name = [&](int32_t nsno) {
        if (nsno < 0 || nameDone[nsno]) return;
        nameDone[nsno] = true;
        order.emplace_back(kFileNames, files[kFileNames][nsno]);
    };
    const std::string& text = BatchText();
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        const std::string type = text.substr(at + 4, 3);
        at = end + 1;
        const int file = type == "APT" ? kFileApts : type == "RWY" ? kFileRwy3 : type == "FRQ" ? kFileFreq3
                       : type == "INT" ? kFileInts : type == "NDB" ? kFileNdbs : kFileVors;
        const std::vector<uint8_t>& r = files[file][taken[file]++];
        switch (file) {
        case kFileApts: country(field(r, 28)); name(field(r, 24)); name(field(r, 20)); break;
        case kFileInts: country(field(r, 28)); break;
        case kFileNdbs:
        case kFileVors: country(field(r, 28)); name(field(r, 24)); name(field(r, 20)); break;
        case kFileFreq3:
            for (int32_t s = field(r, 20); s != 0;) {
                const std::vector<uint8_t>& rc = files[kFileRestr][s - 1];
                order.emplace_back(kFileRestr, rc);
                s = field(rc, 4);
            }
            break;
        default: break;
        }
        order.emplace_back(file, r);
    }
    return order;
}

// The same records inserted straight through the library, with every record file open.
void InsertAll(const std::vector<Record>& records) {
    for (int f = 0; f < kBatchFileCount; ++f) dbif_open(f);
    std::vector<uint8_t> buffer;
    for (const Record& r : records) {
        buffer = r.second;
        dbif_add(r.first, buffer.data());
    }
    for (int f = 0; f < kBatchFileCount; ++f) dbif_close(f);
}

// Times `work` once per iteration, each time on a fresh empty database.
template <class Work>
void TimeOnEmptyDatabase(benchmark::State& state, Work work) {
    for (auto _ : state) {
        Workspace w;
        OpenDatabase db(w);
        const bench::Clock::time_point start = bench::Clock::now();
        work();
        state.SetIterationTime(bench::Seconds(start));
    }
}

// In the order the batch update adds them.
void BM_RawInserts(benchmark::State& state) {
    static const auto records = RecordsOfTheBatch();
    TimeOnEmptyDatabase(state, [] { InsertAll(records); });
    state.counters["records"] = static_cast<double>(records.size());
}

// File by file: the best order the library can be given.
void BM_RawInsertsByFile(benchmark::State& state) {
    static const auto records = [] {
        auto r = RecordsOfTheBatch();
        std::stable_sort(r.begin(), r.end(), [](const Record& a, const Record& b) { return a.first < b.first; });
        return r;
    }();
    TimeOnEmptyDatabase(state, [] { InsertAll(records); });
    state.counters["records"] = static_cast<double>(records.size());
}

void BM_BatchUpdate(benchmark::State& state) {
    TimeOnEmptyDatabase(state, [] { ApplyBatch(BatchText()); });
    state.counters["lines"] = kLines;
}

// The whole program: control file, setup, idle-time step machine and listing, with a quiet
// headless user interface.
void BM_BatchThroughIdle(benchmark::State& state) {
    const std::string& text = BatchText();
    const std::string home = std::filesystem::current_path().string();
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
        std::filesystem::current_path(home);
    }
    state.counters["lines"] = kLines;
}

}  // namespace

BENCHMARK(BM_RawInserts)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RawInsertsByFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BatchUpdate)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BatchThroughIdle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();

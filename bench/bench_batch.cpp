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

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/LineReader.h"
#include "dblib/DbDir.h"
#include "gen/BatchDatabase.h"
#include "gen/BatchUpdate.h"
#include "gen/CGenApp.h"
#include "gen/CGenDBOpen.h"
#include "gen/CGenDoc.h"
#include "gen/GenSettings.h"
#include "gen/OperationContext.h"
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
                add("ADD|NDB|" + Ident("N", i, 2) + "|" + country + "|CITY " + std::to_string(i % 9000) +
                    "|BEACON " + std::to_string(i) + "|" + position + "|" + std::to_string(200 + i % 300) + ".0");
                break;
            default:
                add("ADD|VOR|" + Ident("V", i, 2) + "|" + country + "|CITY " + std::to_string(i % 9000) + "|VOR " +
                    std::to_string(i) + "|" + position + "|" + std::to_string(108 + i % 10) + ".20|VORDME|HIGH");
                break;
            }
        }
        return out;
    }();
    return text;
}

// A temporary working folder with an empty database folder, removed afterwards.
class Workspace {
public:
    Workspace() {
        char pattern[] = "/tmp/benchbatch-XXXXXX";
        if (!::mkdtemp(pattern)) std::abort();
        dir_ = pattern;
        std::filesystem::create_directory(dir_ + "/db50");
    }
    ~Workspace() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& Dir() const { return dir_; }

private:
    std::string dir_;
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
    while (!RunBatchUpdate(context)) {
    }
}

// Every record of files 0 to 9 that the batch update writes, by file number.
std::vector<std::vector<std::vector<uint8_t>>> RecordsOfTheBatch() {
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
    return files;
}

void BM_RawInserts(benchmark::State& state) {
    static const auto records = RecordsOfTheBatch();
    size_t count = 0;
    for (auto _ : state) {
        Workspace w;
        OpenDatabase db(w);
        auto start = std::chrono::steady_clock::now();
        for (int f = 0; f < kBatchFileCount; ++f) dbif_open(f);
        count = 0;
        for (int f = 0; f < kBatchFileCount; ++f) {
            for (const auto& r : records[f]) {
                std::vector<uint8_t> buffer = r;
                dbif_add(f, buffer.data());
                ++count;
            }
        }
        for (int f = 0; f < kBatchFileCount; ++f) dbif_close(f);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["records"] = static_cast<double>(count);
}

void BM_BatchUpdate(benchmark::State& state) {
    const std::string& text = BatchText();
    for (auto _ : state) {
        Workspace w;
        OpenDatabase db(w);
        auto start = std::chrono::steady_clock::now();
        ApplyBatch(text);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["lines"] = kLines;
}

}  // namespace

BENCHMARK(BM_RawInserts)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BatchUpdate)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();

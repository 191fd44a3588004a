// The database engine against SQLite on the same APT data: insert 200,000 records, find each
// by ident, walk the ident index, amend 20,000 idents, erase all. Each phase is timed for
// both with the same guarantee: a rollback journal, a commit (synced as SQLite's
// synchronous=NORMAL does) after every kBatch changes and at the end of each phase, the same
// two indexes. The ratios, the engine's system calls per change and the peak memory are
// printed at the end.
#include "dblib/Transaction.h"
#include "dblib/dfAPTS.h"

#include <sys/resource.h>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRecords = 200000;
constexpr int kAmends = 20000;
constexpr int kBatch = 2000;   // changes per transaction

struct Apt {
    int32_t asno;
    char aident[8];
    int32_t f[10];
};

struct Data {
    std::vector<Apt> apts;
    std::vector<std::string> newIdents;   // for the amended records 0, 10, 20, ...
};

const Data& TheData() {
    static Data d = [] {
        Data d;
        std::mt19937 rng(42);
        auto ident = [&](char* out) {
            std::memset(out, 0, 8);
            int n = 3 + int(rng() % 3);   // 3..5 characters: many idents repeat
            for (int k = 0; k < n; ++k) out[k] = char('A' + rng() % 26);
        };
        d.apts.resize(kRecords);
        for (int i = 0; i < kRecords; ++i) {
            Apt& a = d.apts[size_t(i)];
            a.asno = i + 1;
            ident(a.aident);
            for (int32_t& v : a.f) v = int32_t(rng());
        }
        for (int i = 0; i < kAmends; ++i) {
            char id[8];
            ident(id);
            d.newIdents.emplace_back(id, strnlen(id, 8));
        }
        return d;
    }();
    return d;
}

struct Timings {
    double insert = 0, find = 0, walk = 0, amend = 0, erase = 0;
    uint64_t calls = 0;   // the engine's reads, writes and syncs of its files
};
std::map<std::string, Timings> g_results;

class Stopwatch {
public:
    double Lap() {
        auto now = std::chrono::steady_clock::now();
        double s = std::chrono::duration<double>(now - m_last).count();
        m_last = now;
        return s;
    }

private:
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
};

std::string TempFolder(const char* tag) {
    std::string path = (std::filesystem::temp_directory_path() / tag).string();
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path;
}

void Report(benchmark::State& state, const char* name, const Timings& t, long checksum) {
    g_results[name] = t;
    state.counters["insert_s"] = t.insert;
    state.counters["find_s"] = t.find;
    state.counters["walk_s"] = t.walk;
    state.counters["amend_s"] = t.amend;
    state.counters["erase_s"] = t.erase;
    state.counters["checksum"] = double(checksum);
}

void BM_IsamMgr(benchmark::State& state) {
    const Data& d = TheData();
    for (auto _ : state) {
        std::string dir = TempFolder("bench_dblib_isam");
        Timings t;
        long checksum = 0;
        {
            dfAPTS apts(dir + "/apts.dta", dir + "/apts.dtx", 0);
            const dbtx::IoCounts start = dbtx::Counts();
            int changes = 0;
            auto changed = [&] {
                if (++changes % kBatch == 0) {
                    dbtx::Commit();
                    dbtx::Begin(dir);
                }
            };
            auto phaseEnd = [&] {
                dbtx::Commit();
                dbtx::Begin(dir);
                changes = 0;
            };
            Stopwatch w;
            dbtx::Begin(dir);
            for (const Apt& a : d.apts) {
                apts.asno = a.asno;
                std::memcpy(apts.aident, a.aident, 8);
                std::memcpy(&apts.alat, a.f, sizeof a.f);
                if (apts.Insert() != 0) std::abort();
                changed();
            }
            phaseEnd();
            t.insert = w.Lap();

            apts.SelectIndex("aident");
            for (const Apt& a : d.apts) {
                std::memcpy(apts.aident, a.aident, 8);
                if (apts.Find() != 0) std::abort();
                checksum += apts.asno;
            }
            t.find = w.Lap();

            apts.Rewind();
            while (apts.Next(1) == 0) checksum += apts.alat;
            t.walk = w.Lap();

            apts.SelectIndex("asno");
            for (int i = 0; i < kAmends; ++i) {
                apts.asno = d.apts[size_t(i) * 10].asno;
                if (apts.Find() != 0) std::abort();
                std::memset(apts.aident, 0, 8);
                std::memcpy(apts.aident, d.newIdents[size_t(i)].data(), d.newIdents[size_t(i)].size());
                if (apts.Amend() != 0) std::abort();
                changed();
            }
            phaseEnd();
            t.amend = w.Lap();

            apts.Rewind();
            while (apts.Next(1) == 0) {
                if (apts.Erase() != 0) std::abort();
                changed();
            }
            dbtx::Commit();
            t.erase = w.Lap();
            const dbtx::IoCounts& end = dbtx::Counts();
            t.calls = end.reads + end.writes + end.syncs - start.reads - start.writes - start.syncs;
        }
        std::filesystem::remove_all(dir);
        Report(state, "IsamMgr", t, checksum);
    }
}

void Check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::abort();
    }
}

sqlite3_stmt* Prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* s = nullptr;
    Check(sqlite3_prepare_v2(db, sql, -1, &s, nullptr), db);
    return s;
}

void BM_SQLite(benchmark::State& state) {
    const Data& d = TheData();
    for (auto _ : state) {
        std::string dir = TempFolder("bench_dblib_sqlite");
        Timings t;
        long checksum = 0;
        sqlite3* db = nullptr;
        Check(sqlite3_open((dir + "/apts.db").c_str(), &db), db);
        Check(sqlite3_exec(db,
                           "PRAGMA journal_mode=DELETE;"
                           "PRAGMA synchronous=NORMAL;"
                           "CREATE TABLE apts(asno INTEGER, aident BLOB, alat INTEGER, along INTEGER,"
                           " afacil INTEGER, acity INTEGER, acountry INTEGER, aheight INTEGER,"
                           " afuel INTEGER, autc INTEGER, a212025 INTEGER, a221507 INTEGER);"
                           "CREATE UNIQUE INDEX apts_asno ON apts(asno);"
                           "CREATE INDEX apts_aident ON apts(aident);"
                           "BEGIN;",
                           nullptr, nullptr, nullptr),
              db);
        sqlite3_stmt* ins = Prepare(db, "INSERT INTO apts VALUES(?,?,?,?,?,?,?,?,?,?,?,?)");
        sqlite3_stmt* find = Prepare(db, "SELECT * FROM apts WHERE aident=? ORDER BY rowid LIMIT 1");
        sqlite3_stmt* walk = Prepare(db, "SELECT * FROM apts ORDER BY aident, rowid");
        sqlite3_stmt* amend = Prepare(db, "UPDATE apts SET aident=? WHERE asno=?");
        sqlite3_stmt* all = Prepare(db, "SELECT asno FROM apts ORDER BY asno");
        sqlite3_stmt* erase = Prepare(db, "DELETE FROM apts WHERE asno=?");
        auto ident = [](const char* id) { return int(strnlen(id, 8)); };
        int changes = 0;
        auto commit = [&] { Check(sqlite3_exec(db, "COMMIT;BEGIN;", nullptr, nullptr, nullptr), db); };
        auto changed = [&] {
            if (++changes % kBatch == 0) commit();
        };
        auto phaseEnd = [&] {
            commit();
            changes = 0;
        };

        Stopwatch w;
        for (const Apt& a : d.apts) {
            sqlite3_bind_int(ins, 1, a.asno);
            sqlite3_bind_blob(ins, 2, a.aident, ident(a.aident), SQLITE_STATIC);
            for (int k = 0; k < 10; ++k) sqlite3_bind_int(ins, 3 + k, a.f[k]);
            Check(sqlite3_step(ins), db);
            sqlite3_reset(ins);
            changed();
        }
        phaseEnd();
        t.insert = w.Lap();

        for (const Apt& a : d.apts) {
            sqlite3_bind_blob(find, 1, a.aident, ident(a.aident), SQLITE_STATIC);
            if (sqlite3_step(find) != SQLITE_ROW) std::abort();
            for (int k = 0; k < 12; ++k) checksum += k == 0 ? sqlite3_column_int(find, 0) : 0;
            sqlite3_column_blob(find, 1);
            for (int k = 2; k < 12; ++k) sqlite3_column_int(find, k);
            sqlite3_reset(find);
        }
        t.find = w.Lap();

        while (sqlite3_step(walk) == SQLITE_ROW) {
            sqlite3_column_int(walk, 0);
            sqlite3_column_blob(walk, 1);
            for (int k = 2; k < 12; ++k) checksum += k == 2 ? sqlite3_column_int(walk, k) : 0;
        }
        sqlite3_reset(walk);
        t.walk = w.Lap();

        for (int i = 0; i < kAmends; ++i) {
            const std::string& id = d.newIdents[size_t(i)];
            sqlite3_bind_blob(amend, 1, id.data(), int(id.size()), SQLITE_STATIC);
            sqlite3_bind_int(amend, 2, d.apts[size_t(i) * 10].asno);
            Check(sqlite3_step(amend), db);
            sqlite3_reset(amend);
            changed();
        }
        phaseEnd();
        t.amend = w.Lap();

        std::vector<int> asnos;
        while (sqlite3_step(all) == SQLITE_ROW) asnos.push_back(sqlite3_column_int(all, 0));
        sqlite3_reset(all);
        for (int asno : asnos) {
            sqlite3_bind_int(erase, 1, asno);
            Check(sqlite3_step(erase), db);
            sqlite3_reset(erase);
            changed();
        }
        Check(sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr), db);
        t.erase = w.Lap();

        for (sqlite3_stmt* s : {ins, find, walk, amend, all, erase}) sqlite3_finalize(s);
        sqlite3_close(db);
        std::filesystem::remove_all(dir);
        Report(state, "SQLite", t, checksum);
    }
}

BENCHMARK(BM_IsamMgr)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_SQLite)->Iterations(1)->Unit(benchmark::kSecond);

void PrintRatios() {
    if (!g_results.count("IsamMgr") || !g_results.count("SQLite")) return;
    const Timings& a = g_results["IsamMgr"];
    const Timings& b = g_results["SQLite"];
    std::printf("\n%-44s %10s %10s %7s\n", "phase", "IsamMgr s", "SQLite s", "ratio");
    auto row = [](const char* phase, double x, double y) {
        std::printf("%-44s %10.3f %10.3f %6.2fx\n", phase, x, y, y > 0 ? x / y : 0.0);
    };
    row("insert 200,000 APT records", a.insert, b.insert);
    row("find each by ident", a.find, b.find);
    row("walk the ident index", a.walk, b.walk);
    row("amend 20,000 idents", a.amend, b.amend);
    row("erase all", a.erase, b.erase);
    const double changes = kRecords * 2.0 + kAmends;
    std::printf("\nengine system calls on its files: %llu, %.2f per change\n",
                (unsigned long long)a.calls, double(a.calls) / changes);
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("peak memory of the process: %ld KB\n", u.ru_maxrss);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintRatios();
    return 0;
}

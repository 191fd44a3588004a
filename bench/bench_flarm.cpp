// Gindral's merge: a DB text file of 200,000 records and a WinPilot file of the same ids read
// into the merged set and saved as a Butterfly file, as --convert does.
//
//   floor     both files read once (one read each) and the Butterfly file's bytes written;
//   convert   both files read and merged record by record, the Butterfly file built and written.
// The best of three rounds counts; the goal is at most three times the floor. It runs twice: with
// the DB text's ids in ascending order, as every file that Gindral writes has them, and with
// them scattered (the set then sorts the records of the file once it has been read).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "sidedata/flarm/ButterflyFile.h"
#include "sidedata/flarm/FlarmFileKind.h"
#include "sidedata/flarm/FlarmInput.h"
#include "sidedata/flarm/FlarmMemory.h"
#include "sidedata/flarm/FlarmSave.h"
#include "sidedata/flarm/HexFlnFile.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRecords = 200000;
const char* const kTypes[] = {"ASK-21", "Discus", "LS-4", "ASW-2", "Duo Discus", "Paraglider", "DG-800", "Unknown"};

std::string ReadAll(const std::string& path) {
    std::string bytes;
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return bytes;
    bytes.resize(static_cast<size_t>(::lseek(fd, 0, SEEK_END)));
    ::pread(fd, bytes.data(), bytes.size(), 0);
    ::close(fd);
    return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
    }
    if (fd >= 0) ::close(fd);
}

// The two input files; the DB text's ids ascending or scattered.
void MakeInputs(const std::string& dbText, const std::string& winPilot, bool scattered) {
    FlarmMemory source;
    std::string db;
    db.reserve(kRecords * 48u);
    char line[128];
    for (int i = 0; i < kRecords; ++i) {
        unsigned id = scattered ? static_cast<unsigned>(i) * 2654435761u % 0x1000000u : static_cast<unsigned>(i) * 83u;
        int n = std::snprintf(line, sizeof line, "%06X|%-3d %-6s %-11s%s %d\r\n", id, i % 1000,
                              ("D-" + std::to_string(i % 10000)).c_str(), kTypes[i % 8], "Pilot", i);
        db.append(line, static_cast<size_t>(n));
        FlarmRecord& r = source.parse;
        std::snprintf(r.FlarmID, sizeof r.FlarmID, "%06X", id);
        std::snprintf(r.AIRFIELD, sizeof r.AIRFIELD, "Field %d", i % 500);
        std::snprintf(r.FREQUENCY, sizeof r.FREQUENCY, "12%d.%03d", i % 8, (i % 40) * 25);
        source.CommitFlarmRecord(false);
    }
    WriteAll(dbText, db);
    source.version = "00ab12";
    std::string hex;
    WriteHexFlnFile(source, hex);
    WriteAll(winPilot, hex);
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Times one conversion against its floor; returns convert / floor.
void Run(const std::string& dir, bool scattered) {
    std::string dbText = dir + "/db.txt", winPilot = dir + "/data.fln", out = dir + "/out.bfn";
    MakeInputs(dbText, winPilot, scattered);
    double floor = 1e9, convert = 1e9;
    size_t records = 0, outputSize = 0;
    for (int round = 0; round < 3; ++round) {
        Clock::time_point start = Clock::now();
        FlarmMemory memory;
        for (const std::string& path : {dbText, winPilot}) {
            std::string bytes = ReadAll(path);
            memory.ClearCounters();
            FlarmInput input(bytes, path);
            ReadFlarmFile(memory, input);
        }
        std::string bytes;
        WriteButterflyFile(memory, bytes);
        ReplaceFileContents(out, bytes);
        convert = std::min(convert, Seconds(start));
        records = memory.Records().size();
        outputSize = bytes.size();

        start = Clock::now();
        std::string a = ReadAll(dbText), b = ReadAll(winPilot);
        WriteAll(out, bytes);
        floor = std::min(floor, Seconds(start));
    }
    std::printf("DB text ids %s: %zu records merged, Butterfly file %zu bytes\n", scattered ? "scattered" : "ascending",
                records, outputSize);
    std::printf("  floor    %8.1f ms  (read both inputs once, write the output bytes)\n", floor * 1e3);
    std::printf("  convert  %8.1f ms  (%.2f x floor)\n", convert * 1e3, convert / floor);
}

}  // namespace

int main() {
    std::string dir = std::filesystem::temp_directory_path() / ("bench_flarm_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    Run(dir, false);
    Run(dir, true);
    std::filesystem::remove_all(dir);
    return 0;
}

// Compile SUA Text and Compile FSS/TCC Text against their floor, and Tessily's Compile SUA Text
// against Brondel's.
//
// A generated SUA text of 20,000 areas of 40 vertexes and an FSS/TCC text of 2,000 TCC records
// are compiled through the idle loop of a quiet Brondel; the same SUA text through a quiet
// Tessily (into NewSUA+.DAT: records, shapes and grid). The floor, measured in the same run,
// reads every line of the text and parses its coordinates once, then writes as many bytes as
// the compiled file has. The grid (16,020 or 2,520 boxes) is bucketed by cell, so it costs one
// pass over the compiled boxes per grid row.
#include <fcntl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "BenchDatabase.h"
#include "common/CoordinateParse.h"
#include "common/LineReader.h"
#include "gen696/CompileSua696.h"
#include "gen696/SectionFile696.h"
#include "gen696/Tessily696.h"
#include "platform/FileSystem.h"

namespace {

constexpr int kAreas = 20000;
constexpr int kVertexes = 40;
constexpr int kTccs = 2000;

std::string Dms(double v, bool lat) {
    const char h = lat ? (v >= 0 ? 'N' : 'S') : (v >= 0 ? 'E' : 'W');
    v = v < 0 ? -v : v;
    const int total = static_cast<int>(v * 3600 + 0.5);
    char text[16];
    std::snprintf(text, sizeof text, lat ? "%c%02d%02d%02d" : "%c%03d%02d%02d", h, total / 3600, total / 60 % 60,
                  total % 60);
    return text;
}

void WriteSua(const std::string& path, int areas) {
    std::ofstream out(path, std::ios::binary);
    for (int a = 0; a < areas; ++a) {
        const double south = -60 + (a % 600) * 0.2, west = -170.5 + (a / 600) * 10.0;
        out << "SUA(" << (a < areas / 2 || areas == 1 ? 'a' : 'b') << ")  AREA " << a << " {"
            << (a < areas / 2 || areas == 1 ? "Class C" : "MOA") << " P1}  0 to  18000 (CENTER " << a % 50 << ")\r\n";
        out << "         0 " << Dms(south, true) << ' ' << Dms(west, false) << "\r\n";
        // Up the west side, across, and down the east side back to the corner.
        const int side = (kVertexes - 2) / 2;
        for (int v = 1; v < kVertexes; ++v) {
            double lat, lon;
            if (v <= side) {
                lat = south + 0.1 * v / side;
                lon = west + (v == side ? 0.05 : 0.0);
            } else if (v < kVertexes - 1) {
                lat = south + 0.1 - 0.1 * (v - side) / side;
                lon = west + 0.1;
            } else {
                lat = south;
                lon = west;
            }
            out << "         " << v << ' ' << Dms(lat, true) << ' ' << Dms(lon, false) << "\r\n";
        }
    }
}

void WriteTcc(const std::string& path, int records) {
    std::ofstream out(path, std::ios::binary);
    for (int t = 0; t < records; ++t) {
        const double south = -50 + (t % 40) * 2.0, west = -170 + (t / 40) * 6.0;
        out << "TCC  " << Dms(south, true) << ' ' << Dms(west, false) << " to " << Dms(south + 1.5, true) << ' '
            << Dms(west + 3, false) << " CENTER " << t << " { " << std::hex << t << std::dec << " }\r\n";
        out << "     { 01 02 03 04 }\r\n";
        for (int v = 0; v < 4; ++v) {
            out << "     " << Dms(south + 0.3 * v, true) << ' ' << Dms(west + 0.5 * v, false)
                << " F= 120.00,r120.05,*120.10\r\n";
        }
    }
}

// Reads every line and parses each coordinate pair once; writes `bytes` bytes.
double Floor(const std::string& text, long bytes) {
    const bench::Clock::time_point start = bench::Clock::now();
    const int fd = platform::OpenFile(text, O_RDONLY, platform::Share::DenyNone);
    LineReader reader = LineReader::FromDescriptor(fd);
    std::string line;
    CoordinateParseStatus status;
    long pairs = 0;
    while (reader.Next(line, 159) != LineReader::Result::End) {
        for (size_t at = 0; (at = line.find_first_of("NS", at)) != std::string::npos; ++at) {
            if (at + 1 >= line.size() || (line[at + 1] != ' ' && (line[at + 1] < '0' || line[at + 1] > '9'))) continue;
            std::string pair = line.substr(at, 17);
            int32_t lat = 0, lon = 0;
            char* p = ParseCoordinate(pair.data(), &lat, 18, false, status);
            ParseCoordinate(p, &lon, 18, true, status);
            ++pairs;
            at += 16;
        }
    }
    platform::CloseFile(fd);
    std::vector<char> out(static_cast<size_t>(bytes), 1);
    std::FILE* f = std::fopen("floor.bin", "wb");
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
    if (pairs == 0) bench::Fail("no coordinates read");
    return bench::Seconds(start);
}

// Tessily's SUA+.DAT: only the section-69 block that the compiler carries over.
void WriteSuaSectionFile() {
    std::filesystem::create_directories("db50");
    const std::string file = SuaDatHeader696(69, 4, 1, 4) + "ODDS" + SuaDatHeader696(-64, 0, 0, 0);
    std::ofstream(std::string("db50/") + kSuaFinalFile696, std::ios::binary) << file;
}

double Compile(int mode, const std::string& text, const char* last, long* calls, void (*install)(GenModel&)) {
    std::FILE* quiet = std::fopen("/dev/null", "w");
    auto app = bench::MakeApp(quiet, install);
    const bench::RunResult r = bench::RunOperation(*app, mode, text, true, last);
    app->ExitInstance();
    std::fclose(quiet);
    if (calls) *calls = r.calls;
    return r.seconds;
}

// The compile of the text, of a text of one record (what every compile costs: the database
// opened, the work files made, the empty grid cells walked, the file put in place), and the floor.
// The best time of the text.
double Run(const char* what, int mode, const std::string& text, const std::string& one, const char* newFile,
           const char* last, void (*install)(GenModel&) = nullptr) {
    // The best of five runs of each: the machine may be busy with other work.
    long calls = 0;
    double fixed = 1e9, seconds = 1e9, floor = 1e9;
    long bytes = 0;
    for (int run = 0; run < 5; ++run) {
        fixed = std::min(fixed, Compile(mode, one, last, nullptr, install));
        seconds = std::min(seconds, Compile(mode, text, last, &calls, install));
        bytes = static_cast<long>(std::filesystem::file_size(std::string("db50/") + newFile));
        floor = std::min(floor, Floor(text, bytes));
    }
    std::printf("%-22s %7.3f s (one record %6.3f s)  floor %6.3f s  ratio %5.2f, without the one-record cost %5.2f"
                "  (%ld bytes, %ld idle calls)\n",
                what, seconds, fixed, floor, seconds / floor, (seconds - fixed) / floor, bytes, calls);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    bench::Workspace work("bench-compile");
    work.Enter();
    WriteSua("sua.txt", kAreas);
    WriteSua("sua1.txt", 1);
    WriteTcc("tcc.txt", kTccs);
    WriteTcc("tcc1.txt", 1);
    WriteSuaSectionFile();
    if (only != "tcc") {
        const double framework = Run("Compile SUA Text", kModeCompileSua, "sua.txt", "sua1.txt", "NewSua.dat",
                                     "To use it, rename it \"sua.dat\" after removing the current one.");
        const double tessily =
            Run("Tessily Compile SUA", kModeCompileSua, "sua.txt", "sua1.txt", kNewSuaFile696,
                "To use it, rename it \"SUA+.DAT\" after removing the current one.", InstallTessily);
        std::printf("Tessily Compile SUA / Compile SUA Text: ratio %5.2f (goal at most 2)\n", tessily / framework);
    }
    if (only != "sua") Run("Compile FSS/TCC Text", kModeCompileTcc, "tcc.txt", "tcc1.txt", "NewTcc.dat",
        "To use it, rename it \"tcc.dat\" after removing the current one.");
    return 0;
}

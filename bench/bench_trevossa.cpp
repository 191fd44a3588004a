// Trevossa's unattended conversion of a large obstacle file against the floor of reading the
// file once and writing as many bytes as the conversion writes.
//
// A writer-built kind-38 file of 500,000 obstacles and 20,000 line obstacles (4 points each,
// every tenth a duplicate for the purge):
//   BM_ReadAndWriteFloor   read the file, write the batch text's number of bytes;
//   BM_Convert             trevossa -S file -D out -P in the process: read, find, purge,
//                          format, write under a temporary name and rename.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/App.h"
#include "platform/HeadlessUi.h"
#include "sidedata/obstacles/CTrevossaDoc.h"
#include "sidedata/tests/UnitFileWriter.h"

namespace {

constexpr int kObstacles = 500000;
constexpr int kLines = 20000;

struct Files {
    std::filesystem::path dir;
    std::string input;
    std::string output;
    size_t outputBytes = 0;
};

class QuietApp : public platform::App {
public:
    QuietApp() {
        auto ui = std::make_unique<platform::HeadlessUi>();
        ui->SetStreams(nullptr, nullptr);
        SetUi(std::move(ui));
    }
};

Files& Data() {
    static Files files = [] {
        Files f;
        f.dir = std::filesystem::temp_directory_path() / ("bench-trevossa-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f.dir);
        unitfile::ObstacleData d;
        d.typeTexts = {{"Mast", "M"}, {"Building", "B"}, {"Wind turbine", "WT"}, {"Chimney", "C"}};
        d.lineTexts = {"Power line", "Cable car"};
        d.secondTexts = {"Lit", "Unlit"};
        d.thirdTexts = {"", "Marked"};
        d.obstacles.reserve(kObstacles);
        for (int i = 0; i < kObstacles; ++i) {
            unitfile::Obstacle o;
            o.name = "OBST" + std::to_string(i);
            o.lat = unitfile::Circle(40.0 + (i % 20000) * 0.001);
            o.lon = unitfile::Circle(-10.0 + (i / 20000) * 0.7);
            o.ground = static_cast<int16_t>(i % 3000);
            o.agl = static_cast<int16_t>(50 + i % 900);
            o.type = static_cast<uint8_t>(i % 4);
            o.second = static_cast<uint8_t>(i % 2);
            o.third = static_cast<uint8_t>(i % 2);
            o.hex1 = static_cast<uint16_t>(i);
            d.obstacles.push_back(o);
        }
        for (int i = 0; i < kLines; ++i) {
            unitfile::LineObstacle l;
            int n = (i % 10 == 9) ? i - 1 : i;  // every tenth repeats the one before
            l.name = "LINE" + std::to_string(n);
            l.text = static_cast<uint8_t>(n % 2);
            int32_t lat = unitfile::Circle(45.0 + n * 0.0001), lon = unitfile::Circle(5.0 + n * 0.0001);
            for (int k = 0; k < 4; ++k) {
                l.points.push_back({lat + k * 64 * 50, lon + k * 64 * 30, static_cast<uint16_t>(100 + k),
                                    static_cast<uint16_t>(30 + k)});
            }
            d.lines.push_back(l);
        }
        unitfile::Bytes bytes = unitfile::Container({"Bench obstacles"}, {{38, unitfile::ObstacleFileData(d)}});
        f.input = (f.dir / "big.awp").string();
        f.output = (f.dir / "out.txt").string();
        std::ofstream(f.input, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return f;
    }();
    return files;
}

void BM_Convert(benchmark::State& state) {
    Files& f = Data();
    QuietApp app;
    obstacles::TrevossaOptions options;
    options.batchFormat = options.purge = true;
    for (auto _ : state) {
        obstacles::CTrevossaDoc doc(options);
        if (doc.RunUnattended(f.input, f.output) != obstacles::kExitDone) state.SkipWithError("conversion failed");
    }
    f.outputBytes = std::filesystem::file_size(f.output);
    state.counters["output_MB"] = static_cast<double>(f.outputBytes) / 1e6;
    state.counters["input_MB"] = static_cast<double>(std::filesystem::file_size(f.input)) / 1e6;
}

void BM_ReadAndWriteFloor(benchmark::State& state) {
    Files& f = Data();
    if (f.outputBytes == 0) {
        QuietApp app;
        obstacles::TrevossaOptions options;
        options.batchFormat = options.purge = true;
        obstacles::CTrevossaDoc doc(options);
        doc.RunUnattended(f.input, f.output);
        f.outputBytes = std::filesystem::file_size(f.output);
    }
    std::string text(f.outputBytes, 'x');
    for (auto _ : state) {
        std::vector<uint8_t> bytes;
        obstacles::CTrevossaDoc::ReadWholeFile(f.input, bytes);
        benchmark::DoNotOptimize(bytes.data());
        std::string temp = f.output + ".floor";
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) state.SkipWithError("write");
        ::close(fd);
        std::filesystem::rename(temp, f.output + ".copy");
    }
}

BENCHMARK(BM_ReadAndWriteFloor)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Convert)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove_all(Data().dir);
    return 0;
}

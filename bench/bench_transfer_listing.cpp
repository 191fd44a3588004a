// GAR listings and image checks of the transfer programs against their floors.
//
//   listing   every display line of a 50,000-point track GAR and of a 5,000-waypoint GAR
//             written with CR LF into 64 KiB chunks as Save As writes them, against reading
//             the same file record by record once;
//   checks    ComputeSumcheckBytes plus CountPackets of an 8 MiB image, against one
//             sequential read of it.
// The best of three rounds counts; the ratios must stay within 3 and 1.5.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "common/SixBitCode.h"
#include "bench/BenchTiming.h"
#include "transfer/common/GarListing.h"
#include "transfer/common/GarRecord.h"
#include "transfer/common/ImageChecks.h"
#include "transfer/common/LineChunks.h"
#include "transfer/common/TransferFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

using bench::BestOfThree;

void Put(Bytes& b, int id, const Bytes& data) {
    b.push_back(static_cast<uint8_t>(id));
    b.push_back(static_cast<uint8_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
}

template <typename T>
void PutValue(Bytes& b, T value) {
    uint8_t raw[sizeof value];
    std::memcpy(raw, &value, sizeof value);
    b.insert(b.end(), raw, raw + sizeof value);
}

Bytes Head(int product, int count) {
    Bytes b;
    Bytes p;
    PutValue<int16_t>(p, static_cast<int16_t>(product));
    PutValue<int16_t>(p, 300);
    Put(b, 255, p);
    Bytes c;
    PutValue<int16_t>(c, static_cast<int16_t>(count));
    Put(b, 27, c);
    return b;
}

Bytes TrackFile(int points) {
    Bytes b = Head(402, points);
    for (int i = 0; i < points; ++i) {
        Bytes d;
        PutValue<int32_t>(d, 560000000 + i * 1000);
        PutValue<int32_t>(d, -1400000000 + i * 700);
        PutValue<int32_t>(d, 500000000 + i);
        PutValue<float>(d, 100.0f + static_cast<float>(i % 500));
        PutValue<float>(d, 1.0e25f);
        d.insert(d.end(), {static_cast<uint8_t>(i % 100 == 0), 0, 0, 0});
        Put(b, 34, d);
    }
    Put(b, 12, {6, 0});
    return b;
}

Bytes WaypointFile(int count) {
    Bytes b = Head(595, count);
    for (int i = 0; i < count; ++i) {
        Bytes d(52, 0);
        d[1] = static_cast<uint8_t>(64 + i % 4);
        d[2] = 1;
        d[3] = 0x70;
        d[4] = 18;
        const int32_t lat = 560000000 + i * 3000, lon = -1400000000 + i * 2000;
        const float alt = 250.0f;
        std::memcpy(&d[24], &lat, 4);
        std::memcpy(&d[28], &lon, 4);
        std::memcpy(&d[32], &alt, 4);
        std::memcpy(&d[44], "WAUS", 4);
        const std::string strings = "WPT" + std::to_string(i) + '\0' + "A COMMENT OF SOME LENGTH" + '\0' +
                                    "FACILITY NAME" + '\0' + "CITY" + '\0';
        d.insert(d.end(), strings.begin(), strings.end());
        Put(b, 35, d);
    }
    Put(b, 12, {7, 0});
    return b;
}

void WriteFile(const std::string& path, const Bytes& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<long>(b.size()));
}

class Quiet : public CheckReporter {
public:
    void Log(const std::string&) override {}
    bool AskYesNo(const std::string&) override { return true; }
    void Message(const std::string&) override {}
    int DebugLevel() const override { return 0; }
};

bool Report(const char* what, double work, double floor, double limit) {
    const double ratio = work / floor;
    std::printf("%-28s %9.2f ms  floor %8.2f ms  ratio %5.2f (limit %.1f) %s\n", what, work * 1e3, floor * 1e3, ratio,
                limit, ratio <= limit ? "ok" : "OVER");
    return ratio <= limit;
}

}  // namespace

int main() {
    const std::string dir = std::filesystem::temp_directory_path() / ("bench_transfer." + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    bool ok = true;

    const struct {
        const char* name;
        Bytes bytes;
    } files[] = {{"track, 50,000 points", TrackFile(50000)}, {"waypoints, 5,000", WaypointFile(5000)}};
    for (const auto& f : files) {
        const std::string path = dir + "/listing.gar";
        WriteFile(path, f.bytes);
        size_t sink = 0;
        const double floor = BestOfThree([&] {
            TransferFile file;
            file.OpenRead(path);
            GarRecord r;
            while (ReadGarRecordFrom(file, r) == GarRead::Ok) sink += static_cast<size_t>(r.size);
        });
        const double work = BestOfThree([&] {
            GarListing listing;
            listing.ListGarFile(path);
            LineChunks text([&sink](const char*, size_t size) {
                sink += size;
                return true;
            });
            listing.WriteLines(text);
            text.Finish();
        });
        ok = Report(f.name, work, floor, 3.0) && ok;
        if (sink == 1) std::printf(" ");
    }

    Bytes image(8 << 20);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 31 + (i >> 12));
    PackSixBitText(&image[33], 9, "006-D0677-00");
    const std::string imagePath = dir + "/image.img";
    WriteFile(imagePath, image);
    std::vector<char> buffer(1 << 20);
    size_t sink = 0;
    const double floor = BestOfThree([&] {
        TransferFile file;
        file.OpenRead(imagePath);
        for (size_t n; (n = file.Read(buffer.data(), buffer.size())) > 0;) sink += n;
    });
    Quiet quiet;
    const double work = BestOfThree([&] {
        ImageChecks checks(quiet);
        checks.fileName = imagePath;
        checks.unitProductId = 595;
        checks.OpenSendFile();
        checks.DetectImageType();
        uint8_t sums[kSumcheckSlots];
        sink += static_cast<size_t>(checks.ComputeSumcheckBytes(sums));
        // The image is counted from its start, as the upload does.
        checks.sendFile.Rewind();
        checks.CountPackets();
        sink += static_cast<size_t>(checks.countedPackets);
    });
    ok = Report("sumchecks + packets, 8 MiB", work, floor, 1.5) && ok;
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}

// Copies onto a drive, against their floor, on a folder standing in for the drive.
//
//   update   Norvesk's drive update of a 256 MiB image: every step, the backup of the unit's
//            (small) old file, the new file made beside the input, and the copy onto the unit at
//            4096 bytes per idle turn, synced and renamed;
//   copy     that last copy alone (StartFileCopy and CopyFileChunk until done);
//   celvane  Celvane's copy of the same 256 MiB at 128 KB a turn, synced and renamed;
//   floor    a plain read/write loop with the same chunk size and the same final fsync.
// The best of five rounds, taken in turns with the floor's, counts; the goals are at most 1.5 times the floor for Norvesk and
// 1.2 times for Celvane. The largest resident set is printed at the end: it stays far below
// the image's size.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <utility>
#include <string>
#include <vector>

#include "transfer/common/FileCopy.h"
#include "transfer/common/TransferFile.h"
#include "transfer/usb/DriveUpdate.h"
#include "transfer/usb/UsbTables.h"

namespace {

namespace fs = std::filesystem;

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best of five rounds of a piece of work and of its floor, taken in turns so that both
// meet the same load of the machine.
std::pair<double, double> BestInTurns(const std::function<void()>& work, const std::function<void()>& floor) {
    double best = 1e30, bestFloor = 1e30;
    for (int round = 0; round < 5; ++round) {
        bestFloor = std::min(bestFloor, Seconds(floor));
        best = std::min(best, Seconds(work));
    }
    return {best, bestFloor};
}

constexpr size_t kImageBytes = 256u << 20;

class QuietHost : public DriveUpdateHost {
public:
    void Log(const std::string&) override {}
    void ReplaceLastLine(const std::string&) override {}
    void EndUpdate(const std::string& text) override { last = text; }
    std::string last;
};

void WriteImage(const std::string& path) {
    std::vector<uint8_t> block(1 << 20);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (size_t done = 0; done < kImageBytes; done += block.size()) {
        for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>((done + i) * 31 + (i >> 9));
        if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) std::abort();
    }
    ::close(fd);
}

// The floor: read and write in chunks of `chunk` bytes, then fsync and close.
void PlainCopy(const std::string& from, const std::string& to, size_t chunk) {
    std::vector<uint8_t> buffer(chunk);
    const int in = ::open(from.c_str(), O_RDONLY);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), chunk);
        if (n <= 0) break;
        if (::write(out, buffer.data(), static_cast<size_t>(n)) != n) std::abort();
    }
    if (::fsync(out) != 0) std::abort();
    ::close(out);
    ::close(in);
}

void Report(const char* what, double seconds, double floor, double goal) {
    std::printf("%-8s %7.3f s  floor %7.3f s  ratio %.2f (goal <= %.1f)\n", what, seconds, floor, seconds / floor, goal);
}

}  // namespace

int main() {
    const fs::path base = fs::temp_directory_path() / "bench-drive-copy";
    fs::remove_all(base);
    fs::create_directories(base / "in");
    fs::create_directories(base / "unit/Garmin");
    fs::create_directories(base / "unit/.System/AVTN");
    const std::string image = (base / "in/data.img").string();
    WriteImage(image);
    const std::string target = (base / "unit/.System/AVTN/avtn_db.bin").string();

    QuietHost host;
    DriveUpdate update(host);
    const auto floor4k = [&] { PlainCopy(image, target + ".plain", DriveUpdate::kChunkBytes); };
    const auto [whole, wholeFloor] = BestInTurns([&] {
        fs::remove_all(base / "in/Aerabackup_1");
        fs::remove(target);
        {
            const int old = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);  // the unit's old file
            if (old < 0 || ::ftruncate(old, 1024) != 0) std::abort();
            ::close(old);
        }
        DriveUpdateRequest request;
        request.drive = UnitDrive{(base / "unit").string(), (base / "unit").string()};
        request.inputFile = image;
        request.row = FindDriveFile(50);
        request.dataLength = static_cast<uint32_t>(kImageBytes);
        update.Begin(request);
        while (update.DriveUpdateStep() != 0) {
            while (update.Copying() && update.CopyFileChunk() != 0) {
            }
        }
        if (host.last != "Update Complete") std::abort();
    }, floor4k);
    const auto [copy, copyFloor] = BestInTurns([&] {
        if (update.StartFileCopy(image, target) != 0) std::abort();
        while (update.CopyFileChunk() != 0) {
        }
    }, floor4k);
    Report("update", whole, wholeFloor, 1.5);
    Report("copy", copy, copyFloor, 1.5);

    FileCopy celvane(131072);
    const auto [card, cardFloor] = BestInTurns([&] {
        TransferFile data;
        if (!data.OpenRead(image) || !celvane.Start(data, target, 0, static_cast<uint32_t>(kImageBytes))) std::abort();
        ChunkResult result;
        while ((result = celvane.Chunk()) == ChunkResult::More) {
        }
        if (result != ChunkResult::Done) std::abort();
    }, [&] { PlainCopy(image, target + ".plain", 131072); });
    Report("celvane", card, cardFloor, 1.2);

    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("largest resident set %ld KB (image %zu KB)\n", usage.ru_maxrss, kImageBytes / 1024);
    fs::remove_all(base);
    return 0;
}

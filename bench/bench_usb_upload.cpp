// Upload of a 4 MiB image to the emulated unit over the USB link, against its floor.
//
//   upload   norvesk --headless --usb-emulator=595 -M2 -D1 with every delay 0: the whole run
//            less the same run with a one-block image (the session's handshakes, whose
//            pauses are the link's silence ticks), so that what is left is the image's
//            packets through the engine, the link threads and the unit;
//   floor    reading the same image in 128-byte blocks and building the same packets, handed
//            through the link's queue and writer thread to a link that drops them.
// The best of three rounds counts; the goal is at most 2 times the floor. The resident set
// is printed before and after to show that memory stays flat.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "transfer/common/TransferFile.h"
#include "transfer/usb/UsbConnection.h"
#include "transfer/usb/UsbPacket.h"

namespace {


using bench::BestOfThree;

// "006-D0677-XX" packed at 33 (a 496 image), the stored packet count at 57, blocks of data
// with every eighth one blank.
std::vector<uint8_t> Image(size_t blocks) {
    std::vector<uint8_t> image(blocks * 128, 0);
    std::memset(image.data(), 0xFF, 256);
    const char* text = "006-D0677-XX";
    uint8_t big[9] = {};
    for (size_t i = 0; i < 12; ++i) {
        const unsigned code = static_cast<unsigned>(text[i] - 0x20);
        for (int b = 0; b < 6; ++b) {
            if (code & (1u << (5 - b))) big[(i * 6 + b) / 8] |= static_cast<uint8_t>(0x80 >> ((i * 6 + b) % 8));
        }
    }
    for (size_t i = 0; i < 9; ++i) image[33 + i] = big[8 - i];
    size_t data = 0;
    for (size_t i = 2; i < blocks; ++i) {
        if (i % 8 == 0) {
            std::memset(image.data() + i * 128, 0xFF, 128);
        } else {
            for (size_t k = 0; k < 128; ++k) image[i * 128 + k] = static_cast<uint8_t>((i * 31 + k) & 0x7F);
        }
    }
    for (size_t i = 0; i < blocks; ++i) {
        bool blank = true;
        for (size_t k = 0; k < 128; ++k) blank = blank && image[i * 128 + k] == 0xFF;
        data += blank ? 0 : 1;
    }
    image[57] = static_cast<uint8_t>(data);
    image[58] = static_cast<uint8_t>(data >> 8);
    return image;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

int RunNorvesk(const std::string& program, const std::string& folder, const std::string& image) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(127);
        const std::string file = "-F" + image;
        execl(program.c_str(), program.c_str(), "--headless", "--usb-emulator=595", "-M2", "-D1", file.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class NullLink : public UsbLink {
public:
    UsbOpen Open(std::string& path, std::string&) override {
        path = "null";
        open_ = true;
        return UsbOpen::Ok;
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    uint32_t PacketSize() const override { return 512; }
    UsbIoResult ReadInterrupt(uint8_t*, size_t, int ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return {UsbIo::Timeout, 0, 0};
    }
    UsbIoResult ReadBulk(uint8_t* b, size_t n, int ms) override { return ReadInterrupt(b, n, ms); }
    UsbIoResult WriteBulk(const uint8_t*, size_t n, int) override { return {UsbIo::Ok, n, 0}; }
    std::string ErrorText(int) const override { return "null"; }

private:
    bool open_ = false;
};

// The same packets as the upload, 14 to a writer run, into the null link.
void Floor(const std::string& path) {
    NullLink link;
    std::mutex mutex;
    std::condition_variable cv;
    int runs = 0;
    UsbConnection usb(link, [&](unsigned, uintptr_t, intptr_t) {
        std::lock_guard<std::mutex> lock(mutex);
        ++runs;
        cv.notify_all();
    });
    std::string name, detail;
    usb.Open(name, detail);
    usb.running = true;
    TransferFile file;
    file.OpenRead(path);
    uint32_t offset = 0;
    bool more = true;
    while (more) {
        int queued = 0;
        while (queued < 14) {
            uint8_t block[128];
            const size_t n = file.Read(block, sizeof block);
            if (n == 0) {
                more = false;
                break;
            }
            const uint32_t at = offset;
            offset += static_cast<uint32_t>(n);
            bool blank = true;
            for (size_t k = 0; k < n; ++k) blank = blank && block[k] == 0xFF;
            if (blank) continue;
            UsbPacketBuffer p(new uint8_t[kUsbPacketMax]);
            PutUsbHeader(p.get(), kUsbApplication, 36, static_cast<uint32_t>(n + 4));
            PutUsbU32(p.get() + kUsbHeaderSize, at);
            std::memcpy(p.get() + kUsbHeaderSize + 4, block, n);
            usb.Queue(std::move(p));
            ++queued;
        }
        const int before = runs;
        usb.ActivateWrite();
        std::unique_lock<std::mutex> lock(mutex);
        cv.wait(lock, [&] { return runs > before; });
    }
    usb.running = false;
    usb.Close();
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return 0;
}

long ChildrenPeakKb() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program =
        std::filesystem::absolute(std::filesystem::path(argc > 1 ? argv[1] : argv[0]).parent_path() / "norvesk").string();
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("bench-usb-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder / "cfg" / "Norvesk");
    setenv("XDG_CONFIG_HOME", (folder / "cfg").c_str(), 1);
    {
        std::ofstream ini(folder / "cfg" / "Norvesk" / "norvesk.ini");
        ini << "PostEraseDelay=0\nPostLoaderDelay=0\nIntraReadDelay=5000\nIntraWriteDelay=5000\nPostTransferDelay=0\n"
               "LoaderModels=96\n";
    }
    const size_t blocks = 4 * 1024 * 1024 / 128;
    WriteFile((folder / "big.img").string(), Image(blocks));
    WriteFile((folder / "tiny.img").string(), Image(3));
    const long before = ResidentKb();

    int status = 0;
    const double whole = BestOfThree([&] { status |= RunNorvesk(program, folder.string(), "big.img"); });
    const long bigPeak = ChildrenPeakKb();
    const double handshakes = BestOfThree([&] { status |= RunNorvesk(program, folder.string(), "tiny.img"); });
    const double floor = BestOfThree([&] { Floor((folder / "big.img").string()); });
    const long after = ResidentKb();

    std::error_code ec;
    const bool same = std::filesystem::file_size(folder / "region_00.bin", ec) > 0;
    std::filesystem::remove_all(folder, ec);
    if (status != 0 || !same) {
        std::fprintf(stderr, "bench_usb_upload: the upload failed (status %d)\n", status);
        return 1;
    }
    const double upload = whole - handshakes;
    std::printf("usb upload 4 MiB: whole run %.3f s, handshakes %.3f s, upload %.3f s; floor %.3f s; ratio %.2f (goal <= 2)\n",
                whole, handshakes, upload, floor, upload / floor);
    std::printf("memory: bench %ld kB before, %ld kB after; program peak %ld kB\n", before, after, bigPeak);
    return 0;
}

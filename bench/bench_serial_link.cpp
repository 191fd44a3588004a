// Wistrel's packet link: a 2 MiB image uploaded from a client to its emulator child over the
// two pipes, timed from the first block to the end, against a floor measured in the same run:
// as many 132-byte frames, each answered by an 8-byte ACK, between two threads over a pipe
// pair. The client's resident memory is sampled as the blocks go, to show that it stays flat.
// Usage: bench_serial_link [path of wistrel]
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/SixBitCode.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kImageSize = 2 * 1024 * 1024;
constexpr size_t kFrames = kImageSize / 128;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

bool ReadAll(int fd, uint8_t* buf, size_t n) {
    size_t done = 0;
    while (done < n) {
        const ssize_t got = ::read(fd, buf + done, n - done);
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

// Frames and ACKs between two threads over a pipe pair.
double Floor() {
    int there[2], back[2];
    if (::pipe(there) != 0 || ::pipe(back) != 0) std::exit(1);
    std::thread unit([&] {
        uint8_t frame[132], ack[8] = {0x10, 6, 2, 36, 0, 0xD4, 0x10, 3};
        for (size_t i = 0; i < kFrames; ++i) {
            if (!ReadAll(there[0], frame, sizeof frame)) return;
            if (::write(back[1], ack, sizeof ack) != sizeof ack) return;
        }
    });
    uint8_t frame[132], ack[8];
    std::memset(frame, 0x41, sizeof frame);
    const auto start = Clock::now();
    for (size_t i = 0; i < kFrames; ++i) {
        if (::write(there[1], frame, sizeof frame) != sizeof frame || !ReadAll(back[0], ack, sizeof ack)) std::exit(1);
    }
    const double seconds = Seconds(Clock::now() - start);
    unit.join();
    for (int fd : {there[0], there[1], back[0], back[1]}) ::close(fd);
    return seconds;
}

long ResidentKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

std::vector<uint8_t> Image() {
    std::vector<uint8_t> image(kImageSize);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + i / 1000 + 1);
    std::memset(image.data(), 0xFF, 64);
    PackSixBitText(&image[26], 9, "006-D1234-00");
    std::memset(image.data() + image.size() - 6, 0xFF, 6);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string wistrel = argc > 1 ? argv[1] : std::string(SUITE_BIN_DIR) + "/wistrel";
    const auto dir = std::filesystem::temp_directory_path() / ("bench-serial-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto image = Image();
    std::ofstream((dir / "db.img").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    std::ofstream((dir / "answers.txt").string())
        << "match Setup Communications\nset Mode = Write\nset Port = Client\nset Database = Aviation\n"
           "set Filename = db.img\npress OK\nmatch Confirm Transfer Details\npress GO\n";

    const double floor = Floor();

    int out[2];
    if (::pipe(out) != 0) return 1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    std::vector<std::string> words{wistrel, "--headless", "-d", "--answers", "answers.txt"};
    std::vector<char*> args;
    for (auto& w : words) args.push_back(w.data());
    args.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, wistrel.c_str(), &actions, nullptr, args.data(), environ) != 0) return 1;
    ::close(out[1]);

    // The client's lines: the upload runs from "Sending Database" to "Transfer Complete".
    std::string pending;
    Clock::time_point start{}, end{};
    long firstKb = -1, lastKb = -1, peakKb = 0;
    char buf[4096];
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        ::poll(&p, 1, 100);
        if (start != Clock::time_point{} && end == Clock::time_point{}) {
            const long kb = ResidentKb(pid);
            if (firstKb < 0) firstKb = kb;
            lastKb = kb;
            peakKb = std::max(peakKb, kb);
        }
        if (!(p.revents & (POLLIN | POLLHUP))) continue;
        const ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        pending.append(buf, static_cast<size_t>(n));
        size_t eol;
        while ((eol = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            if (line.rfind("Sending Database", 0) == 0) start = Clock::now();
            if (line.rfind("Transfer Complete", 0) == 0) end = Clock::now();
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::string log;
    {
        std::ifstream in((dir / "wistrel-server.log").string());
        log.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::filesystem::remove_all(dir);
    if (start == Clock::time_point{} || end == Clock::time_point{} || log.find("Host Transfer Complete") == std::string::npos) {
        std::fprintf(stderr, "the upload did not complete\n");
        return 1;
    }
    const double upload = Seconds(end - start);
    std::printf("frames: %zu of 132 bytes\n", kFrames);
    std::printf("floor (threads over a pipe pair): %.3f s\n", floor);
    std::printf("upload to the emulator child:     %.3f s (%.2f x the floor, goal at most 2)\n", upload, upload / floor);
    std::printf("client resident memory during the upload: first %ld kB, last %ld kB, peak %ld kB\n", firstKb, lastKb,
                peakKb);
    return 0;
}

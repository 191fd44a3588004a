// The manager's exchange files: export and import of 20,000 user waypoints and of 19 routes of 19
// waypoints as GAR format 9 and as GPX, files written and read through the file system, against
// the floor of the same records walked (export) or inserted into empty files (import) with the
// record-file objects alone. Best of three. Also the GPX reader's peak of heap memory against the
// file's size.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <new>
#include <string>

#include "dblib/CKestraneDBOpen.h"
#include "dblib/DbDir.h"
#include "dblib/KestraneDatabase.h"
#include "manager/GarExchange.h"
#include "manager/GpxReader.h"
#include "manager/GpxWriter.h"
#include "manager/ImportRecords.h"
#include "manager/RenumberRoute.h"
#include "platform/App.h"
#include "platform/HeadlessUi.h"

namespace {

std::atomic<size_t> g_current{0}, g_peak{0};

}  // namespace

void* operator new(size_t size) {
    void* p = std::malloc(size + 16);
    if (!p) throw std::bad_alloc();
    *static_cast<size_t*>(p) = size;
    const size_t now = g_current += size;
    size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(p) + 16;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    char* base = static_cast<char*>(p) - 16;
    g_current -= *reinterpret_cast<size_t*>(base);
    std::free(base);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWaypoints = 20000, kRoutes = 19, kRoutePoints = 19;

double Best(const std::function<void()>& prepare, const std::function<void()>& run) {
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        prepare();
        const auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

dfUSR& Usr() { return *KestraneDb().usr; }
dfRTE& Rte() { return *KestraneDb().rte; }

void FillUsr(int n) {
    Usr().usno = n + 1;
    char ident[8];
    std::snprintf(ident, sizeof ident, "U%05d", n);
    SetField(Usr().uident, ident);
    Usr().ulat = n * 100000;
    Usr().ulong = -n * 150000;
    Usr().utime = 1000 + n;
    SetField(Usr().uname, "USER WAYPOINT " + std::to_string(n));
    Usr().uicon = 0x120003;
}

void FillRte(int n) {
    const int route = n / (kRoutePoints + 1), order = n % (kRoutePoints + 1);
    Rte().Clear();
    Rte().rtsno = n + 1;
    Rte().rtno = route + 1;
    Rte().rtorder = order;
    SetField(Rte().rtident, "R" + std::to_string(n));
    SetField(Rte().rtname1, order == 0 ? "ROUTE " + std::to_string(route) : "POINT");
    Rte().rtlat = n * 200000;
    Rte().rtlong = n * 100000;
    Rte().rttype = 4;
}
constexpr int kRteRecords = kRoutes * (kRoutePoints + 1);

void Clear(IsamMgr& file) {
    (void)file.Open();
    file.SelectIndex(&file == static_cast<IsamMgr*>(&Usr()) ? "usno" : "rtsno");
    file.Rewind();
    while (file.Next(1) == 0)
        if (file.Erase() != 0) break;
    file.Close();
}

void InsertAll(IsamMgr& file, int count, void (*fill)(int)) {
    (void)file.Open();
    for (int n = 0; n < count; ++n) {
        fill(n);
        (void)file.Insert();
    }
    file.Close();
}

void WalkAll(IsamMgr& file, const char* index) {
    (void)file.Open();
    file.SelectIndex(index);
    file.Rewind();
    while (file.Next(1) == 0) {
    }
    file.Close();
}

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
// The whole file in a string of its size, as the import commands read it.
std::string ReadFile(const std::string& path) {
    std::string bytes(std::filesystem::file_size(path), '\0');
    std::ifstream(path, std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void Report(const char* what, double time, double floor) {
    std::printf("%-28s %8.2f ms  floor %8.2f ms  %5.2fx\n", what, time * 1e3, floor * 1e3, time / floor);
}

}  // namespace

int main() {
    platform::App app;
    auto ui = std::make_unique<platform::HeadlessUi>();
    ui->SetStreams(nullptr, nullptr);
    app.SetUi(std::move(ui));
    char pattern[] = "/tmp/bench-exchange-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    std::filesystem::create_directory(dir + "/db50");
    if (::chdir(dir.c_str()) != 0) return 1;
    SetDbDir(dir + "/db50");
    CKestraneDBOpen check;
    if (check.OpenDatabase(nullptr, 0, 0) != 0) return 1;
    auto nothing = [] {};
    // Each export writes a new file, as the program does (under a temporary name): a file cut
    // back to nothing and written again would time the file system's flush on closing it.
    auto fresh = [](const char* path) { return [path] { std::filesystem::remove(path); }; };

    InsertAll(Usr(), kWaypoints, FillUsr);
    InsertAll(Rte(), kRteRecords, FillRte);
    const double usrWalk = Best(nothing, [] { WalkAll(Usr(), "uident"); });
    const double rteWalk = Best(nothing, [] { WalkAll(Rte(), "rtno"); });
    auto exportWith = [](IsamMgr& file, const char* path, const std::function<void(std::string&)>& build) {
        return [&file, path, build] {
            (void)file.Open();
            std::string bytes;
            build(bytes);
            file.Close();
            WriteFile(path, bytes);
        };
    };
    Report("export USR GAR 9", Best(fresh("usr.gar"), exportWith(Usr(), "usr.gar", [](std::string& b) {
                                        ExportUsrGar(Usr(), 9, 402, 0, b);
                                    })),
           usrWalk);
    auto gpxExport = [](IsamMgr& file, const char* path, bool routes) {
        return [&file, path, routes] {
            (void)file.Open();
            std::ofstream out(path, std::ios::binary);
            std::string bytes;
            const GpxFlush flush = [&out](std::string& chunk) {
                out << chunk;
                chunk.clear();
            };
            if (routes) WriteGpxRoute(bytes, Rte(), 0, flush);
            else WriteGpxWaypoint(bytes, Usr(), 0, flush);
            out << bytes;
            file.Close();
        };
    };
    Report("export USR GPX", Best(fresh("usr.gpx"), gpxExport(Usr(), "usr.gpx", false)), usrWalk);
    Report("export RTE GAR 9", Best(fresh("rte.gar"), exportWith(Rte(), "rte.gar", [](std::string& b) {
                                        ExportRteGar(Rte(), 9, 402, b);
                                    })),
           rteWalk);
    Report("export RTE GPX", Best(fresh("rte.gpx"), gpxExport(Rte(), "rte.gpx", true)), rteWalk);

    const double usrInsert = Best([] { Clear(Usr()); }, [] { InsertAll(Usr(), kWaypoints, FillUsr); });
    const double rteInsert = Best([] { Clear(Rte()); }, [] { InsertAll(Rte(), kRteRecords, FillRte); });
    Report("import USR GAR 9", Best([] { Clear(Usr()); }, [] {
               (void)Usr().Open();
               GarReader reader(ReadFile("usr.gar"));
               GarPacket packet;
               GarHeader header;
               int32_t highest = 0;
               if (StartGarImport(reader, packet, header, false)) ImportUsrGar(reader, packet, header, Usr(), highest);
               Usr().Close();
           }),
           usrInsert);
    Report("import USR GPX", Best([] { Clear(Usr()); }, [] {
               (void)Usr().Open();
               int32_t highest = 0;
               ReadGpxWaypoints(ReadFile("usr.gpx"), Usr(), highest, 5);
               Usr().Close();
           }),
           usrInsert);
    auto importRoutes = [](bool gpx) {
        return [gpx] {
            (void)Rte().Open();
            int32_t highest = 0;
            ImportRouteNumbers numbers(Rte());
            if (gpx) {
                ReadGpxRoutes(ReadFile("rte.gpx"), Rte(), highest, numbers);
            } else {
                GarReader reader(ReadFile("rte.gar"));
                GarPacket packet;
                GarHeader header;
                if (StartGarImport(reader, packet, header, true))
                    ImportRteGar(reader, packet, header, Rte(), highest, numbers);
            }
            for (int32_t route = 0; route <= kImportedRouteNumbers; ++route) RenumberRoute(route, 0);
            Rte().Close();
        };
    };
    Report("import RTE GAR 9 (renumbered)", Best([] { Clear(Rte()); }, importRoutes(false)), rteInsert);
    Report("import RTE GPX (renumbered)", Best([] { Clear(Rte()); }, importRoutes(true)), rteInsert);

    Clear(Usr());
    (void)Usr().Open();
    const size_t base = g_current.load();
    g_peak = base;
    {
        const std::string text = ReadFile("usr.gpx");
        int32_t highest = 0;
        ReadGpxWaypoints(text, Usr(), highest, 5);
    }
    Usr().Close();
    const size_t fileSize = std::filesystem::file_size("usr.gpx");
    std::printf("GPX reader: file %zu bytes, heap peak %zu bytes (%.2fx the file)\n", fileSize, g_peak - base,
                double(g_peak - base) / double(fileSize));
    KestraneDb().Release();
    std::filesystem::remove_all(dir);
    return 0;
}

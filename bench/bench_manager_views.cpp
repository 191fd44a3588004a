// The manager's list windows over a generated database of 120,000 intersections and 45,000
// airports (two runways and two frequencies each), and over one of 10,000 of each:
//   (a) a window opened and its first screen drawn;
//   (b) the list loaded to its 2000-line limit (idle steps) and its last screen drawn;
//   (c) the same with an ident filter in the middle of the file;
// against the floor of the same run: the same records walked by the ident index with the
// record-file objects alone (airports with their runways and frequencies). Best of five.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "bench/BenchManagerFolder.h"
#include "dblib/CKestraneDBOpen.h"
#include "dblib/DbDir.h"
#include "dblib/KestraneDatabase.h"
#include "dblib/Transaction.h"
#include "manager/ManagerSettings.h"
#include "manager/RecordViews.h"
#include "platform/App.h"
#include "platform/HeadlessDC.h"
#include "platform/HeadlessUi.h"

namespace {

using Clock = std::chrono::steady_clock;

// Every round starts with no page of the files held from an earlier window or walk.
double Best(const std::function<void()>& run) {
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        dbtx::DropAllUnchanged();
        const auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

// Five letters from n: the second changes every 17,576 records, the third every 676.
void Ident(char (&out)[8], int n) {
    std::memset(out, 0, sizeof out);
    for (int i = 4; i >= 0; --i) {
        out[i] = static_cast<char>('A' + n % 26);
        n /= 26;
    }
}

void Build(int ints, int airports) {
    KestraneDatabase& db = KestraneDb();
    (void)db.ints->Open();
    for (int n = 0; n < ints; ++n) {
        db.ints->isno = n + 1;
        Ident(db.ints->iident, n);
        db.ints->ilat = n * 1000;
        db.ints->ilong = -n * 1000;
        db.ints->iname = 0;
        db.ints->iparent = 0;
        db.ints->icountry = 0;
        db.ints->iflags = 0;
        (void)db.ints->Insert();
    }
    db.ints->Close();
    (void)db.apts->Open();
    (void)db.rwy3->Open();
    (void)db.freq3->Open();
    for (int n = 0; n < airports; ++n) {
        db.apts->asno = n + 1;
        Ident(db.apts->aident, n);
        db.apts->alat = n * 1000;
        db.apts->along = n * 1000;
        (void)db.apts->Insert();
        for (int k = 0; k < 2; ++k) {
            db.rwy3->rsno = 2 * n + k + 1;
            db.rwy3->raptno = n + 1;
            db.rwy3->rlen = 3000 + 1000 * k;
            db.rwy3->rw = 9 + 4 * k;
            (void)db.rwy3->Insert();
            db.freq3->fsno = 2 * n + k + 1;
            db.freq3->faptno = n + 1;
            db.freq3->freq = 11800 + 5 * k;
            db.freq3->f431 = -1;
            (void)db.freq3->Insert();
        }
    }
    db.apts->Close();
    db.rwy3->Close();
    db.freq3->Close();
}

struct Figures {
    double open = 0, full = 0, filtered = 0, floor = 0, floorFiltered = 0;
};

template <class View>
Figures Measure(const char* filterPrefix) {
    Figures f;
    auto dc = platform::HeadlessDC::Screen({800, 600});
    dc.DiscardRecords();  // as the program's own paints: nothing drawn is kept
    auto loadAndDrawLast = [&] {
        View view;
        view.OnUpdate(nullptr, 1);
        view.Paint(dc);
        while (!view.IsComplete()) view.IdleStep();
        view.ScrollToPosition({0, view.TotalSize().cy});
        view.Invalidate();
        view.Paint(dc);
        return view.LineCount();
    };
    f.open = Best([&] {
        View view;
        view.Paint(dc);
    });
    Manager().identFilter.clear();
    f.full = Best([&] { loadAndDrawLast(); });
    const int lines = loadAndDrawLast();
    Manager().identFilter = filterPrefix;
    f.filtered = Best([&] { loadAndDrawLast(); });
    const int filteredLines = loadAndDrawLast();  // fewer than `lines` when the prefix's records end first
    Manager().identFilter.clear();

    // The floor: the records behind those lines by the ident index, airports with their rows.
    KestraneDatabase& db = KestraneDb();
    const bool airports = std::is_same_v<View, CKestraneAView>;
    auto walk = [&](const char* prefix, int lines) {
        IsamMgr& file = airports ? static_cast<IsamMgr&>(*db.apts) : static_cast<IsamMgr&>(*db.ints);
        char* ident = airports ? db.apts->aident : db.ints->iident;
        (void)file.Open();
        file.SelectIndex(airports ? "aident" : "iident");
        std::memset(ident, 0, 8);
        std::memcpy(ident, prefix, std::min<size_t>(std::strlen(prefix), 8));
        bool ok = file.Find() == 0 || file.ReadCurrent() == 0;
        int seen = 0;
        if (airports) {
            (void)db.rwy3->Open();
            (void)db.freq3->Open();
            db.rwy3->SelectIndex("raptno");
            db.freq3->SelectIndex("faptno");
        }
        volatile int32_t sink = 0;
        for (; ok && seen < lines; ok = file.Next(1) == 0) {
            ++seen;
            if (airports) {
                const int32_t asno = db.apts->asno;
                db.rwy3->raptno = asno;
                for (bool r = db.rwy3->Find() == 0 || db.rwy3->ReadCurrent() == 0; r && db.rwy3->raptno == asno;
                     r = db.rwy3->Next(1) == 0) {
                    sink = sink + db.rwy3->rlen;
                    ++seen;
                }
                db.freq3->faptno = asno;
                for (bool r = db.freq3->Find() == 0 || db.freq3->ReadCurrent() == 0; r && db.freq3->faptno == asno;
                     r = db.freq3->Next(1) == 0)
                    sink = sink + db.freq3->freq;
            }
        }
        if (airports) {
            db.rwy3->Close();
            db.freq3->Close();
        }
        file.Close();
    };
    f.floor = Best([&] { walk("", lines); });
    f.floorFiltered = Best([&] { walk(filterPrefix, filteredLines); });
    return f;
}

void Report(const char* what, int records, const Figures& f) {
    std::printf("%-14s %7d  open %6.3f ms  full %6.3f ms (floor %6.3f, %4.2fx)  filtered %6.3f ms (floor %6.3f, %4.2fx)\n",
                what, records, f.open * 1e3, f.full * 1e3, f.floor * 1e3, f.full / f.floor, f.filtered * 1e3,
                f.floorFiltered * 1e3, f.filtered / f.floorFiltered);
}

}  // namespace

int main() {
    platform::App app;
    auto ui = std::make_unique<platform::HeadlessUi>();
    ui->SetStreams(nullptr, nullptr);
    app.SetUi(std::move(ui));
    const std::string start = std::filesystem::current_path().string();
    Figures small[2], large[2];
    for (int size : {10000, 120000}) {
        const std::string dir = OpenManagerScratch("bench-manager");
        if (dir.empty()) return 1;
        const int airports = size == 10000 ? 10000 : 45000;
        const auto built = Clock::now();
        Build(size, airports);
        std::printf("database of %d intersections and %d airports built in %.1f s\n", size, airports,
                    std::chrono::duration<double>(Clock::now() - built).count());
        Figures* f = size == 10000 ? small : large;
        f[0] = Measure<CKestraneIView>(size == 10000 ? "AAH" : "AD");
        f[1] = Measure<CKestraneAView>(size == 10000 ? "AAH" : "AB");
        Report("intersections", size, f[0]);
        Report("airports", airports, f[1]);
        KestraneDb().Release();
        if (::chdir(start.c_str()) != 0) return 1;
        std::filesystem::remove_all(dir);
    }
    std::printf("open, 120,000 against 10,000 records: intersections %.2fx, airports %.2fx\n",
                large[0].open / small[0].open, large[1].open / small[1].open);
    return 0;
}

// The manager's edits run headless through their dialogs (answers given in code): 2,000 Change
// USR and 2,000 Add FRQ commands, each kind in rounds with the change journal on and with it
// pointed at nothing, alternating in the same run. The journal's share of an edit is the
// difference per edit.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "bench/BenchManagerFolder.h"
#include "dblib/KestraneDatabase.h"
#include "manager/ChangeJournal.h"
#include "manager/ManagerSettings.h"
#include "manager/RecordViews.h"
#include "platform/App.h"
#include "platform/HeadlessUi.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kEdits = 2000;
constexpr int kRounds = 4;
constexpr int kAirports = 25;  // 80 frequencies each: rows stay below the 127 of an airport

void Build() {
    KestraneDatabase& db = KestraneDb();
    (void)db.country->Open();
    db.country->csno = 1;
    std::memcpy(db.country->cid, "XX  ", 4);
    std::snprintf(db.country->cname, sizeof db.country->cname, "BENCHLAND");
    (void)db.country->Insert();
    db.country->Close();
    (void)db.names->Open();
    db.names->nsno = 1;
    std::snprintf(db.names->nname, sizeof db.names->nname, "BENCH FIELD");
    (void)db.names->Insert();
    db.names->Close();
    (void)db.usr->Open();
    for (int n = 0; n < kEdits; ++n) {
        db.usr->usno = n + 1;
        std::memset(db.usr->uident, 0, sizeof db.usr->uident);
        std::snprintf(db.usr->uident, sizeof db.usr->uident, "U%04d", n);
        db.usr->ulat = n * 1000;
        db.usr->ulong = -n * 1000;
        std::memset(db.usr->uname, 0, sizeof db.usr->uname);
        std::snprintf(db.usr->uname, sizeof db.usr->uname, "POINT %d", n);
        db.usr->uicon = 0x120003;
        (void)db.usr->Insert();
    }
    db.usr->Close();
    (void)db.apts->Open();
    for (int n = 0; n < kAirports; ++n) {
        db.apts->asno = n + 1;
        std::memset(db.apts->aident, 0, sizeof db.apts->aident);
        std::snprintf(db.apts->aident, sizeof db.apts->aident, "KB%c%c", 'A' + n / 26, 'A' + n % 26);
        db.apts->acountry = 1;
        db.apts->afacil = db.apts->acity = 1;
        db.apts->a212025 = -1;
        (void)db.apts->Insert();
    }
    db.apts->Close();
}

void Click(CKestraneScrollView& view, int line) { view.OnLButtonDown(0, {20, line * 16 + 8}); }

int LineOf(const CKestraneScrollView& view, int32_t word) {
    for (int i = 0; i < view.LineCount(); ++i) {
        if (view.Lines()[static_cast<size_t>(i)] == word) return i;
    }
    return -1;
}

}  // namespace

int main() {
    platform::App app;
    auto owned = std::make_unique<platform::HeadlessUi>();
    platform::HeadlessUi& ui = *owned;
    ui.SetStreams(nullptr, stderr);
    app.SetUi(std::move(owned));
    const std::string dir = OpenManagerScratch("bench-manager-edit");
    if (dir.empty()) return 1;
    Build();
    Manager().kindVote = -1;
    FILE* journal = JournalStream();

    CKestraneUView users;
    users.OnUpdate(nullptr, 1);
    while (!users.IsComplete()) users.IdleStep();
    CKestraneAView airports;
    airports.OnUpdate(nullptr, 1);
    while (!airports.IsComplete()) airports.IdleStep();

    double usr[2] = {}, frq[2] = {};  // [journal off, on]
    int nextUsr = 0, nextFrq = 0;
    for (int round = 0; round < 2 * kRounds; ++round) {
        const bool on = round % 2 == 1;
        JournalStream() = on ? journal : nullptr;
        const int count = kEdits / (2 * kRounds);
        auto start = Clock::now();
        for (int i = 0; i < count; ++i, ++nextUsr) {
            ui.AddAnswer({"Add or Change USR Waypoint", {{"Name", "RENAMED " + std::to_string(nextUsr)}}, "OK"});
            Click(users, nextUsr);
            users.OnChgUsr();
        }
        usr[on] += std::chrono::duration<double>(Clock::now() - start).count();
        start = Clock::now();
        for (int i = 0; i < count; ++i, ++nextFrq) {
            const int airport = nextFrq % kAirports;
            char frequency[16];
            std::snprintf(frequency, sizeof frequency, "%d.%02d", 118 + nextFrq / 100 % 10, nextFrq % 100);
            ui.AddAnswer({"Add a Frequency", {{"Type", "Tower"}, {"Frequency", frequency}, {"Below", "1500"}}, "OK"});
            Click(airports, LineOf(airports, (airport + 1) << 7));
            airports.OnAddFrq();
        }
        frq[on] += std::chrono::duration<double>(Clock::now() - start).count();
    }
    JournalStream() = journal;
    const double half = kEdits / 2.0;
    std::printf("Change USR: %.1f us per edit without the journal, %.1f us with it (+%.1f%%)\n", usr[0] / half * 1e6,
                usr[1] / half * 1e6, (usr[1] / usr[0] - 1) * 100);
    std::printf("Add FRQ:    %.1f us per edit without the journal, %.1f us with it (+%.1f%%)\n", frq[0] / half * 1e6,
                frq[1] / half * 1e6, (frq[1] / frq[0] - 1) * 100);
    KestraneDb().Release();
    std::filesystem::remove_all(dir);
    return 0;
}

// Add, Change and Delete of an airport's runways and frequencies from the airports window.
#include <cstring>
#include <functional>
#include <string>

#include "common/IdentDigits.h"
#include "dblib/KestraneDatabase.h"
#include "manager/AirportChildren.h"
#include "manager/CKestraneAddFrqDlg.h"
#include "manager/CKestraneDelDialog.h"
#include "manager/CKestraneRwyDlg.h"
#include "manager/ChangeJournal.h"
#include "manager/HeldFiles.h"
#include "manager/HighestRecord.h"
#include "manager/LineFormats.h"
#include "manager/ManagerSettings.h"
#include "manager/RecordViews.h"
#include "platform/MessageBox.h"

namespace {

KestraneDatabase& Db() { return KestraneDb(); }

std::string AirportIdent() {
    char ident[9] = {};
    std::memcpy(ident, Db().apts->aident, 8);
    DecodeIdentDigits(ident);
    return ident;
}

// The child entry index of the selected line (-1 for the airport line or none).
int SelectedRow(const CKestraneScrollView& view) {
    if (view.SelectedLine() < 0) return -1;
    return static_cast<int>(static_cast<uint32_t>(view.Lines()[static_cast<size_t>(view.SelectedLine())]) & 127u) - 1;
}

// "APT %s FRQ %s" / "APT %s RWY %s" with a piece of the row's list line, confirmed.
bool ConfirmRowDeletion(int row, const char* word, size_t from, size_t length) {
    {
        HeldFiles held{Db().names.get(), Db().country.get()};
        FormatAirportRow(row + 1);
    }
    const std::string list = Manager().line.Text();
    return ConfirmDeletion("APT " + AirportIdent() + " " + word + " " +
                           (list.size() > from ? list.substr(from, length) : ""));
}

// Clears the airport's "no runway or frequency yet" mark once a child is added or changed.
void ClearBriefMark(int32_t asno) {
    dfAPTS& a = *Db().apts;
    const bool held = a.IsOpen();
    if (!held && a.Open() != 0) return;
    a.SelectIndex("asno");
    a.asno = asno;
    if (a.Find() == 0 && (a.afuel & 1)) {
        a.afuel &= ~1;
        if (a.Amend() != 0) platform::ShowMessage("Amend APT failed");
    }
    if (!held) a.Close();
}

// A row number has 7 bits: an airport with 127 runways and frequencies takes no more.
bool ChildrenFull() {
    const AirportChildren& c = AirportRows();
    int children = 0;
    for (int i = 0; i < AirportChildren::kEntries; ++i)
        children += (c.runways[i].rsno >= 0 ? 1 : 0) + (c.frequencies[i].fsno >= 0 ? 1 : 0);
    if (children < AirportChildren::kMaxRows) return false;
    platform::ShowMessage("Too many runways or frequencies");
    return true;
}

// Opens a child file, finds its record numbered `number` by `index` and runs `act` on it; a
// missing record shows `missing` (when given). The file is closed again. -1 when the file did
// not open, 0 when the record is missing, 1 when `act` ran.
int ActOnChild(IsamMgr& file, const char* index, int32_t& field, int32_t number, const char* missing,
               const std::function<void()>& act) {
    if (file.Open() != 0) return -1;
    file.SelectIndex(index);
    field = number;
    const bool found = file.Find() == 0;
    if (found) act();
    else if (missing) platform::ShowMessage(missing);
    file.Close();
    return found ? 1 : 0;
}

// Erases the record ActOnChild found, its journal line made first; `erased` runs after a
// successful erase.
void EraseChild(IsamMgr& file, const char* index, int32_t& field, int type, const char* failure,
                const std::function<void()>& erased = {}) {
    const int32_t number = field;
    const std::string line = FormatJournalLine(kJournalDel, type);
    file.SelectIndex(index);
    field = number;
    if (file.Find() != 0 || file.Erase() != 0) {
        platform::ShowMessage(failure);
        return;
    }
    if (erased) erased();
    WriteJournalText(line);
}

bool AirportHasApproaches() {
    const std::string ident = AirportIdent();
    const ApproachAirports& list = Db().approachAirports;
    for (int i = 0; i < list.Count() && list.At(i)[0] <= ident[0]; ++i) {
        if (std::strncmp(list.At(i), ident.c_str(), 4) == 0) return true;
    }
    return false;
}

}  // namespace

void CKestraneAView::OnAddFrq() {
    BusyMark busy(*this);
    if (SelectedLine() < 0) return;
    ReloadSelected(false);
    if (ChildrenFull()) return;
    const int32_t asno = Db().apts->asno;
    CKestraneAddFrqDlg d;
    d.header = FormatAirportHeader();
    d.validate = [&] { return ValidateFrequency(d); };
    if (d.RunModal() != platform::kIdOk) return;
    dfFREQ3& f = *Db().freq3;
    HeldFiles held = d.restriction.empty() ? HeldFiles{} : HeldFiles{Db().restr.get()};
    if (f.Open() != 0) return;
    f.fsno = HighestRecordNumber(f, "fsno", f.fsno) + 1;
    f.f431 = 0;
    f.flags = 0;
    (void)ValidateFrequency(d);
    if (Manager().Legacy()) f.f431 = -1;
    f.faptno = asno;
    f.frsno = WriteRestrChain(d.restriction);
    if (f.Insert() != 0) platform::ShowMessage("Add FRQ failed");
    else WriteJournalLine(kJournalAdd, kJournalFrq);
    f.Close();
    ClearBriefMark(asno);
    RelistSelectedAirport();
}

namespace {

// The frequency of the selected row, the airport's details reloaded; false without one.
bool SelectedFrequency(CKestraneAView& view, int* row, FrequencyEntry* entry) {
    *row = SelectedRow(view);
    if (*row < 0) return false;
    view.ReloadSelected(false);
    *entry = AirportRows().frequencies[*row];
    return entry->fsno >= 0;
}

}  // namespace

void CKestraneAView::OnChgFrq() {
    BusyMark busy(*this);
    int row = -1;
    FrequencyEntry entry;
    if (!SelectedFrequency(*this, &row, &entry)) return;
    const int32_t asno = Db().apts->asno;
    CKestraneAddFrqDlg d;
    d.header = FormatAirportHeader();
    FillFrequencyDialog(d, entry);
    d.validate = [&] { return ValidateFrequency(d); };
    if (d.RunModal() != platform::kIdOk) return;
    dfFREQ3& f = *Db().freq3;
    HeldFiles held{Db().restr.get()};
    const int found = ActOnChild(f, "fsno", f.fsno, entry.fsno, "Find FRQ failed", [&] {
        const std::string oldLine = FormatJournalLine(kJournalDel, kJournalFrq);
        const int32_t oldChain = f.frsno;
        (void)ValidateFrequency(d);
        EraseRestrChain(oldChain);
        f.frsno = WriteRestrChain(d.restriction);
        if (f.Amend() != 0) {
            platform::ShowMessage("Amend FRQ failed");
        } else {
            WriteJournalText(oldLine);
            WriteJournalLine(kJournalAdd, kJournalFrq);
        }
    });
    if (found <= 0) return;
    ClearBriefMark(asno);
    RelistSelectedAirport();
}

void CKestraneAView::OnDelFrq() {
    BusyMark busy(*this);
    int row = -1;
    FrequencyEntry entry;
    if (!SelectedFrequency(*this, &row, &entry)) return;
    if (!ConfirmRowDeletion(row, "FRQ", 14, 15)) return;
    dfFREQ3& f = *Db().freq3;
    const int found = ActOnChild(f, "fsno", f.fsno, entry.fsno, "Erase FRQ failed", [&] {
        EraseChild(f, "fsno", f.fsno, kJournalFrq, "Erase FRQ failed", [&] { EraseRestrChain(entry.frsno); });
    });
    if (found <= 0) return;
    RelistSelectedAirport();
}

namespace {

void RunRunwayDialog(CKestraneAView& view, int row) {
    view.ReloadSelected(false);
    dfAPTS& a = *Db().apts;
    const int32_t asno = a.asno, lat0 = a.alat, lon0 = a.along;
    const RunwayEntry entry = row >= 0 ? AirportRows().runways[row] : RunwayEntry{};
    if (row >= 0 && entry.rsno < 0) return;
    CKestraneRwyDlg d;
    d.header = FormatAirportHeader();
    if (row >= 0) FillRunwayDialog(d, entry, lat0, lon0);
    d.validate = [&] { return ValidateRunway(d, lat0, lon0, true); };
    if (d.RunModal() != platform::kIdOk) return;
    dfRWY3& r = *Db().rwy3;
    if (row < 0) {
        if (r.Open() != 0) return;
        r.rsno = HighestRecordNumber(r, "rsno", r.rsno) + 1;
        (void)ValidateRunway(d, lat0, lon0, false);
        r.raptno = asno;
        if (Manager().Legacy()) r.rpicfl = static_cast<int32_t>(0xF0000000u);
        if (r.Insert() != 0) platform::ShowMessage("Add RWY failed");
        else WriteJournalLine(kJournalAdd, kJournalRwy);
        r.Close();
    } else {
        const int found = ActOnChild(r, "rsno", r.rsno, entry.rsno, nullptr, [&] {
            const std::string oldLine = FormatJournalLine(kJournalDel, kJournalRwy);
            const int32_t oldRw = r.rw;
            (void)ValidateRunway(d, lat0, lon0, false);
            // A new designator is a new key: the other database drops the old runway first.
            const bool rekeyed = r.rw != oldRw;
            if (r.Amend() != 0) {
                platform::ShowMessage("Amend RWY failed");
                return;
            }
            if (rekeyed) WriteJournalText(oldLine);
            WriteJournalLine(kJournalAdd, kJournalRwy);
        });
        if (found < 0) return;
    }
    ClearBriefMark(asno);
    view.RelistSelectedAirport();
}

}  // namespace

void CKestraneAView::OnAddRwy() {
    BusyMark busy(*this);
    if (SelectedLine() < 0) return;
    ReloadSelected(false);
    if (AirportHasApproaches()) {
        platform::ShowMessage("Cannot add Runway to APT which has approaches");
        return;
    }
    const AirportChildren& c = AirportRows();
    if (c.runways[0].rsno >= 0 && c.runways[0].rw == 0) {
        // The "00" runway stands for an airport without runways: the new one replaces it.
        if (SelectedRow(*this) < 0) ++selected_;
        RunRunwayDialog(*this, 0);
        return;
    }
    if (ChildrenFull()) return;
    RunRunwayDialog(*this, -1);
}

void CKestraneAView::OnChgRwy() {
    BusyMark busy(*this);
    const int row = SelectedRow(*this);
    if (row < 0) return;
    RunRunwayDialog(*this, row);
}

void CKestraneAView::OnDelRwy() {
    BusyMark busy(*this);
    const int row = SelectedRow(*this);
    if (row < 0) return;
    ReloadSelected(false);
    if (AirportHasApproaches()) {
        platform::ShowMessage("Cannot delete Runway from APT which has approaches");
        return;
    }
    const RunwayEntry entry = AirportRows().runways[row];
    if (entry.rsno < 0) return;
    if (!ConfirmRowDeletion(row, "RWY", 50, 13)) return;
    dfRWY3& r = *Db().rwy3;
    const int found = ActOnChild(r, "rsno", r.rsno, entry.rsno, "Erase RWY failed",
                                 [&] { EraseChild(r, "rsno", r.rsno, kJournalRwy, "Erase RWY failed"); });
    if (found < 0) return;
    RelistSelectedAirport();
}

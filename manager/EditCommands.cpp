// Add, Change and Delete of airports, intersections, NDBs, VORs and user waypoints, and the
// user waypoints' Batch Dump.
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "common/IdentDigits.h"
#include "dblib/KestraneDatabase.h"
#include "manager/AirportChildren.h"
#include "manager/CKestraneAdchDialog.h"
#include "manager/CKestraneAddFrqDlg.h"
#include "manager/CKestraneDelDialog.h"
#include "manager/CKestraneUsrAddChgDialog.h"
#include "manager/ChangeJournal.h"
#include "manager/HeldFiles.h"
#include "manager/LineFormats.h"
#include "manager/ManagerSettings.h"
#include "manager/RecordViews.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"

namespace {

KestraneDatabase& Db() { return KestraneDb(); }

void Report(const char* what, const char* word) {
    platform::ShowMessage(std::string(what) + " " + word + " failed");
}

// What differs between the four waypoint kinds of CKestraneAdchDialog.
struct WaypointKind {
    JournalType type;
    const char* word;
    RecordFile* file;
    int32_t* number;
    char* ident;
    int32_t* country;
    std::function<bool()> olderForm;                 // the held record's form
    std::function<WaypointBindings(bool form696)> bindings;
    std::function<bool()> at;                        // the held record's '@' mark
    std::function<void(bool at, bool add)> store;    // fields set before Insert or Amend
};

int AddMode(JournalType type) {
    if (type == kJournalApt) return 4;
    if (type == kJournalInt) return 5;
    return Manager().Legacy() ? 3 : 4;
}

int32_t AirportAtBit(bool olderForm) { return olderForm ? 256 : 32; }

WaypointKind AirportKind() {
    dfAPTS& a = *Db().apts;
    return {kJournalApt, "APT", &a, &a.asno, a.aident, &a.acountry,
            [&a] { return a.a212025 == -1; },
            [&a](bool form696) {
                WaypointBindings b;
                b.ident = a.aident;
                b.latitude = &a.alat;
                b.longitude = &a.along;
                b.facility = &a.afacil;
                b.city = &a.acity;
                b.country = &a.acountry;
                b.height = &a.aheight;
                b.fuel = &a.afuel;
                if (form696) b.utc = &a.autc;
                return b;
            },
            [&a] { return (a.afuel & AirportAtBit(a.a212025 == -1)) != 0; },
            [&a](bool at, bool add) {
                if (add) {
                    if (Manager().Legacy()) {
                        a.a212025 = -1;
                        a.a221507 = 0;
                        a.autc = 0;
                    } else {
                        a.a212025 = 0;
                        a.a221507 = 0x100000;
                    }
                    a.afuel |= 1;
                }
                const int32_t bit = AirportAtBit(a.a212025 == -1);
                a.afuel = at ? a.afuel | bit : a.afuel & ~bit;
            }};
}

WaypointKind IntersectionKind() {
    dfINTS& i = *Db().ints;
    return {kJournalInt, "INT", &i, &i.isno, i.iident, &i.icountry, [&i] { return i.iflags == -1; },
            [](bool form696) { return IntersectionBindings(form696); }, [] { return false; },
            [&i](bool, bool add) {
                if (!add) return;
                i.icompat = 0;
                if (Manager().Legacy()) {
                    i.iflags = -1;
                    i.iname = i.iparent = -1;
                }
            }};
}

WaypointKind NdbKind() {
    dfNDBS& n = *Db().ndbs;
    return {kJournalNdb, "NDB", &n, &n.bsno, n.bident, &n.bcountry, [&n] { return n.bflags == -1; },
            [&n](bool) {
                WaypointBindings b;
                b.ident = n.bident;
                b.latitude = &n.blat;
                b.longitude = &n.blong;
                b.facility = &n.bfacil;
                b.city = &n.bcity;
                b.country = &n.bcountry;
                b.frequency = &n.bfreq;
                b.flags = &n.bcompat;
                return b;
            },
            [&n] { return (n.bcompat & 1) != 0; },
            [&n](bool at, bool add) {
                n.bcompat = (n.bcompat & ~1) | (at ? 1 : 0);
                if (add) {
                    n.bcompat &= 1 | 4;
                    if (Manager().Legacy()) n.bflags = -1;
                }
            }};
}

WaypointKind VorKind() {
    dfVORS& v = *Db().vors;
    return {kJournalVor, "VOR", &v, &v.vsno, v.vident, &v.vcountry, [&v] { return v.v221817 == -1; },
            [](bool form696) { return VorBindings(form696); }, [&v] { return (v.vdme & 1) != 0; },
            [&v](bool at, bool add) {
                v.vdme = (v.vdme & ~1) | (at ? 1 : 0);
                if (add && Manager().Legacy()) {
                    v.v221817 = -1;
                    v.vtr = 0;
                    v.vmag = 0;
                }
            }};
}

std::string DecodedIdent(const char* ident) {
    char text[9] = {};
    std::memcpy(text, ident, 8);
    DecodeIdentDigits(text);
    return text;
}

// The ADD lines of an airport's runways and frequencies (the airport held in apts).
void JournalAirportChildren(int32_t asno) {
    KestraneDatabase& db = Db();
    struct Child {
        RecordFile* file;
        const char* index;
        int32_t* parent;
        JournalType type;
    } children[] = {{db.rwy3.get(), "raptno", &db.rwy3->raptno, kJournalRwy},
                    {db.freq3.get(), "faptno", &db.freq3->faptno, kJournalFrq}};
    for (const Child& c : children) {
        const bool held = c.file->IsOpen();
        if (!held && c.file->Open() != 0) continue;
        c.file->SelectIndex(c.index);
        *c.parent = asno;
        for (bool ok = c.file->Find() == 0 || c.file->ReadCurrent() == 0; ok && *c.parent == asno;
             ok = c.file->Next(1) == 0)
            WriteJournalLine(kJournalAdd, c.type);
        if (!held) c.file->Close();
    }
}

// Erases an airport's runways and frequencies with their restriction chains.
void EraseAirportChildren(int32_t asno);

void CloseKindFiles(const WaypointKind& kind) {
    kind.file->Close();
    if (kind.type == kJournalApt) {
        Db().rwy3->Close();
        Db().freq3->Close();
        Db().restr->Close();
    }
}

void EditWaypoint(CKestraneScrollView& view, const WaypointKind& kind, bool change) {
    BusyMark busy(view);
    if (change && view.SelectedLine() < 0) return;
    if (!change) *kind.country = -1;
    view.ReloadSelected(false);
    const bool olderForm = change ? kind.olderForm() : Manager().Legacy();
    CKestraneAdchDialog d;
    d.mode = AddMode(kind.type) | (change ? CKestraneAdchDialog::kChange : 0);
    d.olderForm = olderForm;
    d.at = change && kind.at();
    BindWaypointDialog(d, kind.bindings(!olderForm), change);
    d.validate = [&] {
        if (ValidateWaypoint(d)) return true;
        view.ReloadSelected(false);
        return false;
    };
    if (d.RunModal() != platform::kIdOk) {
        view.ReloadSelected(false);
        return;
    }
    if (!change) {
        *kind.number = view.TakeNewRecordNumber();
        kind.store(d.at, true);
        if (kind.file->Open() != 0) return;
        if (kind.file->Insert() != 0) {
            Report("Insert", kind.word);
        } else {
            WriteJournalLine(kJournalAdd, kind.type);
            const int32_t number = *kind.number;
            view.InsertLine(kind.type == kJournalApt ? number << 7 : number);
        }
        CloseKindFiles(kind);
        return;
    }
    view.ReloadSelected(true);
    const std::string oldKey = FormatJournalLine(kJournalDel, kind.type);
    char oldIdent[8];
    std::memcpy(oldIdent, kind.ident, 8);
    view.ReloadSelected(true);  // the journal line may have loaded other records
    const bool stored = ValidateWaypoint(d);
    kind.store(d.at, false);
    const int32_t number = *kind.number;
    const bool ok = stored && kind.file->Amend() == 0;
    if (!ok) Report("Amend", kind.word);
    CloseKindFiles(kind);
    if (ok) {
        // A new ident is a new key: the other database drops the old record first.
        const bool rekeyed = std::memcmp(oldIdent, kind.ident, 8) != 0;
        if (rekeyed) WriteJournalText(oldKey);
        WriteJournalLine(kJournalAdd, kind.type);
        if (rekeyed && kind.type == kJournalApt) JournalAirportChildren(number);
    }
    view.Invalidate();
}

void DeleteWaypoint(CKestraneScrollView& view, const WaypointKind& kind, int firstLine, int lines) {
    BusyMark busy(view);
    if (view.SelectedLine() < 0) return;
    view.ReloadSelected(false);
    char description[96];
    {
        HeldFiles held{Db().country.get()};
        std::snprintf(description, sizeof description, "%s %s (%s)", kind.word, DecodedIdent(kind.ident).c_str(),
                      GetCountryText(*kind.country).c_str());
    }
    if (!ConfirmDeletion(description)) return;
    view.ReloadSelected(true);
    const std::string line = FormatJournalLine(kJournalDel, kind.type);
    view.ReloadSelected(true);
    const int32_t number = *kind.number;
    const bool ok = kind.file->Erase() == 0;
    if (!ok) Report("Erase", kind.word);
    CloseKindFiles(kind);
    if (!ok) return;
    if (kind.type == kJournalApt) EraseAirportChildren(number);
    WriteJournalText(line);
    view.RemoveLines(firstLine, lines);
}

// The selected line and, for an airport, its row lines.
int AirportLineCount(const CKestraneScrollView& view, int airportLine) {
    const auto& lines = view.Lines();
    const uint32_t base = static_cast<uint32_t>(lines[static_cast<size_t>(airportLine)]) & ~127u;
    int n = 1;
    while (airportLine + n < view.LineCount() &&
           (static_cast<uint32_t>(lines[static_cast<size_t>(airportLine + n)]) & ~127u) == base)
        ++n;
    return n;
}

void EraseAirportChildren(int32_t asno) {
    KestraneDatabase& db = Db();
    dfRWY3& r = *db.rwy3;
    if (r.Open() == 0) {
        r.SelectIndex("raptno");
        for (;;) {
            r.raptno = asno;
            if (!((r.Find() == 0 || r.ReadCurrent() == 0) && r.raptno == asno)) break;
            if (r.Erase() != 0) {
                Report("Erase", "RWY");
                break;
            }
        }
        r.Close();
    }
    dfFREQ3& f = *db.freq3;
    if (f.Open() == 0) {
        f.SelectIndex("faptno");
        for (;;) {
            f.faptno = asno;
            if (!((f.Find() == 0 || f.ReadCurrent() == 0) && f.faptno == asno)) break;
            const int32_t chain = f.frsno;
            if (f.Erase() != 0) {
                Report("Erase", "FRQ");
                break;
            }
            EraseRestrChain(chain);
        }
        f.Close();
    }
}

}  // namespace

int CKestraneAView::SelectedAirportLine() const {
    int line = SelectedLine();
    while (line > 0 && (static_cast<uint32_t>(Lines()[static_cast<size_t>(line)]) & 127u) != 0) --line;
    return line;
}

void CKestraneAView::OnAddApt() { EditWaypoint(*this, AirportKind(), false); }
void CKestraneAView::OnChgApt() { EditWaypoint(*this, AirportKind(), true); }
void CKestraneAView::OnDelApt() {
    if (SelectedLine() < 0) return;
    const int first = SelectedAirportLine();
    DeleteWaypoint(*this, AirportKind(), first, AirportLineCount(*this, first));
}

void CKestraneAView::OnAddRecord() {
    const int part = SelectedLine() < 0 ? 0 : DrawnPart();
    if (part == 2) OnAddRwy();
    else if (part == 1 || part == 3) OnAddFrq();
    else OnAddApt();
}

void CKestraneAView::OnChangeRecord() {
    const int part = DrawnPart();
    if (part == 2) OnChgRwy();
    else if (part == 1 || part == 3) OnChgFrq();
    else OnChgApt();
}

void CKestraneAView::OnDeleteRecord() {
    const int part = DrawnPart();
    if (part == 2) OnDelRwy();
    else if (part == 1 || part == 3) OnDelFrq();
    else OnDelApt();
}

void CKestraneIView::OnAddInt() { EditWaypoint(*this, IntersectionKind(), false); }
void CKestraneIView::OnChgInt() { EditWaypoint(*this, IntersectionKind(), true); }
void CKestraneIView::OnDelInt() { DeleteWaypoint(*this, IntersectionKind(), SelectedLine(), 1); }
void CKestraneNView::OnAddNdb() { EditWaypoint(*this, NdbKind(), false); }
void CKestraneNView::OnChgNdb() { EditWaypoint(*this, NdbKind(), true); }
void CKestraneNView::OnDelNdb() { DeleteWaypoint(*this, NdbKind(), SelectedLine(), 1); }
void CKestraneVView::OnAddVor() { EditWaypoint(*this, VorKind(), false); }
void CKestraneVView::OnChgVor() { EditWaypoint(*this, VorKind(), true); }
void CKestraneVView::OnDelVor() { DeleteWaypoint(*this, VorKind(), SelectedLine(), 1); }

void CKestraneUView::OnAddUsr() {
    BusyMark busy(*this);
    dfUSR& u = *Db().usr;
    CKestraneUsrAddChgDialog d;
    d.validate = [&] { return ValidateUsrWaypoint(d, false, ""); };
    if (d.RunModal() != platform::kIdOk) return;
    u.usno = TakeNewRecordNumber();
    u.uicon = d.icon;
    if (u.Open() != 0) return;
    if (u.Insert() != 0) {
        Report("Insert", "USR");
    } else {
        WriteJournalLine(kJournalAdd, kJournalUsr);
        InsertLine(u.usno);
    }
    u.Close();
}

void CKestraneUView::OnChgUsr() {
    BusyMark busy(*this);
    if (SelectedLine() < 0) return;
    dfUSR& u = *Db().usr;
    ReloadSelected(false);
    CKestraneUsrAddChgDialog d;
    FillUsrDialog(d);
    const std::string oldIdent = d.ident;
    d.validate = [&] {
        if (ValidateUsrWaypoint(d, true, oldIdent)) return true;
        ReloadSelected(false);
        return false;
    };
    if (d.RunModal() != platform::kIdOk) {
        ReloadSelected(false);
        return;
    }
    ReloadSelected(true);
    const std::string oldLine = FormatJournalLine(kJournalDel, kJournalUsr);
    const bool ok = ValidateUsrWaypoint(d, true, oldIdent) && (u.uicon = d.icon, u.Amend() == 0);
    if (!ok) Report("Amend", "USR");
    u.Close();
    if (ok) {
        WriteJournalLine(kJournalAdd, kJournalUsr);
        if (std::string(u.uident, strnlen(u.uident, sizeof u.uident)) != oldIdent) WriteJournalText(oldLine);
    }
    Invalidate();
}

void CKestraneUView::OnDelUsr() {
    BusyMark busy(*this);
    if (SelectedLine() < 0) return;
    dfUSR& u = *Db().usr;
    ReloadSelected(false);
    if (!ConfirmDeletion("USR " + std::string(u.uident, strnlen(u.uident, sizeof u.uident)))) return;
    ReloadSelected(true);
    const std::string line = FormatJournalLine(kJournalDel, kJournalUsr);
    const bool ok = u.Erase() == 0;
    if (!ok) Report("Erase", "USR");
    u.Close();
    if (!ok) return;
    WriteJournalText(line);
    RemoveLines(SelectedLine() < 0 ? 0 : SelectedLine(), 1);
}

void CKestraneUView::OnBatchDump() {
    platform::FileDialogRequest request;
    request.save = true;
    request.title = "Export a File of USR Waypoints in Batch Format";
    request.filters = platform::ParseFilterList("Text Files [*.txt]|*.txt||");
    request.defaultExtension = "txt";
    if (!platform::RunFileDialog(request)) return;
    std::string path = request.fileName;
    if (path.find('.', path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/')) == std::string::npos)
        path += ".txt";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        platform::ShowMessage("File Open failed");
        return;
    }
    FILE* journal = JournalStream();
    JournalStream() = file;
    int skipped = 0;
    {
        platform::WaitCursor wait;
        dfUSR& u = *Db().usr;
        if (u.Open() == 0) {
            u.SelectIndex("uident");
            u.Rewind();
            while (u.Next(1) == 0) {
                const std::string line = FormatJournalLine(kJournalAdd, kJournalUsr);
                // A waypoint from an import may hold what the batch text cannot carry.
                const std::string name = line.substr(line.rfind('|') + 1);
                const std::string ident(u.uident, strnlen(u.uident, sizeof u.uident));
                if (name.empty() || std::count(line.begin(), line.end(), '|') != 5 ||
                    line.find("//") != std::string::npos || ident.empty()) {
                    ++skipped;
                    continue;
                }
                WriteJournalText(line);
            }
            u.Close();
        }
    }
    std::fclose(file);
    JournalStream() = journal;
    if (skipped > 0) {
        char text[64];
        std::snprintf(text, sizeof text, "%d waypoints could not be written", skipped);
        platform::ShowMessage(text);
    }
}

#include "manager/RecordViews.h"

#include <cstring>
#include <utility>

#include "dblib/KestraneDatabase.h"
#include "manager/AirportChildren.h"
#include "manager/LineFormats.h"
#include "manager/ManagerSettings.h"
#include "platform/App.h"

namespace {

bool BeginsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// Facility name, or a set city name that differs from it, begins with the name filter.
bool NamesPass(int32_t facility, int32_t city) {
    const std::string& filter = Manager().nameFilter;
    if (BeginsWith(GetNameText(facility), filter)) return true;
    const bool citySet = city > 0 || (city == 0 && Manager().Legacy());
    return city != facility && citySet && BeginsWith(GetNameText(city), filter);
}

KestraneDatabase& Db() { return KestraneDb(); }

}  // namespace

CKestraneAView::CKestraneAView()
    : CKestraneScrollView({'A', Db().apts.get(), "asno", "aident", &Db().apts->asno, Db().apts->aident,
                           &Db().apts->acountry, "Load APT 0x%x failed"}) {
    const std::pair<unsigned, void (CKestraneAView::*)()> commands[] = {
        {kCmdAddApt, &CKestraneAView::OnAddApt}, {kCmdChgApt, &CKestraneAView::OnChgApt},
        {kCmdDelApt, &CKestraneAView::OnDelApt}, {kCmdAddRwy, &CKestraneAView::OnAddRwy},
        {kCmdChgRwy, &CKestraneAView::OnChgRwy}, {kCmdDelRwy, &CKestraneAView::OnDelRwy},
        {kCmdAddFrq, &CKestraneAView::OnAddFrq}, {kCmdChgFrq, &CKestraneAView::OnChgFrq},
        {kCmdDelFrq, &CKestraneAView::OnDelFrq}};
    // Enabled by the drawn part of the selected line: 0 the airport, 1 and 3 a frequency, 2 a runway.
    auto enabler = [this](unsigned id) {
        return [this, id](platform::CommandState& s) {
            const bool selected = SelectedLine() >= 0;
            const int part = DrawnPart();
            switch (id) {
            case kCmdAddApt: s.enabled = true; break;
            case kCmdChgApt:
            case kCmdDelApt: s.enabled = selected && part == 0; break;
            case kCmdChgRwy:
            case kCmdDelRwy: s.enabled = selected && part == 2; break;
            case kCmdChgFrq:
            case kCmdDelFrq: s.enabled = selected && (part == 1 || part == 3); break;
            default: s.enabled = selected; break;
            }
        };
    };
    for (const auto& [id, handler] : commands) Commands().Add(id, [this, h = handler] { (this->*h)(); }, enabler(id));
}

// The base's destructor would close the airport file alone.
CKestraneAView::~CKestraneAView() {
    if (HoldsIdleFiles()) ReleaseIdleFiles();
}

int CKestraneAView::OpenFiles() {
    if (Db().restr->Open() != 0) {
        CloseFiles();
        return -1;
    }
    return OpenFilesToDraw();
}

int CKestraneAView::OpenFilesToDraw() {
    KestraneDatabase& db = Db();
    if (db.rwy3->Open() != 0 || db.freq3->Open() != 0 || CKestraneScrollView::OpenFiles() != 0) {
        CloseFiles();
        return -1;
    }
    return 0;
}

void CKestraneAView::CloseFiles() {
    CKestraneScrollView::CloseFiles();
    CloseFile(*Db().rwy3);
    CloseFile(*Db().freq3);
    CloseFile(*Db().restr);
}

int CKestraneAView::AppendRecordLines(int32_t number) {
    const uint32_t base = static_cast<uint32_t>(number) << 7;
    if (!AppendLine(static_cast<int32_t>(base))) return 0;
    const int rows = LoadAirportChildren();
    int added = 1;
    for (int row = 1; row <= rows && AppendLine(static_cast<int32_t>(base | static_cast<uint32_t>(row))); ++row)
        ++added;
    return added;
}

int32_t CKestraneAView::ReadLine(int index) {
    const uint32_t word = static_cast<uint32_t>(lines_.at(static_cast<size_t>(index)));
    const int32_t number = static_cast<int32_t>(word >> 7);
    dfAPTS& apts = *Db().apts;
    if (apts.asno != number || AirportRows().airport != number || !apts.HasCurrent()) {
        const int32_t previous =
            index > 0 ? static_cast<int32_t>(static_cast<uint32_t>(lines_[static_cast<size_t>(index) - 1]) >> 7) : -1;
        if (previous == number || !StepToRecord(previous, number)) {
            apts.SelectIndex("asno");
            apts.asno = number;
            if (apts.Find() != 0) {
                ReportLoadFailure(number);
                return 0;
            }
            AlignIdentIndex(number);
        }
        LoadAirportChildren();
    }
    return static_cast<int32_t>(word & 127) + 128;
}

void CKestraneAView::FormatLine(int32_t word) {
    if (word < 0) return FormatMaximumLine();
    const int row = word - 128;
    if (row == 0) FormatAirportLine();
    else FormatAirportRow(row);
}

int CKestraneAView::PartOfSelected(int32_t word) const {
    const int row = word - 128;
    if (row <= 0) return 0;
    if (AirportRows().frequencies[row - 1].restriction.size() > 1) return 3;
    return clickedPart_;
}

bool CKestraneAView::PassesNameFilter() { return NamesPass(Db().apts->afacil, Db().apts->acity); }

void CKestraneAView::RelistSelectedAirport() {
    if (selected_ < 0) return;
    int airportLine = selected_;
    const uint32_t base = static_cast<uint32_t>(lines_[static_cast<size_t>(airportLine)]) & ~127u;
    while (airportLine > 0 && (static_cast<uint32_t>(lines_[static_cast<size_t>(airportLine)]) & 127u) != 0)
        --airportLine;
    if (OpenFiles() != 0) return;
    ReadLine(airportLine);
    CloseFiles();
    const int rows = LoadAirportChildren();
    int have = 0;
    while (airportLine + 1 + have < count_ &&
           (static_cast<uint32_t>(lines_[static_cast<size_t>(airportLine + 1 + have)]) & ~127u) == base)
        ++have;
    if (have != rows) selected_ = airportLine;
    while (have < rows) {
        ++have;
        lines_.insert(lines_.begin() + airportLine + have, static_cast<int32_t>(base | static_cast<uint32_t>(have)));
        ++count_;
        ApplyScrollSizes();
    }
    while (have > rows) {
        lines_.erase(lines_.begin() + airportLine + have);
        --have;
        --count_;
        ApplyScrollSizes();
    }
    RedrawSelected();
}

CKestraneIView::CKestraneIView()
    : CKestraneScrollView({'I', Db().ints.get(), "isno", "iident", &Db().ints->isno, Db().ints->iident,
                           &Db().ints->icountry, "Load INT 0x%x failed"}) {}

void CKestraneIView::FormatLine(int32_t word) {
    if (word < 0) FormatMaximumLine();
    else FormatIntLine();
}

bool CKestraneIView::PassesNameFilter() {
    const dfINTS& i = *Db().ints;
    return i.iflags == -1 || i.iflags == -2 || NamesPass(i.iname, i.iparent);
}

CKestraneNView::CKestraneNView()
    : CKestraneScrollView({'N', Db().ndbs.get(), "bsno", "bident", &Db().ndbs->bsno, Db().ndbs->bident,
                           &Db().ndbs->bcountry, "Load NDB 0x%x failed"}) {}

void CKestraneNView::FormatLine(int32_t word) {
    if (word < 0) FormatMaximumLine();
    else FormatNdbLine();
}

bool CKestraneNView::PassesNameFilter() { return NamesPass(Db().ndbs->bfacil, Db().ndbs->bcity); }

CKestraneVView::CKestraneVView()
    : CKestraneScrollView({'V', Db().vors.get(), "vsno", "vident", &Db().vors->vsno, Db().vors->vident,
                           &Db().vors->vcountry, "Load VOR 0x%x failed"}) {}

void CKestraneVView::FormatLine(int32_t word) {
    if (word < 0) FormatMaximumLine();
    else FormatVorLine();
}

bool CKestraneVView::PassesNameFilter() { return NamesPass(Db().vors->vfacil, Db().vors->vcity); }

CKestraneUView::CKestraneUView()
    : CKestraneScrollView({'U', Db().usr.get(), "usno", "uident", &Db().usr->usno, Db().usr->uident, nullptr,
                           "Load USR 0x%x failed"}) {
    Commands().Add(kCmdBatchDump, [this] { OnBatchDump(); });
    Commands().Add(kCmdIcons,
                   [this] {
                       Manager().icons = !Manager().icons;
                       Invalidate();
                   },
                   [](platform::CommandState& s) { s.checked = Manager().icons; });
    Commands().Add(kCmdImportUsr, [this] { OnImportUsr(); });
    Commands().Add(kCmdExportUsr, [this] { OnExportUsr(); });
    Commands().Add(kCmdClearUsr, [this] { OnClearUsr(); }, ClearEnabled());
}

void CKestraneUView::FormatLine(int32_t word) {
    if (word < 0) FormatMaximumLine();
    else FormatUsrLine();
}

bool CKestraneUView::PassesNameFilter() {
    const dfUSR& u = *Db().usr;
    const std::string& filter = Manager().nameFilter;
    return strnlen(u.uname, sizeof u.uname) >= filter.size() && std::memcmp(u.uname, filter.data(), filter.size()) == 0;
}

CKestraneRView::CKestraneRView()
    : CKestraneScrollView({'R', Db().rte.get(), "rtsno", "rtno", &Db().rte->rtsno, nullptr, nullptr,
                           "Load RTE wpt 0x%x failed"}) {
    Commands().Add(kCmdImportRte, [this] { OnImportRte(); });
    Commands().Add(kCmdExportRte, [this] { OnExportRte(); });
    Commands().Add(kCmdClearRte, [this] { OnClearRte(); }, ClearEnabled());
    Commands().Add(kCmdConvertRte, [this] { OnConvertRte(); });
}

void CKestraneRView::FormatLine(int32_t word) {
    if (word < 0) FormatMaximumLine();
    else FormatRteLine();
}

bool CKestraneRView::Position(bool fresh) {
    if (fresh) nextRoute_ = 0;
    Db().rte->SelectIndex("rtno");
    return nextRoute_ < kRoutes;
}

// Whole routes, by route number: each route's records in order of rtorder (0 the title).
bool CKestraneRView::LoadRecords(int count, bool) {
    dfRTE& rte = *Db().rte;
    int added = 0;
    while (nextRoute_ < kRoutes) {
        int32_t byOrder[64];
        std::fill(std::begin(byOrder), std::end(byOrder), -1);
        rte.SelectIndex("rtno");
        rte.rtno = nextRoute_;
        bool ok = rte.Find() == 0 || rte.ReadCurrent() == 0;
        for (; ok && rte.rtno == nextRoute_; ok = rte.Next(1) == 0) {
            if (rte.rtorder >= 0 && rte.rtorder < 64) byOrder[rte.rtorder] = rte.rtsno;
        }
        ++nextRoute_;
        for (int32_t number : byOrder) {
            if (number < 0) continue;
            if (!AppendLine(number)) return false;
            ++added;
        }
        if (added >= count) return nextRoute_ < kRoutes;
    }
    return false;
}

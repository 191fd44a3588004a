#include "manager/CKestraneAddFrqDlg.h"

#include <cctype>
#include <cstring>

#include "common/Bits.h"
#include "common/Frequency.h"
#include "common/IdentDigits.h"
#include "common/LetterText.h"
#include "common/SixBitCode.h"
#include "dblib/KestraneDatabase.h"
#include "manager/AirportChildren.h"
#include "manager/HighestRecord.h"
#include "manager/LineFormats.h"
#include "manager/ManagerSettings.h"
#include "platform/MessageBox.h"

namespace {

using Self = CKestraneAddFrqDlg;

const char* const kLegacyRows[16] = {"ATIS", "TAXI", "Clrnce", "Ground", "Tower", "Unicom", "Multi", "Other",
                                     "Dep",  "App",  "Arr",    "ClassB", "TMA",   "CTA",    "ClassC", "TRSA"};

std::string TrimRight(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    return text;
}

int RowCount() { return Manager().Legacy() ? 16 : 40; }

std::string RowText(int row) {
    return Manager().Legacy() ? kLegacyRows[row] : FreqTypeWord(static_cast<int32_t>(row) << 8, false);
}

bool ReadAltitude(const std::string& text, long* value) {
    const std::string t = TrimRight(text);
    if (t.empty()) {
        *value = 0;
        return true;
    }
    char* end = nullptr;
    *value = std::strtol(t.c_str(), &end, 10);
    return *end == '\0';
}

void Fail(const char* text) { platform::ShowMessage(text); }

}  // namespace

CKestraneAddFrqDlg::CKestraneAddFrqDlg()
    : platform::Dialog({kResourceId,
                        "Add or Change a Comms Frequency",
                        {platform::ListBoxControl(kHeader, ""), platform::ListBoxControl(kTypes, "Type"),
                         platform::EditControl(kFrequency, "Frequency", 10),
                         platform::StaticControl("-------------------- Restrictions --------------------"),
                         platform::EditControl(kBearings, "Bearings", 10), platform::EditControl(kBelow, "Below", 8),
                         platform::EditControl(kAbove, "Above", 8), platform::EditControl(kRemoteVor, "remVOR", 3),
                         platform::EditControl(kText, "Text", 127),
                         platform::DropListControl(kTxRx, "TX/RX", {"-----", "TX", "RX"}),
                         platform::ButtonControl(platform::kIdOk, "OK", true),
                         platform::ButtonControl(platform::kIdCancel, "Cancel")}}) {}

bool CKestraneAddFrqDlg::OnInit() {
    SetCaption(type < 0 ? "Add a Frequency" : "Change a Frequency");
    AddString(kHeader, TrimRight(header));
    for (int row = 0; row < RowCount(); ++row) AddString(kTypes, RowText(row));
    SetCurSel(kTypes, type);
    SetItemText(kFrequency, frequency);
    SetItemText(kBearings, bearings);
    SetItemText(kBelow, below);
    SetItemText(kAbove, above);
    SetItemText(kRemoteVor, remoteVor);
    SetItemText(kText, text);
    SetCurSel(kTxRx, txRx);
    EnableItem(kTxRx, !Manager().Legacy());
    return true;
}

void CKestraneAddFrqDlg::OnOk() {
    type = GetCurSel(kTypes);
    frequency = GetItemText(kFrequency);
    bearings = GetItemText(kBearings);
    below = GetItemText(kBelow);
    above = GetItemText(kAbove);
    remoteVor = GetItemText(kRemoteVor);
    text = GetItemText(kText);
    txRx = std::max(0, GetCurSel(kTxRx));
    if (!validate || validate()) End(platform::kIdOk);
}

std::string FormatAirportHeader() {
    const dfAPTS& a = *KestraneDb().apts;
    KestraneDatabase& db = KestraneDb();
    const bool held = db.names->IsOpen();
    if (!held) (void)db.names->Open();
    std::string city = GetNameText(a.acity);
    if (a.afuel & (a.a212025 == -1 ? 256 : 32)) InsertBeforeLastTwo(city, ' ');
    const std::string facility = GetNameText(a.afacil);
    if (!held) db.names->Close();
    char ident[9] = {};
    std::memcpy(ident, a.aident, 8);
    DecodeIdentDigits(ident);
    return "APT " + std::string(ident) + " " + city + " (" + facility + ")";
}

void FillFrequencyDialog(CKestraneAddFrqDlg& d, const FrequencyEntry& e) {
    const bool legacy = Manager().Legacy();
    char text[kFrequencyTextSize + 4];
    std::snprintf(text, sizeof text, "%3d.%02d", e.freq / 100, e.freq % 100);
    std::string f = text;
    if (!legacy) f += (f.size() > 5 && (f[5] == '2' || f[5] == '7')) || (e.f431 != -1 && (e.f431 & 32)) ? '5' : '0';
    if (e.ftype & 128) f += '*';
    d.frequency = f;
    d.type = e.f431 != -1 ? (e.ftype >> 8) & 63 : e.ftype & 15;
    d.txRx = e.f431 != -1 ? (e.f431 >> 21) & 3 : 0;
    const std::vector<uint8_t>& s = e.restriction;
    if (s.size() < 2) return;
    const unsigned flags = s[1];
    size_t p = 2;
    auto has = [&](size_t n) { return p + n <= s.size(); };
    if ((flags & 1) && has(2)) {
        std::snprintf(text, sizeof text, "%03d-%03d ", (s[p] + ((flags & 64) ? 256 : 0)) % 360,
                      (s[p + 1] + ((flags & 128) ? 256 : 0)) % 360);
        d.bearings = text;
        p += 2;
    }
    for (auto [bit, out] : {std::pair<unsigned, std::string*>{4, &d.below}, {2, &d.above}}) {
        if ((flags & bit) && has(2)) {
            *out = std::to_string((s[p] | (s[p + 1] << 8)) - 5000);
            p += 2;
        }
    }
    if ((flags & 8) && has(3)) {
        const uint8_t stored[3] = {s[p + 2], s[p + 1], s[p]};
        char ident[5];
        UnpackSixBitIdent(ident, stored);
        d.remoteVor = ident;
        p += 3;
    }
    if ((flags & 16) && has(1)) {
        char letters[128];
        UnpackLetterText(s.data() + p, std::min<size_t>(s[p] >> 1, s.size() - p), letters, sizeof letters, 7);
        d.text = letters;
    }
}

bool ValidateFrequency(CKestraneAddFrqDlg& d) {
    d.restriction.clear();
    const bool legacy = Manager().Legacy();
    dfFREQ3& f = *KestraneDb().freq3;
    if (d.type < 0 || d.type >= RowCount()) {
        Fail("You must choose one of the frequency types");
        return false;
    }
    char text[160];
    std::snprintf(text, sizeof text, "%s", d.frequency.c_str());
    const std::string typed = TrimRight(d.frequency);
    int32_t value = 0, flag = 0;
    if (ParseFrequency(text, 2, &value, &flag) != 0) {
        Fail("Frequency must be in range 108 to 150 MHz");
        return false;
    }
    std::vector<uint8_t> s = {0, 0};
    const std::string bearings = TrimRight(d.bearings);
    if (!bearings.empty()) {
        bool ok = bearings.size() == 7;
        for (size_t i = 0; ok && i < 7; ++i) ok = i == 3 ? bearings[i] == '-' : std::isdigit(static_cast<unsigned char>(bearings[i]));
        if (!ok) {
            Fail("Bearing format must be ddd-ddd");
            return false;
        }
        int b1 = std::atoi(bearings.substr(0, 3).c_str());
        int b2 = std::atoi(bearings.substr(4, 3).c_str());
        if (b1 < 1 || b1 > 359) b1 = 360;
        if (b2 < 1 || b2 > 359) b2 = 360;
        s[1] |= 1 | (b1 > 255 ? 64 : 0) | (b2 > 255 ? 128 : 0);
        s.push_back(static_cast<uint8_t>(b1));
        s.push_back(static_cast<uint8_t>(b2));
    }
    const struct {
        const std::string& text;
        uint8_t flag;
        const char* message;
    } heights[] = {{d.below, 4, "Below altitude out of range"}, {d.above, 2, "Above altitude out of range"}};
    for (const auto& h : heights) {
        long v = 0;
        if (!ReadAltitude(h.text, &v) || v < -5000 || v > 60535) {
            Fail(h.message);
            return false;
        }
        if (v == 0) continue;
        s[1] |= h.flag;
        s.push_back(static_cast<uint8_t>((v + 5000) & 255));
        s.push_back(static_cast<uint8_t>((v + 5000) >> 8));
    }
    std::string vor = TrimRight(d.remoteVor);
    if (!vor.empty()) {
        uint8_t packed[3] = {};
        uint32_t bit = 0;
        for (int i = 0; i < 3; ++i) {
            const char c = i < static_cast<int>(vor.size()) ? static_cast<char>(std::toupper(static_cast<unsigned char>(vor[i]))) : '\0';
            bit = PutBits(bit, 6, packed, static_cast<uint32_t>(static_cast<unsigned char>(c)) & 31);
        }
        PutBits(bit, 6, packed, 0);
        s[1] |= 8;
        s.insert(s.end(), {packed[2], packed[1], packed[0]});
    }
    const std::string words = TrimRight(d.text);
    if (!words.empty()) {
        uint8_t field[320] = {};
        const uint32_t n = PackLetterText(words.c_str(), 127, 7, field);
        field[0] |= static_cast<uint8_t>(2 * (n / 8) + 2);
        s[1] |= 16;
        if (s.size() + n / 8 + 1 > CKestraneAddFrqDlg::kMaxRestriction) {
            Fail("Restriction text too long");
            return false;
        }
        s.insert(s.end(), field, field + n / 8 + 1);
    }
    if (s.size() > CKestraneAddFrqDlg::kMaxRestriction) {
        Fail("Restriction text too long");
        return false;
    }
    if (s[1] != 0) {
        s[0] = static_cast<uint8_t>(s.size() - 1);
        d.restriction = s;
    }
    if (legacy) {
        f.ftype = d.type | flag;
    } else {
        const int t = (flag >> 1) | d.type;
        f.ftype = FreqTypeIndex(t & 63) | ((t & 64) << 1) | (t << 8);
        const bool five = typed.size() > 6 && typed[6] == '5' && typed[5] != '2' && typed[5] != '7';
        f.f431 = (f.f431 & ~32) | (five ? 32 : 0);
        f.f431 = (f.f431 & ~(3 << 21)) | (d.txRx << 21);
    }
    f.freq = value;
    return true;
}

int32_t WriteRestrChain(const std::vector<uint8_t>& s) {
    if (s.empty() || s[0] == 0) return 0;
    dfRESTR& r = *KestraneDb().restr;
    const bool held = r.IsOpen();
    if (!held && r.Open() != 0) return 0;
    const int32_t first = HighestRecordNumber(r, "rcsno", r.rcsno) + 1;
    const size_t records = (s.size() + 7) / 8;
    for (size_t i = 0; i < records; ++i) {
        r.rcsno = first + static_cast<int32_t>(i);
        r.rcnxt = i + 1 < records ? r.rcsno + 1 : 0;
        std::memset(r.rcres, 0, sizeof r.rcres);
        std::memcpy(r.rcres, s.data() + 8 * i, std::min<size_t>(8, s.size() - 8 * i));
        if (r.Insert() != 0) platform::ShowMessage("Add RESTR failed");
    }
    if (!held) r.Close();
    return first;
}

void EraseRestrChain(int32_t first) {
    dfRESTR& r = *KestraneDb().restr;
    const bool held = r.IsOpen();
    if (!held && r.Open() != 0) return;
    r.SelectIndex("rcsno");
    for (int32_t next = first, guard = 0; next != 0 && guard < 64; ++guard) {
        r.rcsno = next;
        if (r.Find() != 0 || r.Erase() != 0) {
            platform::ShowMessage("Erase RESTR failed");
            break;
        }
        next = r.rcnxt;
    }
    if (!held) r.Close();
}

// Kinds 51, 55, 76 and 79: the run of section records (titles, descriptions, section starts,
// ends and boxes, VRPs); a VRP becomes an "ADD|INT|" batch line with a unique 5-character
// ident.
#include <algorithm>
#include <iterator>
#include <string>

#include "common/CLocale.h"
#include "sidedata/obstacles/CTrevossaDoc.h"

namespace obstacles {

namespace {

constexpr uint32_t kRecTitle = 0;
constexpr uint32_t kRecFour = 4;
constexpr uint32_t kRecEnd = 0xFFFF;
constexpr uint32_t kRecDescription = 0x80001;
constexpr uint32_t kRecVrp = 0x80002;
constexpr uint32_t kRecSectionEnd = 0x80007;
constexpr uint32_t kRecSectionBox = 0x80008;
constexpr uint32_t kRecSectionStart = 0x80009;
constexpr size_t kTextLimit = 192;

// Records that are a text after a prefix: where their text's length word is.
struct TextRecord {
    uint32_t type;
    size_t lengthWord;
    const char* prefix;
};
constexpr TextRecord kTextRecords[] = {
    {kRecTitle, 22, "// Title: "},
    {kRecDescription, 46, "// Descr: "},
    {kRecSectionStart, 18, "// Start of Section: "},
    {kRecSectionEnd, 20, "// End of Section: "},
};

bool MarkupKind(int kind) { return kind == kKindAirSports || kind == kKindAopa; }

}  // namespace

void CTrevossaDoc::PutText(int flag, std::string_view text) {
    if (text.size() >= kTextLimit) {
        EmitText(flag, StringFormatC("String too long (%d)", static_cast<int>(text.size())));
        return;
    }
    if (batchFormat && text.ends_with("<br>")) text.remove_suffix(4);
    EmitText(flag, CleanText(std::string(text)));
}

void CTrevossaDoc::StripMarkup(std::string_view text) {
    EmitText(1, "\n");
    std::string line;
    size_t i = 0;
    while (i < text.size()) {
        if (Lines().size() > kScreenLineLimit - 1 && !outputToFile_) break;
        if (text.substr(i).starts_with("<br>")) {
            i += 4;
        } else if (text.substr(i).starts_with("</B>")) {
            i += 4;
        } else if (text.substr(i).starts_with("<B>")) {
            i += 3;
            if (!line.empty()) EmitText(1, CleanText(line) + "\n");
            line.clear();
        } else {
            line += text[i++];
        }
    }
    EmitText(1, CleanText(line));
}

int CTrevossaDoc::ReadSectionRecord(size_t& at) {
    if (at >= data_.size()) return -1;
    if (!data_.Has(at, 8)) {
        EmitDamaged(at);
        return -1;
    }
    uint32_t type = data_.U32(at);
    size_t head = 8;
    size_t lengthAt = 4;
    if (type >= 0x80003) {
        head = 12;
        lengthAt = 8;
    }
    if (type > 0x80008) {
        head = 16;
        lengthAt = 12;
    }
    if (!data_.Has(at, head)) {
        EmitDamaged(at);
        return -1;
    }
    uint64_t recordLength = head + static_cast<uint64_t>(data_.U32(at + lengthAt));
    uint64_t total = recordLength;
    if (type == kRecDescription || type == kRecVrp) total += 4;
    if (total > data_.size() - at) {
        EmitDamaged(at);
        return -1;
    }
    Bytes r = data_.Sub(at, static_cast<size_t>(total));
    if (DebugLevel() >= 1) {
        std::string d = StringFormatC("OS=%zx Typ=%05x ", (DebugLevel() & 2) ? at : section_.offset + at, type);
        for (size_t s = 4; s < lengthAt; s += 4) d += StringFormatC("sect=%x ", r.U32(s));
        d += StringFormatC("len=%d ", static_cast<int>(r.U32(lengthAt)));
        EmitText(1, d);
    }
    // A text of the record: its length word and the text after it, inside the record.
    bool damaged = false;
    auto text = [&](size_t lengthWord) {
        size_t n = r.U16(lengthWord);
        if (!r.ok() || !r.Has(lengthWord + 2, n)) {
            damaged = true;
            return std::string();
        }
        return r.Raw(lengthWord + 2, n);
    };
    const TextRecord* textRecord = std::find_if(std::begin(kTextRecords), std::end(kTextRecords),
                                                [type](const TextRecord& t) { return t.type == type; });
    bool isText = textRecord != std::end(kTextRecords);
    if (isText) {
        std::string t = text(textRecord->lengthWord);
        if (!damaged) {
            EmitText(1, textRecord->prefix);
            PutText(1, t);
        }
    } else {
        switch (type) {
        case kRecFour:
            if (DebugLevel() >= 1) EmitText(1, StringFormatC("(0x%x)", r.U16(8)));
            break;
        case kRecSectionBox: {
            std::string line = "// Section: ";
            line += FormatPosition(r.I32(12), false, PositionEnd::Blank);
            line += FormatPosition(r.I32(16), true, PositionEnd::Blank);
            line += " to  ";
            line += FormatPosition(r.I32(20), false, PositionEnd::Blank);
            line += FormatPosition(r.I32(24), true, PositionEnd::Blank);
            if (!r.ok()) {
                damaged = true;
                break;
            }
            EmitText(1, line + "\n");
            break;
        }
        case kRecEnd:
            EmitText(1, "// End of File\n");
            return -1;
        case kRecVrp: {
            std::string name = text(29);
            if (damaged) break;
            uint32_t remarkAt = r.U32(8);
            std::string remark;
            bool hasRemark = recordLength > name.size() + 52;
            if (hasRemark) {
                uint64_t lengthWord = static_cast<uint64_t>(remarkAt) + 31;
                if (lengthWord + 2 > r.size()) {
                    damaged = true;
                    break;
                }
                remark = text(static_cast<size_t>(lengthWord));
                if (damaged) break;
            }
            std::string ident;
            AppendIdentWords(ident, kIdentLength, name);
            if (ident.size() < kIdentLength) AppendIdentWords(ident, kIdentLength, remark);
            idents_.MakeUniqueIdent(ident);
            int32_t lat = r.I32(12), lon = r.I32(16);
            if (batchFormat) {
                std::string line = "ADD|INT|" + ident + "|" + country + "|";
                line += FormatPosition(lat, false, PositionEnd::Bar);
                line += FormatPosition(lon, true, PositionEnd::Blank);
                line += " // ";
                EmitText(1, line);
            } else {
                EmitText(1, FormatPosition(lat, false, PositionEnd::Blank) + FormatPosition(lon, true, PositionEnd::Blank));
                PutText(1, name);
            }
            if (hasRemark) {
                if (!batchFormat) EmitText(1, " | ");
                if (MarkupKind(section_.kind)) {
                    StripMarkup(remark);
                } else {
                    PutText(1, remark);
                }
            }
            if (!MarkupKind(section_.kind)) EmitText(1, " {" + ident + "} ");
            break;
        }
        default:
            EmitText(1, "Unknown record type");
            break;
        }
    }
    if (damaged) {
        EmitDamaged(at);
        return -1;
    }
    EmitText(1, "\n");
    at += static_cast<size_t>(total);
    return 1;
}

void CTrevossaDoc::ListSectionData() {
    bool savedBatch = batchFormat;
    bool markup = MarkupKind(section_.kind);
    if (markup) batchFormat = false;
    size_t at = 0;
    while (ReadSectionRecord(at) != -1) {
        if (markup) EmitText(1, " \n");
        if (ScreenFull()) break;
    }
    if (ScreenFull()) EmitText(1, kScreenLimitLine);
    idents_.Clear();
    batchFormat = savedBatch;
}

}  // namespace obstacles

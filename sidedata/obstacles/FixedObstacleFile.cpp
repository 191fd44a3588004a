// Kind 39: the obstacle file of fixed layout (part number "006-D0123"): header texts and the
// covered area, an index of record groups and 12-byte obstacle records in metres.
#include <cstdlib>
#include <string>

#include "common/CLocale.h"
#include "platform/WaitCursor.h"
#include "sidedata/obstacles/CTrevossaDoc.h"

namespace obstacles {

namespace {

constexpr size_t kIndexAt = 172;
constexpr size_t kIndexEntrySize = 10;
constexpr size_t kRecordSize = 12;
constexpr size_t kCycleBeforeEnd = 522;

}  // namespace

void CTrevossaDoc::WriteBatchHeader() {
    std::string line = "// Obstacles";
    if (file_.size() >= kCycleBeforeEnd) {
        Bytes cycle = Bytes(std::span<const uint8_t>(file_)).Sub(file_.size() - kCycleBeforeEnd, 8);
        if (cycle.U8(2) == 'B') line += " cycle " + CleanText(cycle.Raw(0, 4));
    }
    EmitText(1, line + "\n");
}

int CTrevossaDoc::ListFixedIndexEntry(uint32_t entry) {
    size_t before = Lines().size();
    size_t at = kIndexAt + static_cast<size_t>(entry) * kIndexEntrySize;
    if (!data_.Has(at, kIndexEntrySize)) {
        EmitDamaged(at);
        return 0;
    }
    int minimum = std::atoi(minAgl.c_str());
    uint32_t offset = data_.U32(at);
    uint32_t count = data_.U32(at + 4);
    if (offset == 0) return 0;
    uint64_t bytes = static_cast<uint64_t>(count) * kRecordSize;
    if (offset > data_.size() || bytes > data_.size() - offset) {
        EmitDamaged(at);
        return 0;
    }
    bool debug = DebugLevel() >= 1;
    std::string entryColumns;
    if (debug) {
        entryColumns = StringFormatC("%5x  ", entry);
        for (size_t i = 0; i < kIndexEntrySize; ++i) entryColumns += StringFormatC("%02x ", data_.U8(at + i));
    }
    bool metres = heightUnits == HeightUnits::Metres;
    for (uint32_t k = 0; k < count && !ScreenFull(); ++k) {
        size_t rec = offset + static_cast<size_t>(k) * kRecordSize;
        int32_t lat = static_cast<int32_t>(data_.U32(rec) * 2u);
        int32_t lon = static_cast<int32_t>(data_.U32(rec + 4) * 2u);
        int msl = data_.I16(rec + 8);
        uint16_t word = data_.U16(rec + 10);
        int agl = word >> 2;
        bool lit = (word & 2) != 0;
        if (!metres) {
            msl = MetresToFeet(msl);
            agl = MetresToFeet(agl);
        }
        if (agl < minimum) continue;
        std::string name = idents_.MakeNumberedName(msl);
        std::string line;
        if (debug) {
            line = entryColumns + " -> ";
            for (size_t i = 0; i < kRecordSize; ++i) line += StringFormatC("%02x ", data_.U8(rec + i));
            line += "(";
            entryColumns.assign(entryColumns.size(), ' ');
        }
        if (batchFormat) {
            line += "ADD|INT|" + name + "|" + country + "|";
            line += FormatPosition(lat, false, PositionEnd::Bar);
            line += FormatPosition(lon, true, PositionEnd::Blank);
            line += " // ";
        } else {
            line += FormatPosition(lat, false, PositionEnd::Blank) + "  ";
            line += FormatPosition(lon, true, PositionEnd::Blank);
        }
        line += " " + std::to_string(msl) + " " + std::to_string(agl);
        if (debug) line += ")";
        line += std::string(" ") + (lit ? "lit" : "unlit") + " {" + name + "}\n";
        EmitText(1, line);
    }
    return static_cast<int>(Lines().size() - before);
}

void CTrevossaDoc::ListFixedObstacleFile() {
    platform::WaitCursor wait;
    WriteBatchHeader();
    EmitText(1, "// Copyright Line 1: " + CleanText(data_.Text(28, 20)) + "\n");
    EmitText(1, "// Copyright Line 2: " + CleanText(data_.Text(48, 40)) + "\n");
    EmitText(1, "// Region: " + CleanText(data_.Text(88, 32)) + "\n");
    EmitText(1, StringFormatC("// %d %d %d  to  ", data_.I16(16), data_.I16(18), data_.I16(20)));
    EmitText(1, StringFormatC("%d %d %d (%d obstacles)\n", data_.I16(146), data_.I16(148), data_.I16(150),
                              static_cast<int>(data_.U32(152))));
    EmitText(1, std::string("// Height Units: ") + (heightUnits == HeightUnits::Metres ? "meters" : "feet") + "\n");
    if (DebugLevel() >= 1) {
        EmitText(1, "Index |Recd addr  |recds|zero |MSLmax    Latitude   |Longitude  |MSL  |AGL    Latitude      "
                    "Longitude     MSL AGL\n");
    }
    uint32_t entries = data_.U32(156);
    for (uint32_t i = 0; i < entries && !ScreenFull() && !stopped_; ++i) ListFixedIndexEntry(i);
    if (ScreenFull()) EmitText(1, kScreenLimitLine);
    idents_.Clear();
}

}  // namespace obstacles

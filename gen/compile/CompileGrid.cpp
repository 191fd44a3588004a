#include "gen/compile/CompileGrid.h"

#include <cstring>

#include "common/Bits.h"
#include "gen/image/Image.h"
#include "common/CLocale.h"
#include "common/CoordinateFormat.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"

namespace {

constexpr uint32_t kBoxCapacity = 255;
constexpr uint32_t kEmptyBox = 0xFFFF;
constexpr uint32_t kMaxRecordNumbers = 0xFFFF;

int32_t Lowered(int32_t v) { return v <= 0 ? static_cast<int32_t>(static_cast<uint32_t>(v) - 1u) : v; }
int32_t Diff(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }

// The two halves of the box test, on a record's lowered edges.
bool MeetsAcross(int32_t recordWest, int32_t recordEast, int32_t boxWest, int32_t boxEast) {
    return Diff(recordWest, boxEast) < 0 && Diff(recordEast, boxWest) >= 0;
}
bool MeetsAlong(int32_t recordSouth, int32_t recordNorth, int32_t boxSouth, int32_t boxNorth) {
    return recordSouth < boxNorth && recordNorth >= boxSouth;
}

std::string Corners(int32_t south, int32_t west, int32_t north, int32_t east) {
    char sw[kPositionPairTextSize * 2] = "";
    char ne[kPositionPairTextSize * 2] = "";
    AppendPositionPair(sw, sizeof sw, south, west, false);
    AppendPositionPair(ne, sizeof ne, north, east, false);
    return std::string(sw) + " NE=" + ne;
}

std::string NameText(int32_t number) {
    if (number < 0) return "<UNSET>";
    NameRecord buf{};
    buf.nsno = number;
    BatchUseFile<NameRecord>();
    dbif_index<NameRecord>("nsno");
    if (!dbif_find(buf) || buf.nsno != number) return "";
    return std::string(buf.nname, strnlen(buf.nname, sizeof buf.nname));
}

}  // namespace

const GridShape kSuaGrid = {89, 36, 5, 0x16C4000, 0x16C4000, 44, 0u - 18u * 0x71D4000u, 20};
const GridShape kTccGrid = {35, 12, 6, 0x38EC000, 0x38EC000, 17, 0x7FED0000, 23};

bool RecordInGridBox(const CompiledBox& r, int32_t boxWest, int32_t boxSouth, int32_t boxEast, int32_t boxNorth) {
    return MeetsAcross(Lowered(r.west), Lowered(r.east), boxWest, boxEast) &&
           MeetsAlong(Lowered(r.south), Lowered(r.north), boxSouth, boxNorth);
}

void PutCorner(uint8_t* lon, uint8_t* lat, uint8_t* flags, int shift, int32_t latitude, int32_t longitude) {
    const auto x = static_cast<uint32_t>(longitude);
    const auto y = static_cast<uint32_t>(latitude);
    PutU16(lon, x >> 16);
    PutU16(lat, (y >> 15) & 0xFFFF);
    const uint32_t low = ((x >> 14) & 3) | ((y >> 14) & 1) << 2;
    *flags = static_cast<uint8_t>((*flags & ~(7u << shift)) | low << shift);
}

void GridBuilder::BucketRow(const CompileSession& s, int row) {
    const int perRow = shape_.columns * shape_.boxes;
    if (wests_.empty()) {
        // The west and east edges of a row's boxes, the same in every row, worked out once.
        buckets_.resize(static_cast<size_t>(perRow));
        wests_.resize(static_cast<size_t>(perRow));
        easts_.resize(static_cast<size_t>(perRow));
        for (int b = 0; b < perRow; ++b) {
            wests_[static_cast<size_t>(b)] = shape_.West(b / shape_.boxes, b % shape_.boxes);
            easts_[static_cast<size_t>(b)] =
                static_cast<int32_t>(static_cast<uint32_t>(wests_[static_cast<size_t>(b)]) + shape_.boxWidth);
        }
    }
    for (std::vector<uint32_t>& bucket : buckets_) bucket.clear();
    row_ = row;
    const int32_t south = shape_.South(row);
    const auto north = static_cast<int32_t>(static_cast<uint32_t>(south) + shape_.height);
    const std::vector<int32_t>& wests = wests_;
    const std::vector<int32_t>& easts = easts_;
    for (uint32_t i = 0; i < s.boxes.size(); ++i) {
        const CompiledBox& r = s.boxes[i];
        // RecordInGridBox: the boxes of a row share their south and north edges.
        if (!MeetsAlong(Lowered(r.south), Lowered(r.north), south, north)) continue;
        const int32_t recordWest = Lowered(r.west), recordEast = Lowered(r.east);
        for (size_t b = 0; b < static_cast<size_t>(perRow); ++b) {
            if (MeetsAcross(recordWest, recordEast, wests[b], easts[b])) buckets_[b].push_back(i);
        }
    }
}

bool GridBuilder::AddCell(OperationContext& c, CompileSession& s, int k) {
    const int row = k / shape_.columns;
    const int column = k % shape_.columns;
    if (row != row_) BucketRow(s, row);
    const bool debug = c.settings && c.settings->debugLevel != 0;
    uint8_t cell[5 + 3 * 8] = {};
    const int32_t south = shape_.South(row);
    const auto north = static_cast<int32_t>(static_cast<uint32_t>(south) + shape_.height);
    PutCorner(cell, cell + 2, cell + 4, 0, south, shape_.West(column, 0));
    bool any = false;
    bool overflowListed = false;
    for (int b = 0; b < shape_.boxes; ++b) {
        const std::vector<uint32_t>& list = buckets_[static_cast<size_t>(column * shape_.boxes + b)];
        uint32_t count = 0;
        uint32_t index = kEmptyBox;
        for (uint32_t record : list) {
            if (count >= kBoxCapacity) {
                if (!debug) break;
                const int32_t west = shape_.West(column, b);
                if (!overflowListed) {
                    c.AddLine("SUA grid square overflow - box: SW=" +
                              Corners(south, west, north, static_cast<int32_t>(static_cast<uint32_t>(west) + shape_.boxWidth)));
                    overflowListed = true;
                }
                const CompiledBox& r = s.boxes[record];
                c.AddLine(StringFormatC("Record 0x%x limits: SW=", record) + Corners(r.south, r.west, r.north, r.east) +
                          " ASP=" + NameText(r.name));
                continue;
            }
            const uint64_t numbers = s.files[kWorkR].Size() / 2;
            if (numbers >= kMaxRecordNumbers) {
                s.SizeError("grid record numbers", static_cast<long long>(numbers + 1), kMaxRecordNumbers);
                return false;
            }
            if (count == 0) index = static_cast<uint32_t>(numbers);
            uint8_t number[2];
            PutU16(number, record);
            s.files[kWorkR].Append(number, 2);
            ++count;
        }
        uint8_t* box = cell + 5 + 3 * b;
        box[0] = static_cast<uint8_t>(count);
        PutU16(box + 1, index);
        any = any || count != 0;
    }
    if (any) s.files[kWorkG].Append(cell, shape_.cellSize);
    return true;
}

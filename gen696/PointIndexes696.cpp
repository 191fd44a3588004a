#include "gen696/PointIndexes696.h"

#include <algorithm>
#include <functional>

#include "common/CLocale.h"
#include "gen696/PointRecords696.h"
#include "platform/BulkMemory.h"

namespace {

void Put24(IndexBytes696& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v >> 16));
}

}  // namespace

bool GridBox696(int32_t lat, int32_t lon, int32_t* box) {
    *box = IndexCell696(lat) * 180 + IndexCell696(lon) + 8190;
    return *box >= 0 && *box < static_cast<int32_t>(kGridBoxes696);
}

void PackBoxRun696(uint32_t k, const uint16_t* counts, const uint32_t* firsts, RunForm696 form, uint8_t* out) {
    const uint32_t west = static_cast<uint32_t>(static_cast<int64_t>((k % 36) * 5 - 90) * kGridCell696);
    const uint32_t south2 = static_cast<uint32_t>(static_cast<int64_t>(2 * static_cast<int64_t>(k / 36) - 90) * kGridCell696);
    out[0] = static_cast<uint8_t>(west >> 16);
    out[1] = static_cast<uint8_t>(west >> 24);
    out[2] = static_cast<uint8_t>(south2 >> 16);
    out[3] = static_cast<uint8_t>(south2 >> 24);
    uint32_t hi[5];
    for (int i = 0; i < 5; ++i) hi[i] = (firsts[i] >> 16) & 3;
    out[4] = static_cast<uint8_t>(((west >> 14) & 3) | ((south2 >> 15) & 1) << 2 | hi[0] << 3);
    out[25] = static_cast<uint8_t>(hi[2]);
    if (form == RunForm696::Points) {
        out[4] |= static_cast<uint8_t>(hi[1] << 5);
        out[25] |= static_cast<uint8_t>(hi[3] << 2 | hi[4] << 4);
    } else {
        out[4] |= static_cast<uint8_t>((hi[1] & 1) << 6);
        out[25] |= static_cast<uint8_t>((hi[3] & 1) << 3);
    }
    for (int i = 0; i < 5; ++i) {
        out[5 + 4 * i] = static_cast<uint8_t>(counts[i]);
        out[6 + 4 * i] = static_cast<uint8_t>(counts[i] >> 8);
        out[7 + 4 * i] = static_cast<uint8_t>(firsts[i]);
        out[8 + 4 * i] = static_cast<uint8_t>(firsts[i] >> 8);
    }
}

void SortWordsByKey696(SortWords696* words) {
    // Least significant digit first, 11 bits a pass, each pass keeping the order of equal
    // digits; a digit the same in every word is passed over.
    SortWords696& w = *words;
    SortWords696 other(w.size());
    for (uint32_t shift = 32; shift < 64; shift += 11) {
        uint32_t counts[2048] = {};
        for (uint64_t v : w) ++counts[(v >> shift) & 2047];
        if (w.empty() || counts[(w[0] >> shift) & 2047] == w.size()) continue;
        uint32_t at = 0;
        for (uint32_t& c : counts) {
            const uint32_t n = c;
            c = at;
            at += n;
        }
        for (uint64_t v : w) other[counts[(v >> shift) & 2047]++] = v;
        w.swap(other);
    }
}

namespace {

// Record numbers sorted by a key of each, ties by record number, appended to `out` as 24-bit
// values; their count.
uint32_t SortedRecords(uint32_t n, const std::function<uint32_t(uint32_t)>& key,
                       const std::function<bool(uint32_t)>& wanted, IndexBytes696* out) {
    SortWords696 words;
    words.reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
        if (wanted(i)) words.push_back(static_cast<uint64_t>(key(i)) << 32 | i);
    }
    SortWordsByKey696(&words);
    size_t at = out->size();
    out->resize(at + 3 * words.size());
    for (uint64_t w : words) {
        (*out)[at++] = static_cast<uint8_t>(w);
        (*out)[at++] = static_cast<uint8_t>(w >> 8);
        (*out)[at++] = static_cast<uint8_t>(w >> 16);
    }
    return static_cast<uint32_t>(words.size());
}

}  // namespace

bool BuildPointIndexes696(std::span<const IndexedPoint696> p, const uint32_t (&x1)[kX1Entries696],
                          PointIndexes696* out, std::string* error) {
    *out = PointIndexes696{};
    for (uint32_t v : x1) Put24(out->x1, v);
    const uint32_t n = static_cast<uint32_t>(p.size());
    const auto all = [](uint32_t) { return true; };
    // Grid order: latitude cell, then longitude cell (each within -90..90, 8 bits once offset).
    SortedRecords(
        n,
        [&p](uint32_t i) {
            return static_cast<uint32_t>(IndexCell696(p[i].lat) + 128) << 16 |
                   static_cast<uint32_t>(IndexCell696(p[i].lon) + 128);
        },
        all, &out->x2);

    // X5 from the X2 order.
    if (n > 0) {
        std::vector<uint16_t> counts(kGridBoxes696, 0);
        std::vector<uint32_t> firsts(kGridBoxes696, 0x3FFFF);
        int32_t previous = -1;
        for (uint32_t pos = 0; pos < n; ++pos) {
            const uint8_t* at = &out->x2[3 * static_cast<size_t>(pos)];
            const uint32_t r = at[0] | at[1] << 8 | static_cast<uint32_t>(at[2]) << 16;
            int32_t box = 0;
            if (!GridBox696(p[r].lat, p[r].lon, &box)) {
                *error = StringFormatC("grid box out of range %d", box);
                return false;
            }
            if (box < previous) {
                *error = StringFormatC("x2 record out of sequence %d", box);
                return false;
            }
            if (box != previous) firsts[static_cast<size_t>(box)] = pos;
            if (counts[static_cast<size_t>(box)] == 0xFFFF) {
                *error = StringFormatC("grid box %d holds more than 65535 records", box);
                return false;
            }
            ++counts[static_cast<size_t>(box)];
            previous = box;
        }
        for (uint32_t k = 0; k < kGridBoxes696 / 5; ++k) {
            uint32_t sum = 0;
            for (uint32_t i = 0; i < 5; ++i) sum += counts[5 * k + i];
            if (sum == 0) continue;
            uint8_t rec[kBoxRunBytes696];
            PackBoxRun696(k, &counts[5 * k], &firsts[5 * k], RunForm696::Points, rec);
            out->x5.insert(out->x5.end(), rec, rec + kBoxRunBytes696);
            ++out->x5Count;
        }
    }

    out->x3Count = SortedRecords(
        n, [&p](uint32_t i) { return p[i].secondOffset; }, [&p](uint32_t i) { return p[i].hasSecond; }, &out->x3);
    SortedRecords(n, [&p](uint32_t i) { return p[i].firstOffset; }, all, &out->x4);
    return true;
}

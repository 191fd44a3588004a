#include "sidedata/flarm/FlarmMemory.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

bool BeginsWithIgnoringCase(const char* text, const std::string& prefix) {
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i];
        char b = prefix[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
        if (a != b || a == '\0') return false;
    }
    return true;
}

template <size_t N>
void MergeField(char (&stored)[N], const char (&given)[N]) {
    if (given[0] != '\0') std::memcpy(stored, given, N);
}

}  // namespace

uint32_t FlarmIdValue(const char* id) {
    uint32_t value = 0;
    for (int i = 0; i < 6; ++i) {
        char c = id[i];
        unsigned digit = c <= '9' ? static_cast<unsigned>(c - '0')
                                  : static_cast<unsigned>((c | 0x20) - 'a' + 10);
        value = value << 4 | (digit & 0xF);
    }
    return value;
}

namespace {

size_t SlotOf(uint32_t key, size_t mask) { return (key * 2654435761u >> 7) & mask; }

}  // namespace

void FlarmRecordSet::Place(uint32_t key, uint32_t index) const {
    size_t mask = slots_.size() - 1;
    size_t slot = SlotOf(key, mask);
    while (slots_[slot] != 0) slot = (slot + 1) & mask;
    slots_[slot] = static_cast<uint64_t>(key) << 32 | (index + 1u);
}

void FlarmRecordSet::Rehash(size_t slotCount) const {
    slots_.assign(slotCount, 0);
    for (size_t i = 0; i < keys_.size(); ++i) Place(keys_[i], static_cast<uint32_t>(i));
}

int64_t FlarmRecordSet::FindHashed(uint32_t key) const {
    size_t mask = slots_.size() - 1;
    for (size_t slot = SlotOf(key, mask); slots_[slot] != 0; slot = (slot + 1) & mask) {
        if (slots_[slot] >> 32 == key) return static_cast<uint32_t>(slots_[slot]) - 1;
    }
    return -1;
}

FlarmRecord& FlarmRecordSet::Append(uint32_t key) {
    records_.emplace_back();  // value-initialised: every field zero
    keys_.push_back(key);
    if (!sorted_) {
        if (2 * keys_.size() > slots_.size()) Rehash(2 * slots_.size());
        else Place(key, static_cast<uint32_t>(keys_.size() - 1));
    }
    return records_.back();
}

std::pair<FlarmRecord*, bool> FlarmRecordSet::FindOrAdd(uint32_t key) {
    if (sorted_) {
        if (cursor_ < keys_.size() && keys_[cursor_] == key) return {&records_[cursor_++], false};
        if (keys_.empty() || key > keys_.back()) {
            cursor_ = keys_.size() + 1;
            return {&Append(key), true};
        }
        auto at = std::lower_bound(keys_.begin(), keys_.end(), key);
        size_t index = static_cast<size_t>(at - keys_.begin());
        if (*at == key) {
            cursor_ = index + 1;
            return {&records_[index], false};
        }
        // Out of order from here on: found through the hash table.
        sorted_ = false;
        // Sized for the room reserved, so that the table is not rebuilt as it fills.
        size_t slots = 1024;
        while (slots < 2 * (records_.capacity() + 1)) slots *= 2;
        Rehash(slots);
        return {&Append(key), true};
    }
    int64_t index = FindHashed(key);
    if (index >= 0) return {&records_[static_cast<size_t>(index)], false};
    return {&Append(key), true};
}

const std::vector<FlarmRecord>& FlarmRecordSet::Ordered() const {
    if (!sorted_) {
        // key << 32 | the index of the record that goes to this place.
        std::vector<uint64_t> order(keys_.size());
        for (size_t i = 0; i < keys_.size(); ++i) order[i] = static_cast<uint64_t>(keys_[i]) << 32 | i;
        std::sort(order.begin(), order.end());
        // The records moved to their places in the set itself, one cycle of the permutation at a
        // time (no second copy of the set); a place done names itself.
        for (size_t i = 0; i < order.size(); ++i) {
            keys_[i] = static_cast<uint32_t>(order[i] >> 32);
            if (static_cast<uint32_t>(order[i]) == i) continue;
            const FlarmRecord first = records_[i];
            size_t at = i;
            for (;;) {
                const size_t from = static_cast<uint32_t>(order[at]);
                order[at] = (order[at] & ~uint64_t(0xFFFFFFFF)) | at;
                if (from == i) {
                    records_[at] = first;
                    break;
                }
                records_[at] = records_[from];
                at = from;
            }
        }
        slots_.clear();
        slots_.shrink_to_fit();
        sorted_ = true;
    }
    return records_;
}

void FlarmRecordSet::Reserve(size_t more) {
    records_.reserve(records_.size() + more);
    keys_.reserve(keys_.size() + more);
}

void FlarmRecordSet::clear() {
    records_.clear();
    keys_.clear();
    slots_.clear();
    sorted_ = true;
    cursor_ = 0;
}

FlarmMemory::FlarmMemory(LineSink sink) : sink_(std::move(sink)) { ClearFlarmRecord(parse); }

void FlarmMemory::List(std::string_view line) const {
    if (sink_) sink_(line);
}

void FlarmMemory::ListF(const char* format, ...) const {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    List(line);
}

void FlarmMemory::CommitFlarmRecord(bool ogn) {
    FlarmRecord& r = parse;
    NormaliseFlarmRecord(r);
    if (!idFilter.empty() && !BeginsWithIgnoringCase(r.FlarmID, idFilter)) {
        ClearFlarmRecord(r);
        return;
    }
    if (std::strlen(r.FlarmID) != 6 || !IsHexId(r.FlarmID)) {
        ListF("FlarmID \"%s\" is not 6 hex digits: record passed over", r.FlarmID);
        ClearFlarmRecord(r);
        return;
    }
    ++counters_.read;
    if (r.COMPID[0] != '\0') ++counters_.tail;
    if (listing) {
        ListF("%s %-23s %-23s %-6s %-23s %-3s %-7s", r.FlarmID, r.NAME, r.AIRFIELD, r.REG, r.TYPE, r.COMPID,
              r.FREQUENCY);
        ClearFlarmRecord(r);
        return;
    }
    auto [stored, added] = records_.FindOrAdd(FlarmIdValue(r.FlarmID));
    bool keepOgn = false;
    if (added) {
        ++counters_.newMerged;
    } else {
        ++counters_.modified;
        keepOgn = stored->ogn != 0;
    }
    FlarmRecord& s = *stored;
    std::memcpy(s.FlarmID, r.FlarmID, sizeof s.FlarmID);
    MergeField(s.NAME, r.NAME);
    MergeField(s.AIRFIELD, r.AIRFIELD);
    MergeField(s.REG, r.REG);
    MergeField(s.TYPE, r.TYPE);
    MergeField(s.COMPID, r.COMPID);
    MergeField(s.FREQUENCY, r.FREQUENCY);
    s.ogn = (keepOgn || ogn) ? 1 : 0;
    ClearFlarmRecord(r);
}

void FlarmMemory::ReportFlarmTotals() const {
    const FlarmCounters& c = counters_;
    if (c.read != 0) ListF("Totals: Read=%d, Tail=%d, Tail absent=%d", c.read, c.tail, c.read - c.tail);
    if (!listing && (c.newMerged < c.tail || c.read == 0)) {
        ListF("New merged=%d, Modified=%d", c.newMerged, c.modified);
    }
}

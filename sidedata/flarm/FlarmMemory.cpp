#include "sidedata/flarm/FlarmMemory.h"

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
    uint32_t key = FlarmIdValue(r.FlarmID);
    auto it = records_.lower_bound(key);
    bool keepOgn = false;
    if (it != records_.end() && it->first == key) {
        ++counters_.modified;
        keepOgn = it->second.ogn != 0;
    } else {
        FlarmRecord fresh;
        ClearFlarmRecord(fresh);
        it = records_.emplace_hint(it, key, fresh);
        ++counters_.newMerged;
    }
    FlarmRecord& s = it->second;
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

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

}  // namespace

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
    NormaliseFlarmRecord(parse);
    CommitNormalisedRecord(ogn);
}

void FlarmMemory::CommitNormalisedRecord(bool ogn) {
    FlarmRecord& r = parse;
    if (!idFilter.empty() && !BeginsWithIgnoringCase(r.FlarmID, idFilter)) {
        ClearFlarmRecord(r);
        return;
    }
    uint32_t key;
    if (!FlarmIdKey(r.FlarmID, key)) {
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
    records_.Merge(r, key, ogn);
    ClearFlarmRecord(r);
}

void FlarmMemory::ClearCounters() {
    counters_ = {};
    records_.ResetCounts();
}

FlarmCounters FlarmMemory::Counters() const {
    FlarmCounters c = counters_;
    FlarmMergeCounts merged = records_.Counts();
    c.newMerged = merged.added;
    c.modified = merged.met;
    return c;
}

void FlarmMemory::ReportFlarmTotals() const {
    const FlarmCounters c = Counters();
    if (c.read != 0) ListF("Totals: Read=%d, Tail=%d, Tail absent=%d", c.read, c.tail, c.read - c.tail);
    if (!listing && (c.newMerged < c.tail || c.read == 0)) {
        ListF("New merged=%d, Modified=%d", c.newMerged, c.modified);
    }
}

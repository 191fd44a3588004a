// What Gindral holds between commands: the records merged by FlarmID in id order, the read
// counters of the last file, the version text, the ID filter, the debug level and the List
// flag; and the listing lines it produces, handed to a sink (the document, or a test).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sidedata/flarm/FlarmRecord.h"

struct FlarmCounters {
    int read = 0;       // records that passed the ID filter
    int tail = 0;       // of them with a COMPID
    int newMerged = 0;  // records added to the merged set
    int modified = 0;   // records that met an id already there
};

// The merged records, one per FlarmID, walked in id order. Keys are the ids' values: for six
// upper-case hexadecimal digits numeric order is byte order. While the records are in order an
// id is found where the last one was found, by appending past the last, or by binary search;
// once an id comes out of order they are found through a hash table until the next walk puts
// them in order again.
class FlarmRecordSet {
public:
    // The record of the key, added (zeroed) when missing; second is true when it was added.
    std::pair<FlarmRecord*, bool> FindOrAdd(uint32_t key);
    // The records in id order.
    const std::vector<FlarmRecord>& Ordered() const;
    size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    void clear();
    // Room for this many more records.
    void Reserve(size_t more);

private:
    FlarmRecord& Append(uint32_t key);
    void Rehash(size_t slotCount) const;
    void Place(uint32_t key, uint32_t index) const;
    int64_t FindHashed(uint32_t key) const;

    mutable std::vector<FlarmRecord> records_;
    mutable std::vector<uint32_t> keys_;   // key of each record
    // Open addressing (only while out of order): key << 32 | record index + 1; 0 when free.
    mutable std::vector<uint64_t> slots_;
    mutable bool sorted_ = true;
    size_t cursor_ = 0;  // just past the last record found in order
};

class FlarmMemory {
public:
    using LineSink = std::function<void(std::string_view)>;

    explicit FlarmMemory(LineSink sink = {});

    void SetSink(LineSink sink) { sink_ = std::move(sink); }
    // One listing line.
    void List(std::string_view line) const;
    void ListF(const char* format, ...) const __attribute__((format(printf, 2, 3)));

    // The record the readers fill; CommitFlarmRecord takes it and clears it.
    FlarmRecord parse{};
    // Normalises the parse record, then filters, counts and lists or merges it (an empty field
    // never erases a stored one; the OGN flag stays set once set, else takes `ogn`). A record
    // whose FlarmID is not six hexadecimal digits is listed as passed over.
    void CommitFlarmRecord(bool ogn);
    // "Totals: ..." after a file, and "New merged=..." as the rule says.
    void ReportFlarmTotals() const;

    void ClearCounters() { counters_ = {}; }
    const FlarmCounters& Counters() const { return counters_; }

    // The merged records in id order.
    const std::vector<FlarmRecord>& Records() const { return records_.Ordered(); }
    bool HasRecords() const { return !records_.empty(); }
    // Room for about this many more records (a file's size tells how many it may hold).
    void ReserveRecords(size_t more) { records_.Reserve(more); }
    void ClearMemory() { records_.clear(); }

    std::string version;   // six hexadecimal digits, or empty
    std::string idFilter;  // at most six characters
    int debugLevel = 0;
    bool listing = false;  // File>List: records are listed, not merged

private:
    LineSink sink_;
    FlarmCounters counters_;
    FlarmRecordSet records_;
};

// The value of six hexadecimal digits.
uint32_t FlarmIdValue(const char* id);

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
#include "sidedata/flarm/FlarmRecordSet.h"

struct FlarmCounters {
    int read = 0;       // records that passed the ID filter
    int tail = 0;       // of them with a COMPID
    int newMerged = 0;  // records added to the merged set
    int modified = 0;   // records that met an id already there
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
    // The same for a parse record that is normalised already: a commit leaves every field empty,
    // and a reader that then sets each field through SetNormalisedId or SetNormalisedText may
    // commit the record this way.
    void CommitNormalisedRecord(bool ogn);
    // "Totals: ..." after a file, and "New merged=..." as the rule says.
    void ReportFlarmTotals() const;

    void ClearCounters();
    FlarmCounters Counters() const;

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

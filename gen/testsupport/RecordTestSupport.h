// Reading a database file back in the tests: every record in the order of one of its indexes.
#pragma once

#include <vector>

#include "gen/shell/CGenDBOpen.h"

namespace recordtest {

template <class Record>
std::vector<Record> AllRecords(const char* index) {
    std::vector<Record> out;
    dbif_open<Record>();
    dbif_index<Record>(index);
    Record record{};
    if (dbif_first(record)) {
        do out.push_back(record);
        while (dbif_next(record));
    }
    dbif_close<Record>();
    return out;
}

}  // namespace recordtest

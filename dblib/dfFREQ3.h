// FREQ records: airport frequencies. File "freq3", 28-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfFREQ3;

// The fields of a FREQ record, the record type of the file "freq3".
struct FreqRecord {
    using File = dfFREQ3;

    int32_t fsno = 0;
    int32_t faptno = 0;  // asno of the airport
    int32_t ftype = 0;
    int32_t freq = 0;  // hundredths of a MHz
    int32_t flags = 0;
    int32_t frsno = 0;  // rcsno of the first restriction record, 0 none
    int32_t f431 = 0;  // -1 on the older form
};

class dfFREQ3 : public RecordFile, public FreqRecord {
public:
    static constexpr const char* kFileName = "freq3";
    static constexpr int kFileNumber = 2;
    static constexpr int kRecordLength = 28;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfFREQ3(const std::string& dataPath, const std::string& indexPath, int mode);
};

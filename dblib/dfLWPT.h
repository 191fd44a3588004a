// LWPT records: approach waypoints. File "lwpt", 30-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfLWPT;

// The fields of a LWPT record, the record type of the file "lwpt".
struct LwptRecord {
    using File = dfLWPT;

    int32_t lsno = 0;
    int32_t laptno = 0;  // asno of the airport
    int32_t ltyp = 0;
    int32_t llat = 0;
    int32_t llong = 0;
    int32_t lfreq = 0;
    char lid[6] = {};
};

class dfLWPT : public RecordFile, public LwptRecord {
public:
    static constexpr const char* kFileName = "lwpt";
    static constexpr int kFileNumber = 11;
    static constexpr int kRecordLength = 30;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfLWPT(const std::string& dataPath, const std::string& indexPath, int mode);
};

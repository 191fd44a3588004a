// AWYS records: airways. File "awys", 20-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfAWYS;

// The fields of an AWYS record, the record type of the file "awys".
struct AwysRecord {
    using File = dfAWYS;

    int32_t wsno = 0;
    char wname[8] = {};
    uint8_t wrec[8] = {};
};

class dfAWYS : public RecordFile, public AwysRecord {
public:
    static constexpr const char* kFileName = "awys";
    static constexpr int kFileNumber = 12;
    static constexpr int kRecordLength = 20;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfAWYS(const std::string& dataPath, const std::string& indexPath, int mode);
};

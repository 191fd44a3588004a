// USR records: user waypoints. File "usr", 60-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfUSR;

// The fields of a USR record, the record type of the file "usr".
struct UsrRecord {
    using File = dfUSR;

    int32_t usno = 0;
    char uident[8] = {};
    int32_t ulat = 0;
    int32_t ulong = 0;
    int32_t utime = 0;  // seconds since 1989-12-31 00:00 UTC
    char uname[32] = {};
    int32_t uicon = 0;  // symbol word
};

class dfUSR : public RecordFile, public UsrRecord {
public:
    static constexpr const char* kFileName = "usr";
    static constexpr int kFileNumber = 8;
    static constexpr int kRecordLength = 60;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfUSR(const std::string& dataPath, const std::string& indexPath, int mode);
};

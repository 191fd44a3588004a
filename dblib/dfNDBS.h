// NDB records: NDBs. File "ndbs", 44-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfNDBS;

// The fields of an NDB record, the record type of the file "ndbs".
struct NdbRecord {
    using File = dfNDBS;

    int32_t bsno = 0;
    char bident[8] = {};
    int32_t blat = 0;
    int32_t blong = 0;
    int32_t bfacil = 0;  // nsno
    int32_t bcity = 0;  // nsno
    int32_t bcountry = 0;  // csno
    int32_t bfreq = 0;  // tenths of a kHz
    int32_t bcompat = 0;
    int32_t bflags = 0;  // -1 on the older form
};

class dfNDBS : public RecordFile, public NdbRecord {
public:
    static constexpr const char* kFileName = "ndbs";
    static constexpr int kFileNumber = 5;
    static constexpr int kRecordLength = 44;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfNDBS(const std::string& dataPath, const std::string& indexPath, int mode);
};

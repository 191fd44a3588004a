// NAME records: facility and city names. File "names", 36-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfNAMES;

// The fields of a NAME record, the record type of the file "names".
struct NameRecord {
    using File = dfNAMES;

    int32_t nsno = 0;
    char nname[32] = {};  // at most 31 characters
};

class dfNAMES : public RecordFile, public NameRecord {
public:
    static constexpr const char* kFileName = "names";
    static constexpr int kFileNumber = 4;
    static constexpr int kRecordLength = 36;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfNAMES(const std::string& dataPath, const std::string& indexPath, int mode);
};

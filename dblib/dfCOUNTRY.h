// COUNTRY records: countries. File "country", 28-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfCOUNTRY;

// The fields of a COUNTRY record, the record type of the file "country".
struct CountryRecord {
    using File = dfCOUNTRY;

    int32_t csno = 0;
    char cid[4] = {};  // the country id text (two characters used)
    char cname[20] = {};
};

class dfCOUNTRY : public RecordFile, public CountryRecord {
public:
    static constexpr const char* kFileName = "country";
    static constexpr int kFileNumber = 1;
    static constexpr int kRecordLength = 28;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfCOUNTRY(const std::string& dataPath, const std::string& indexPath, int mode);
};

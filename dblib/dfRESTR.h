// RESTR records: restriction texts of frequencies, in chains of 8 bytes. File "restr", 16-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfRESTR;

// The fields of a RESTR record, the record type of the file "restr".
struct RestrRecord {
    using File = dfRESTR;

    int32_t rcsno = 0;
    int32_t rcnxt = 0;  // rcsno of the next record of the chain, 0 last
    uint8_t rcres[8] = {};
};

class dfRESTR : public RecordFile, public RestrRecord {
public:
    static constexpr const char* kFileName = "restr";
    static constexpr int kFileNumber = 9;
    static constexpr int kRecordLength = 16;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfRESTR(const std::string& dataPath, const std::string& indexPath, int mode);
};

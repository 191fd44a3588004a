// AWPS records: airway points. File "awps", 20-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfAWPS;

// The fields of an AWPS record, the record type of the file "awps".
struct AwpsRecord {
    using File = dfAWPS;

    int32_t wpsno = 0;
    int32_t wpwno = 0;  // wsno of the airway
    int32_t wpseq = 0;
    uint8_t wprec[6] = {};  // flags byte, 24-bit reference, 2 further bytes
    uint8_t spare[2] = {};  // not used; kept as stored
};

class dfAWPS : public RecordFile, public AwpsRecord {
public:
    static constexpr const char* kFileName = "awps";
    static constexpr int kFileNumber = 13;
    static constexpr int kRecordLength = 20;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfAWPS(const std::string& dataPath, const std::string& indexPath, int mode);
};

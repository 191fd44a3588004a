// AWPS records: airway points. File "awps", 20-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfAWPS : public RecordFile {
public:
    static constexpr const char* kFileName = "awps";
    static constexpr int kRecordLength = 20;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfAWPS(const std::string& dataPath, const std::string& indexPath, int mode);

    int32_t wpsno = 0;
    int32_t wpwno = 0;  // wsno of the airway
    int32_t wpseq = 0;
    uint8_t wprec[6] = {};  // flags byte, 24-bit reference, 2 further bytes

private:
    uint8_t m_spare[2] = {};  // not used; kept as stored
};

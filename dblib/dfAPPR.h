// APPR records: approaches. File "appr", 68-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfAPPR;

// The fields of an APPR record, the record type of the file "appr".
struct ApprRecord {
    using File = dfAPPR;

    int32_t psno = 0;
    int32_t paptno = 0;  // asno of the airport
    int32_t pseq = 0;
    int32_t ptyp = 0;
    int32_t p6typ = 0;
    char pid[8] = {};  // approach id text
    int32_t pntyp = 0;
    int32_t pnsno = 0;  // -1 no navaid
    int32_t pwtyp[4] = {};
    int32_t pwrecno[4] = {};
};

class dfAPPR : public RecordFile, public ApprRecord {
public:
    static constexpr const char* kFileName = "appr";
    static constexpr int kFileNumber = 10;
    static constexpr int kRecordLength = 68;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfAPPR(const std::string& dataPath, const std::string& indexPath, int mode);
};

// RTE records: routes: a title record (order 0) and its waypoints (orders 1-63). File "rte", 120-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfRTE;

// The fields of an RTE record, the record type of the file "rte".
struct RteRecord {
    using File = dfRTE;

    int32_t rtsno = 0;
    int32_t rtno = 0;  // route number
    int32_t rtorder = 0;
    char rtident[8] = {};
    int32_t rtlat = 0;
    int32_t rtlong = 0;
    int32_t rttime = 0;
    char rtname1[32] = {};  // the title on the title record
    char rtname2[32] = {};
    char rtcnt[4] = {};  // two country-code characters
    int32_t rtht = 0;
    int32_t rttype = 0;  // 0 APT, 1 INT, 2 NDB, 3 VOR, 4 USR
    int32_t rtrange = 0;
    int32_t rtbearing = 0;
    int32_t rticon = 0;
};

class dfRTE : public RecordFile, public RteRecord {
public:
    static constexpr const char* kFileName = "rte";
    static constexpr int kFileNumber = 14;
    static constexpr int kRecordLength = 120;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfRTE(const std::string& dataPath, const std::string& indexPath, int mode);

    // Loads an all-zero record.
    void Clear();
};

// INT records: intersections. File "ints", 40-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfINTS;

// The fields of an INT record, the record type of the file "ints".
struct IntRecord {
    using File = dfINTS;

    int32_t isno = 0;
    char iident[8] = {};
    int32_t ilat = 0;
    int32_t ilong = 0;
    int32_t iname = 0;  // nsno
    int32_t iparent = 0;
    int32_t icountry = 0;  // csno
    int32_t iflags = 0;  // -1 on the older form
    int32_t icompat = 0;
};

class dfINTS : public RecordFile, public IntRecord {
public:
    static constexpr const char* kFileName = "ints";
    static constexpr int kFileNumber = 3;
    static constexpr int kRecordLength = 40;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfINTS(const std::string& dataPath, const std::string& indexPath, int mode);
};

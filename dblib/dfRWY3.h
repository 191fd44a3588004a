// RWY records: airport runways. File "rwy3", 48-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfRWY3;

// The fields of an RWY record, the record type of the file "rwy3".
struct RwyRecord {
    using File = dfRWY3;

    int32_t rsno = 0;
    int32_t raptno = 0;  // asno of the airport
    int32_t rwidth = 0;
    int32_t rlen = 0;  // feet
    int32_t rsl = 0;
    int32_t rw = 0;  // designator word
    int32_t rflags = 0;
    int32_t rpicst = 0;
    int32_t rpic = 0;
    int32_t rpicfl = 0;
    int32_t rnpic = 0;
    int32_t rnpic2 = 0;
};

class dfRWY3 : public RecordFile, public RwyRecord {
public:
    static constexpr const char* kFileName = "rwy3";
    static constexpr int kFileNumber = 6;
    static constexpr int kRecordLength = 48;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfRWY3(const std::string& dataPath, const std::string& indexPath, int mode);
};

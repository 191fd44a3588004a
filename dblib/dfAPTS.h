// APT records: airports. File "apts", 52-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfAPTS;

// The fields of an APT record, the record type of the file "apts".
struct AptRecord {
    using File = dfAPTS;

    int32_t asno = 0;
    char aident[8] = {};  // digits stored as p-y
    int32_t alat = 0;
    int32_t along = 0;
    int32_t afacil = 0;  // nsno of the facility name
    int32_t acity = 0;  // nsno of the city name; 0 or negative: none
    int32_t acountry = 0;  // csno
    int32_t aheight = 0;  // feet
    int32_t afuel = 0;  // flag word
    int32_t autc = 0;  // flag word
    int32_t a212025 = 0;  // flag word; -1 on the older form
    int32_t a221507 = 0;  // flag word
};

class dfAPTS : public RecordFile, public AptRecord {
public:
    static constexpr const char* kFileName = "apts";
    static constexpr int kFileNumber = 0;
    static constexpr int kRecordLength = 52;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfAPTS(const std::string& dataPath, const std::string& indexPath, int mode);
};

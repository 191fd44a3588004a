// VOR records: VORs. File "vors", 52-byte records.
#pragma once

#include "dblib/RecordFile.h"

#include <cstdint>
#include <string>

class dfVORS;

// The fields of a VOR record, the record type of the file "vors".
struct VorRecord {
    using File = dfVORS;

    int32_t vsno = 0;
    char vident[8] = {};
    int32_t vlat = 0;
    int32_t vlong = 0;
    int32_t vfacil = 0;  // nsno
    int32_t vcity = 0;  // nsno
    int32_t vcountry = 0;  // csno
    int32_t vfreq = 0;  // hundredths of a MHz
    int32_t vdme = 0;  // older-form class word
    int32_t vtr = 0;  // class word
    int32_t vmag = 0;  // magnetic variation: the low byte is signed
    int32_t v221817 = 0;  // -1 on the older form
};

class dfVORS : public RecordFile, public VorRecord {
public:
    static constexpr const char* kFileName = "vors";
    static constexpr int kFileNumber = 7;
    static constexpr int kRecordLength = 52;

    // Mode IsamMgr::kModeClose closes the record file again once the indexes are set up.
    dfVORS(const std::string& dataPath, const std::string& indexPath, int mode);
};

#include "dblib/dfRTE.h"

#include <cstdint>

dfRTE::dfRTE(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, rtsno);
    DeclareField(4, rtno);
    DeclareField(8, rtorder);
    DeclareField(12, rtident);
    DeclareField(20, rtlat);
    DeclareField(24, rtlong);
    DeclareField(28, rttime);
    DeclareField(32, rtname1);
    DeclareField(64, rtname2);
    DeclareField(96, rtcnt);
    DeclareField(100, rtht);
    DeclareField(104, rttype);
    DeclareField(108, rtrange);
    DeclareField(112, rtbearing);
    DeclareField(116, rticon);
    DeclareIndex("rtsno", {NumberKey(rtsno)}, true);
    DeclareIndex("rtno", {NumberKey(rtno)}, false);
    DeclareIndex("rtident", {TextKey(rtident, 8)}, false);
    OpenIndexes(indexPath, mode);
}

void dfRTE::Clear() {
    const uint8_t zero[kRecordLength] = {};
    LoadRecord(zero);
}

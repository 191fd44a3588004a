#include "dblib/dfUSR.h"

dfUSR::dfUSR(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, usno);
    DeclareField(4, uident);
    DeclareField(12, ulat);
    DeclareField(16, ulong);
    DeclareField(20, utime);
    DeclareField(24, uname);
    DeclareField(56, uicon);
    DeclareIndex("usno", {NumberKey(usno)}, true);
    DeclareIndex("uident", {TextKey(uident, 8)}, true);
    OpenIndexes(indexPath, mode);
}

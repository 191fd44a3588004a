#include "dblib/dfNDBS.h"

dfNDBS::dfNDBS(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, bsno);
    DeclareField(4, bident);
    DeclareField(12, blat);
    DeclareField(16, blong);
    DeclareField(20, bfacil);
    DeclareField(24, bcity);
    DeclareField(28, bcountry);
    DeclareField(32, bfreq);
    DeclareField(36, bcompat);
    DeclareField(40, bflags);
    DeclareIndex("bsno", {NumberKey(bsno)}, true);
    DeclareIndex("bident", {TextKey(bident, 8)}, false);
    OpenIndexes(indexPath, mode);
}

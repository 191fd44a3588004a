#include "dblib/dfRWY3.h"

dfRWY3::dfRWY3(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, rsno);
    DeclareField(4, raptno);
    DeclareField(8, rwidth);
    DeclareField(12, rlen);
    DeclareField(16, rsl);
    DeclareField(20, rw);
    DeclareField(24, rflags);
    DeclareField(28, rpicst);
    DeclareField(32, rpic);
    DeclareField(36, rpicfl);
    DeclareField(40, rnpic);
    DeclareField(44, rnpic2);
    DeclareIndex("rsno", {NumberKey(rsno)}, true);
    DeclareIndex("raptno", {NumberKey(raptno)}, false);
    OpenIndexes(indexPath, mode);
}

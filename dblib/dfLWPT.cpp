#include "dblib/dfLWPT.h"

dfLWPT::dfLWPT(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, lsno);
    DeclareField(4, laptno);
    DeclareField(8, ltyp);
    DeclareField(12, llat);
    DeclareField(16, llong);
    DeclareField(20, lfreq);
    DeclareField(24, lid);
    DeclareIndex("lsno", {NumberKey(lsno)}, true);
    DeclareIndex("laptno", {NumberKey(laptno)}, false);
    OpenIndexes(indexPath, mode);
}

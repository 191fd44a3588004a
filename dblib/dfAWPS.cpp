#include "dblib/dfAWPS.h"

dfAWPS::dfAWPS(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, wpsno);
    DeclareField(4, wpwno);
    DeclareField(8, wpseq);
    DeclareField(12, wprec);
    DeclareField(18, spare);
    DeclareIndex("wpsno", {NumberKey(wpsno)}, true);
    DeclareIndex("wpwno", {NumberKey(wpwno)}, false);
    OpenIndexes(indexPath, mode);
}

#include "dblib/dfAWYS.h"

dfAWYS::dfAWYS(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, wsno);
    DeclareField(4, wname);
    DeclareField(12, wrec);
    DeclareIndex("wsno", {NumberKey(wsno)}, true);
    DeclareIndex("wname", {TextKey(wname, 8)}, false);
    OpenIndexes(indexPath, mode);
}

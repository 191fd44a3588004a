#include "dblib/dfRESTR.h"

dfRESTR::dfRESTR(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, rcsno);
    DeclareField(4, rcnxt);
    DeclareField(8, rcres);
    DeclareIndex("rcsno", {NumberKey(rcsno)}, true);
    OpenIndexes(indexPath, mode);
}

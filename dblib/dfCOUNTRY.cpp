#include "dblib/dfCOUNTRY.h"

dfCOUNTRY::dfCOUNTRY(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, csno);
    DeclareField(4, cid);
    DeclareField(8, cname);
    DeclareIndex("csno", {NumberKey(csno)}, true);
    DeclareIndex("cid", {TextKey(cid, 4)}, true);
    DeclareIndex("cname", {TextKey(cname, 20)}, false);
    OpenIndexes(indexPath, mode);
}

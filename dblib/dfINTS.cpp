#include "dblib/dfINTS.h"

dfINTS::dfINTS(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, isno);
    DeclareField(4, iident);
    DeclareField(12, ilat);
    DeclareField(16, ilong);
    DeclareField(20, iname);
    DeclareField(24, iparent);
    DeclareField(28, icountry);
    DeclareField(32, iflags);
    DeclareField(36, icompat);
    DeclareIndex("isno", {NumberKey(isno)}, true);
    DeclareIndex("iident", {TextKey(iident, 8)}, false);
    OpenIndexes(indexPath, mode);
}

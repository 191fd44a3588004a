#include "dblib/dfAPTS.h"

dfAPTS::dfAPTS(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, asno);
    DeclareField(4, aident);
    DeclareField(12, alat);
    DeclareField(16, along);
    DeclareField(20, afacil);
    DeclareField(24, acity);
    DeclareField(28, acountry);
    DeclareField(32, aheight);
    DeclareField(36, afuel);
    DeclareField(40, autc);
    DeclareField(44, a212025);
    DeclareField(48, a221507);
    DeclareIndex("asno", {NumberKey(asno)}, true);
    DeclareIndex("aident", {TextKey(aident, 8)}, false);
    OpenIndexes(indexPath, mode);
}

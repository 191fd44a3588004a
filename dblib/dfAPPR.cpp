#include "dblib/dfAPPR.h"

dfAPPR::dfAPPR(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, psno);
    DeclareField(4, paptno);
    DeclareField(8, pseq);
    DeclareField(12, ptyp);
    DeclareField(16, p6typ);
    DeclareField(20, pid);
    DeclareField(28, pntyp);
    DeclareField(32, pnsno);
    DeclareField(36, pwtyp);
    DeclareField(52, pwrecno);
    DeclareIndex("psno", {NumberKey(psno)}, true);
    DeclareIndex("paptno", {NumberKey(paptno)}, false);
    OpenIndexes(indexPath, mode);
}

#include "dblib/dfFREQ3.h"

dfFREQ3::dfFREQ3(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, fsno);
    DeclareField(4, faptno);
    DeclareField(8, ftype);
    DeclareField(12, freq);
    DeclareField(16, flags);
    DeclareField(20, frsno);
    DeclareField(24, f431);
    DeclareIndex("fsno", {NumberKey(fsno)}, true);
    DeclareIndex("faptno", {NumberKey(faptno)}, false);
    OpenIndexes(indexPath, mode);
}

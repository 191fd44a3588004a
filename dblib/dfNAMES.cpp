#include "dblib/dfNAMES.h"

dfNAMES::dfNAMES(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, nsno);
    DeclareField(4, nname);
    DeclareIndex("nsno", {NumberKey(nsno)}, true);
    DeclareIndex("nname", {TextKey(nname, 32)}, true);
    OpenIndexes(indexPath, mode);
}

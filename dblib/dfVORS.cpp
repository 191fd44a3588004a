#include "dblib/dfVORS.h"

dfVORS::dfVORS(const std::string& dataPath, const std::string& indexPath, int mode)
    : RecordFile(dataPath, kRecordLength) {
    DeclareField(0, vsno);
    DeclareField(4, vident);
    DeclareField(12, vlat);
    DeclareField(16, vlong);
    DeclareField(20, vfacil);
    DeclareField(24, vcity);
    DeclareField(28, vcountry);
    DeclareField(32, vfreq);
    DeclareField(36, vdme);
    DeclareField(40, vtr);
    DeclareField(44, vmag);
    DeclareField(48, v221817);
    DeclareIndex("vsno", {NumberKey(vsno)}, true);
    DeclareIndex("vident", {TextKey(vident, 8)}, false);
    OpenIndexes(indexPath, mode);
}

#include "dblib/RecordFiles.h"

#include "dblib/DbDir.h"
#include "dblib/dfAPPR.h"
#include "dblib/dfAPTS.h"
#include "dblib/dfAWPS.h"
#include "dblib/dfAWYS.h"
#include "dblib/dfCOUNTRY.h"
#include "dblib/dfFREQ3.h"
#include "dblib/dfINTS.h"
#include "dblib/dfLWPT.h"
#include "dblib/dfNAMES.h"
#include "dblib/dfNDBS.h"
#include "dblib/dfRESTR.h"
#include "dblib/dfRTE.h"
#include "dblib/dfRWY3.h"
#include "dblib/dfUSR.h"
#include "dblib/dfVORS.h"

#include <cstring>

namespace {

template <class T>
std::unique_ptr<RecordFile> Make(const std::string& dataPath, const std::string& indexPath,
                                 int mode) {
    return std::make_unique<T>(dataPath, indexPath, mode);
}

using Factory = std::unique_ptr<RecordFile> (*)(const std::string&, const std::string&, int);

const Factory kFactories[kRecordFileCount] = {
    Make<dfAPTS>, Make<dfCOUNTRY>, Make<dfFREQ3>, Make<dfINTS>, Make<dfNAMES>,
    Make<dfNDBS>, Make<dfRWY3>,    Make<dfVORS>,  Make<dfUSR>,  Make<dfRESTR>,
    Make<dfAPPR>, Make<dfLWPT>,    Make<dfAWYS>,  Make<dfAWPS>, Make<dfRTE>,
};

// The classes' own file numbers are the positions in these tables.
static_assert(dfAPTS::kFileNumber == 0 && dfCOUNTRY::kFileNumber == 1 && dfFREQ3::kFileNumber == 2 &&
              dfINTS::kFileNumber == 3 && dfNAMES::kFileNumber == 4 && dfNDBS::kFileNumber == 5 &&
              dfRWY3::kFileNumber == 6 && dfVORS::kFileNumber == 7 && dfUSR::kFileNumber == 8 &&
              dfRESTR::kFileNumber == 9 && dfAPPR::kFileNumber == 10 && dfLWPT::kFileNumber == 11 &&
              dfAWYS::kFileNumber == 12 && dfAWPS::kFileNumber == 13 && dfRTE::kFileNumber == 14);

}  // namespace

const RecordFileInfo kRecordFiles[kRecordFileCount] = {
    {dfAPTS::kFileName, dfAPTS::kRecordLength},   {dfCOUNTRY::kFileName, dfCOUNTRY::kRecordLength},
    {dfFREQ3::kFileName, dfFREQ3::kRecordLength}, {dfINTS::kFileName, dfINTS::kRecordLength},
    {dfNAMES::kFileName, dfNAMES::kRecordLength}, {dfNDBS::kFileName, dfNDBS::kRecordLength},
    {dfRWY3::kFileName, dfRWY3::kRecordLength},   {dfVORS::kFileName, dfVORS::kRecordLength},
    {dfUSR::kFileName, dfUSR::kRecordLength},     {dfRESTR::kFileName, dfRESTR::kRecordLength},
    {dfAPPR::kFileName, dfAPPR::kRecordLength},   {dfLWPT::kFileName, dfLWPT::kRecordLength},
    {dfAWYS::kFileName, dfAWYS::kRecordLength},   {dfAWPS::kFileName, dfAWPS::kRecordLength},
    {dfRTE::kFileName, dfRTE::kRecordLength},
};

const char* const kRecordFileNames[kRecordFileCount] = {
    dfAPTS::kFileName, dfCOUNTRY::kFileName, dfFREQ3::kFileName, dfINTS::kFileName,
    dfNAMES::kFileName, dfNDBS::kFileName,   dfRWY3::kFileName,  dfVORS::kFileName,
    dfUSR::kFileName,  dfRESTR::kFileName,   dfAPPR::kFileName,  dfLWPT::kFileName,
    dfAWYS::kFileName, dfAWPS::kFileName,    dfRTE::kFileName,
};

const char* const kManagerFiles[kManagerFileCount] = {
    dfAPTS::kFileName,  dfCOUNTRY::kFileName, dfFREQ3::kFileName, dfINTS::kFileName,
    dfNAMES::kFileName, dfNDBS::kFileName,    dfRESTR::kFileName, dfRTE::kFileName,
    dfRWY3::kFileName,  dfUSR::kFileName,     dfVORS::kFileName,
};

int RecordFileNumber(const char* name) {
    for (int i = 0; i < kRecordFileCount; ++i)
        if (std::strcmp(kRecordFileNames[i], name) == 0) return i;
    return -1;
}

std::unique_ptr<RecordFile> MakeRecordFileObject(int fileNumber, const std::string& dataPath,
                                                 const std::string& indexPath, int mode) {
    if (fileNumber < 0 || fileNumber >= kRecordFileCount) return nullptr;
    return kFactories[fileNumber](dataPath, indexPath, mode);
}

std::unique_ptr<RecordFile> MakeRecordFileObject(int fileNumber, int mode) {
    if (fileNumber < 0 || fileNumber >= kRecordFileCount) return nullptr;
    const char* name = kRecordFileNames[fileNumber];
    return MakeRecordFileObject(fileNumber, DbFilePath(name, "dta"), DbFilePath(name, "dtx"), mode);
}

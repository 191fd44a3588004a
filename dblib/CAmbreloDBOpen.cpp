#include "dblib/CAmbreloDBOpen.h"

#include "dblib/DbDir.h"
#include "platform/FileSystem.h"

// The status holds the outcome of the check.
CAmbreloDBOpen::CAmbreloDBOpen() { static_cast<void>(CheckRecordFiles(kRecordFileNames, kRecordFileCount)); }

CAmbreloDBOpen::~CAmbreloDBOpen() = default;

void CAmbreloDBOpen::OpenAll() {
    m_status = 0;
    for (int i = 0; i < kRecordFileCount; ++i) {
        const char* name = kRecordFileNames[i];
        bool existed = platform::FileExists(DbFilePath(name, "dta"));
        m_files[i] = MakeRecordFileObject(i, IsamMgr::kModeClose);
        // A file made here is stamped so that the next start's check accepts it.
        if (!m_files[i] || (!existed && !StampDbVersion(name))) ++m_status;
    }
}

RecordFile* CAmbreloDBOpen::File(int fileNumber) const {
    return fileNumber >= 0 && fileNumber < kRecordFileCount ? m_files[fileNumber].get() : nullptr;
}

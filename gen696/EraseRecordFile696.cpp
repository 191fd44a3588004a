#include "gen696/EraseRecordFile696.h"

#include "dblib/DbDir.h"
#include "gen/shell/CGenDBOpen.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

bool EraseRecordFile696(int fileNumber) {
    CGenDBOpen* opener = CGenDBOpen::Active();
    const char* name = GenFileName(fileNumber);
    if (!opener || !*name) return false;
    if (RecordFile* file = opener->File(fileNumber)) file->Close();
    for (const char* extension : {"dta", "dtx"}) {
        const std::string path = DbFilePath(name, extension);
        std::string actual;
        if (platform::FileExists(path, &actual) && !platform::DeleteFile(actual)) {
            platform::ShowMessage(actual + " - Cannot Unlink");
        }
    }
    return opener->MakeRecordFile(fileNumber);
}

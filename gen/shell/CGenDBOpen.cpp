#include "gen/shell/CGenDBOpen.h"

#include <cstdio>
#include <cstring>

#include "dblib/DbDir.h"
#include "dblib/RecordFiles.h"
#include "gen/shell/GenExit.h"
#include "platform/MessageBox.h"

namespace {

CGenDBOpen* g_active = nullptr;

// The generators' table is the database's own numbering.
const char* const* const kGenNames = kRecordFileNames;
static_assert(kGenFileCount == kRecordFileCount);

}  // namespace

RecordFile& GenRecordFile(int fileNumber) {
    CGenDBOpen* opener = CGenDBOpen::Active();
    RecordFile* file = opener ? opener->Use(fileNumber) : nullptr;
    if (!file) {
        char text[80];
        std::snprintf(text, sizeof text, "Program error: no record file %d", fileNumber);
        ProgramError(text);
    }
    return *file;
}

int GenRecordFailed(const char* what, int fileNumber) {
    char text[96];
    std::snprintf(text, sizeof text, "dbif_%s failed on %s file ", what, GenFileName(fileNumber));
    int answer = platform::ShowMessage(text, {platform::Buttons::AbortRetryIgnore, platform::Icon::Error});
    if (answer == platform::kIdAbort) GenExit(kExitFatal);
    return 0;
}

const char* GenFileName(int fileNumber) {
    return fileNumber >= 0 && fileNumber < kGenFileCount ? kGenNames[fileNumber] : "";
}

CGenDBOpen::CGenDBOpen() { (void)CheckRecordFiles(kGenNames, kGenFileCount); }

CGenDBOpen::~CGenDBOpen() {
    for (auto& file : files_) file.reset();
    if (g_active == this) g_active = nullptr;
}

void CGenDBOpen::OpenAll() {
    m_status = 0;
    for (int i = 0; i < kGenFileCount; ++i) {
        if (!MakeRecordFile(i)) ++m_status;
    }
}

void CGenDBOpen::OpenOnUse() {
    m_status = 0;
    onUse_ = true;
}

RecordFile* CGenDBOpen::Use(int fileNumber) {
    if (onUse_ && fileNumber >= 0 && fileNumber < kGenFileCount && !tried_[fileNumber]) {
        if (!MakeRecordFile(fileNumber)) ++m_status;
    }
    return File(fileNumber);
}

bool CGenDBOpen::MakeRecordFile(int fileNumber) {
    if (fileNumber < 0 || fileNumber >= kGenFileCount) return false;
    tried_[fileNumber] = true;
    files_[fileNumber] = MakeRecordFileObject(fileNumber, DbFilePath(kGenNames[fileNumber], "dta"),
                                              DbFilePath(kGenNames[fileNumber], "dtx"), IsamMgr::kModeClose);
    if (!files_[fileNumber]) return false;
    return StampDbVersion(kGenNames[fileNumber]) == 1;
}

RecordFile* CGenDBOpen::File(int fileNumber) const {
    return fileNumber >= 0 && fileNumber < kGenFileCount ? files_[fileNumber].get() : nullptr;
}

CGenDBOpen* CGenDBOpen::Active() { return g_active; }
void CGenDBOpen::SetActive(CGenDBOpen* opener) { g_active = opener; }

int dbif_open(int fileNumber) {
    return GenRecordFile(fileNumber).Open() == 0 ? 1 : 0;
}

int dbif_close(int fileNumber) {
    GenRecordFile(fileNumber).Close();
    return 1;
}

void SetRecText(char* destination, const char* source, int width) {
    if (width <= 0) return;
    int n = 0;
    while (n < width - 1 && source[n] != '\0') {
        destination[n] = source[n];
        ++n;
    }
    destination[n] = '\0';
    // Cut after the last character above blank, keeping the first character.
    while (n > 1) {
        unsigned char c = static_cast<unsigned char>(destination[n - 1]);
        if (c >= 33 && c < 0x80) break;
        destination[--n] = '\0';
    }
}

void CopyKeyText(char* destination, const char* source) { std::strcpy(destination, source); }

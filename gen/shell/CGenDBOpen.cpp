#include "gen/shell/CGenDBOpen.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "dblib/DbDir.h"
#include "dblib/RecordFiles.h"
#include "gen/shell/GenExit.h"
#include "platform/MessageBox.h"

namespace {

CGenDBOpen* g_active = nullptr;

const char* const kGenNames[kGenFileCount] = {
    "apts", "country", "freq3", "ints", "names", "ndbs", "rwy3", "vors",
    "usr", "restr", "appr", "lwpt", "awys", "awps", "rte",
};

// The record-file object of a file number; a missing one is an internal error.
RecordFile& FileOf(int fileNumber) {
    CGenDBOpen* opener = CGenDBOpen::Active();
    RecordFile* file = opener ? opener->File(fileNumber) : nullptr;
    if (!file) {
        char text[80];
        std::snprintf(text, sizeof text, "Program error: no record file %d", fileNumber);
        ProgramError(text);
    }
    return *file;
}

void CopyIn(int fileNumber, RecordFile& file, const void* buffer) {
    std::vector<uint8_t> disk(file.RecordLength());
    RecordToDisk(fileNumber, static_cast<const uint8_t*>(buffer), disk.data());
    file.CopyIn(disk.data());
}

void CopyOut(int fileNumber, RecordFile& file, void* buffer) {
    std::vector<uint8_t> disk(file.RecordLength());
    file.CopyOut(disk.data());
    RecordFromDisk(fileNumber, disk.data(), static_cast<uint8_t*>(buffer));
}

// The failure box of the changing operations: Abort ends the program, any other answer
// lets the caller go on with 0.
int Failed(const char* what, int fileNumber) {
    char text[96];
    std::snprintf(text, sizeof text, "dbif_%s failed on %s file ", what, GenFileName(fileNumber));
    int answer = platform::ShowMessage(text, {platform::Buttons::AbortRetryIgnore, platform::Icon::Error});
    if (answer == platform::kIdAbort) GenExit(kExitFatal);
    return 0;
}

}  // namespace

const char* GenFileName(int fileNumber) {
    return fileNumber >= 0 && fileNumber < kGenFileCount ? kGenNames[fileNumber] : "";
}

int GenRecordLength(int fileNumber) {
    return fileNumber >= 0 && fileNumber < kGenFileCount ? kRecordFiles[fileNumber].recordLength : 0;
}

CGenDBOpen::CGenDBOpen() { CheckRecordFiles(kGenNames, kGenFileCount); }

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

bool CGenDBOpen::MakeRecordFile(int fileNumber) {
    if (fileNumber < 0 || fileNumber >= kGenFileCount) return false;
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

void RecordToDisk(int fileNumber, const uint8_t* buffer, uint8_t* disk) {
    int length = GenRecordLength(fileNumber);
    std::memcpy(disk, buffer, length);
    if (fileNumber == kFileUsr) {
        // Disk order: time at 20, name at 24.
        std::memcpy(disk + 20, buffer + kUsrBufTime, 4);
        std::memcpy(disk + 24, buffer + kUsrBufName, 32);
    }
}

void RecordFromDisk(int fileNumber, const uint8_t* disk, uint8_t* buffer) {
    int length = GenRecordLength(fileNumber);
    std::memcpy(buffer, disk, length);
    if (fileNumber == kFileUsr) {
        std::memcpy(buffer + kUsrBufName, disk + 24, 32);
        std::memcpy(buffer + kUsrBufTime, disk + 20, 4);
    }
}

int dbif_open(int fileNumber) {
    FileOf(fileNumber).Open();
    return 1;
}

int dbif_close(int fileNumber) {
    FileOf(fileNumber).Close();
    return 1;
}

int dbif_index(int fileNumber, const char* index) {
    FileOf(fileNumber).SelectIndex(index);
    return 1;
}

int dbif_find(int fileNumber, void* buffer) {
    RecordFile& file = FileOf(fileNumber);
    CopyIn(fileNumber, file, buffer);
    if (file.Find() != 0) return 0;
    CopyOut(fileNumber, file, buffer);
    return 1;
}

int dbif_first(int fileNumber, void* buffer) {
    RecordFile& file = FileOf(fileNumber);
    file.Rewind();
    if (file.Next(1) != 0) return 0;
    CopyOut(fileNumber, file, buffer);
    return 1;
}

int dbif_next(int fileNumber, void* buffer) {
    RecordFile& file = FileOf(fileNumber);
    if (file.Next(1) != 0) return 0;
    CopyOut(fileNumber, file, buffer);
    return 1;
}

int dbif_findprev(int fileNumber, void* buffer) {
    RecordFile& file = FileOf(fileNumber);
    CopyIn(fileNumber, file, buffer);
    file.Find();
    if (file.Prev(1) != 0) return 0;
    CopyOut(fileNumber, file, buffer);
    return 1;
}

int dbif_add(int fileNumber, void* buffer) {
    RecordFile& file = FileOf(fileNumber);
    CopyIn(fileNumber, file, buffer);
    if (file.Insert() != 0) return Failed("add", fileNumber);
    return 1;
}

int dbif_upd(int fileNumber, void* buffer) {
    RecordFile& file = FileOf(fileNumber);
    CopyIn(fileNumber, file, buffer);
    if (file.Amend() != 0) return Failed("upd", fileNumber);
    return 1;
}

int dbif_del(int fileNumber) {
    if (FileOf(fileNumber).Erase() != 0) return Failed("del", fileNumber);
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

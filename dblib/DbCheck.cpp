#include "dblib/DbCheck.h"

#include "dblib/DbDir.h"
#include "dblib/DiskMgr.h"
#include "dblib/Transaction.h"
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool IsDataFile(const std::string& path) {
    return path.size() >= 4 && ::strcasecmp(path.c_str() + path.size() - 4, ".dta") == 0;
}

}  // namespace

DbCheck::~DbCheck() = default;

bool DbCheck::CheckFile(const std::string& path) {
    if (!platform::FileExists(path)) return m_status == 0;
    int fd = platform::OpenFile(path, O_RDWR, platform::Share::DenyReadWrite);
    if (fd < 0) {
        if (errno == ENOENT) return m_status == 0;  // gone since the look
        if ((errno == EACCES || errno == EROFS || errno == EPERM) &&
            ::access(platform::ResolveCase(path).c_str(), R_OK | W_OK) != 0) {
            const int err = errno == EROFS ? EROFS : EACCES;
            IsamFatal("Cannot open %s for writing: %s", path.c_str(), std::strerror(err));
        }
        if (m_status != kWrongVersion) ++m_status;
        return false;
    }
    if (IsDataFile(path)) {
        char mark = 0;
        int32_t slots = -1;
        if (platform::ReadAt(fd, &mark, 1, kDbVersionMarkOffset) != 1 || mark != kDbVersionMark) {
            // An empty file, or one of no slots never stamped, was cut off while it was made:
            // it holds nothing of another version and is stamped like a new one.
            const int64_t size = platform::FileSize(fd);
            const bool unfinished =
                size == 0 ||
                (mark == 0 && size == FileMgr::kHeaderSize &&
                 platform::ReadAt(fd, &slots, 4, FileMgr::kSlotCountField.offset) == 4 && slots == 0);
            if (!unfinished) m_status = kWrongVersion;
        }
    }
    platform::CloseFile(fd);
    return m_status == 0;
}

bool DbCheck::CheckRecordFiles(const char* const* names, int count) {
    // Changes cut off by an interrupted commit are undone before any file is looked at.
    if (platform::IsDirectory(GetDbDir()) && !dbtx::Recover(GetDbDir()))
        IsamFatal("Cannot write %s/%s: %s", GetDbDir().c_str(), dbtx::kJournalName,
                  std::strerror(errno));
    for (int i = 0; i < count; ++i) {
        if (!CheckFile(DbFilePath(names[i], "dta"))) return false;
        if (!CheckFile(DbFilePath(names[i], "dtx"))) return false;
    }
    return true;
}

const char* DbCheck::StatusText() const {
    if (m_status > 0) return kDbInUseText;
    if (m_status < 0) return kDbVersionText;
    return nullptr;
}

int StampDbVersion(const char* baseName) { return StampDbVersionAt(DbFilePath(baseName, "dta")); }

int StampDbVersionAt(const std::string& path) {
    int fd = platform::OpenFile(path, O_RDWR, platform::Share::DenyNone);
    if (fd < 0) return 0;
    if (platform::FileSize(fd) < FileMgr::kHeaderSize) {
        platform::CloseFile(fd);
        return 0;
    }
    errno = 0;
    const bool written = platform::WriteAt(fd, &kDbVersionMark, 1, kDbVersionMarkOffset) == 1;
    int err = errno;
    if (platform::CloseFile(fd) != 0 && written) err = errno;
    if (!written || err != 0)
        IsamFatal("Cannot write %s: %s", path.c_str(), std::strerror(err != 0 ? err : EIO));
    return 1;
}

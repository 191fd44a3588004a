#include "dblib/DatabaseFolder.h"

#include "dblib/DbCheck.h"
#include "dblib/IsamMgr.h"
#include "dblib/RecordFiles.h"
#include "dblib/Transaction.h"
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace {

// Syncs a file or folder by path (nothing when the transactions do not sync).
bool SyncPath(const std::string& path, int flags) {
    if (!dbtx::Synced()) return true;
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    const int err = errno;
    ::close(fd);
    errno = err;
    return ok;
}

void RemoveFolder(const std::string& path) {
    const int err = errno;
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    errno = err;
}

}  // namespace

bool MakeDatabaseFolder(const std::string& folder) {
    const std::string parent = platform::DirName(folder);
    std::string temp = (parent.empty() ? std::string(".") : parent) + "/db50.new-XXXXXX";
    if (!::mkdtemp(temp.data())) return false;
    for (int i = 0; i < kRecordFileCount; ++i) {
        const std::string base = temp + "/" + kRecordFileNames[i];
        if (!MakeRecordFileObject(i, base + ".dta", base + ".dtx", IsamMgr::kModeClose) ||
            StampDbVersionAt(base + ".dta") != 1 || !SyncPath(base + ".dta", O_RDONLY) ||
            !SyncPath(base + ".dtx", O_RDONLY)) {
            if (errno == 0) errno = EIO;
            RemoveFolder(temp);
            return false;
        }
    }
    if (!SyncPath(temp, O_RDONLY | O_DIRECTORY)) {
        RemoveFolder(temp);
        return false;
    }
    if (::rename(temp.c_str(), folder.c_str()) != 0) {
        // Another program made the folder first: its folder is the one to use.
        const int err = errno;
        RemoveFolder(temp);
        if ((err == ENOTEMPTY || err == EEXIST) && platform::IsDirectory(folder)) return true;
        errno = err;
        return false;
    }
    return SyncPath(parent.empty() ? std::string(".") : parent, O_RDONLY | O_DIRECTORY);
}

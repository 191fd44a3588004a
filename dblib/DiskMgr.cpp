#include "dblib/DiskMgr.h"

#include "dblib/BlockCache.h"
#include "dblib/Transaction.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <unordered_map>

namespace {

char g_message[128];
IsamHook g_statusHook;
IsamHook g_errorHook;
IsamExitHandler g_exitHandler;
bool g_fatalPending = false;
int g_instances = 0;
std::unordered_map<int, std::string> g_paths;   // descriptor -> path, while open

void Format(const char* format, va_list args) {
    std::vsnprintf(g_message, sizeof g_message, format, args);
}

}  // namespace

void IsamSetStatusHook(IsamHook hook) { g_statusHook = std::move(hook); }
void IsamSetErrorHook(IsamHook hook) { g_errorHook = std::move(hook); }
void IsamSetExitHandler(IsamExitHandler handler) { g_exitHandler = std::move(handler); }

void IsamStatus(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Format(format, args);
    va_end(args);
    if (g_statusHook) g_statusHook(g_message);
}

void IsamFatal(const char* format, ...) {
    g_fatalPending = true;
    va_list args;
    va_start(args, format);
    Format(format, args);
    va_end(args);
    if (g_errorHook) g_errorHook(g_message);
    if (g_exitHandler) {
        g_exitHandler(1);
        _exit(1);
    }
    std::exit(1);
}

bool IsamFatalPending() { return g_fatalPending; }
void IsamClearFatal() { g_fatalPending = false; }
const char* IsamLastMessage() { return g_message; }

DiskMgr::DiskMgr(int mode) : m_mode(mode) {
    ++g_instances;
    BlockCache::Acquire();
}

DiskMgr::~DiskMgr() {
    --g_instances;
    BlockCache::Release();
}

int DiskMgr::InstanceCount() { return g_instances; }

const std::string& DiskMgr::PathOf(int fd) {
    static const std::string none;
    auto it = g_paths.find(fd);
    return it == g_paths.end() ? none : it->second;
}

void DiskMgr::WriteFailed(int fd) {
    const int err = errno != 0 ? errno : EIO;
    IsamFatal("Cannot write %s: %s", PathOf(fd).c_str(), std::strerror(err));
}

int DiskMgr::Open(const std::string& path, int flags, int permission) {
    std::string spelt;
    int fd = platform::OpenFile(path, flags, platform::Share::DenyReadWrite, permission, spelt);
    if (fd >= 0) {
        g_paths[fd] = path;
        dbtx::Opened(fd, spelt);
    }
    return fd;
}

long DiskMgr::Read(int fd, void* buffer, int64_t offset, int length) {
    if (Cached()) return BlockCache::Instance()->Read(fd, buffer, offset, length);
    return dbtx::ReadAt(fd, buffer, size_t(length), offset);
}

long DiskMgr::Write(int fd, const void* buffer, int64_t offset, int length) {
    if (IsamFatalPending()) return 0;
    if (Cached()) return BlockCache::Instance()->Write(fd, buffer, offset, length);
    return dbtx::WriteAt(fd, buffer, size_t(length), offset);
}

int DiskMgr::Close(int fd) {
    if (Cached()) BlockCache::Instance()->Forget(fd);
    g_paths.erase(fd);
    dbtx::Closing(fd);
    return platform::CloseFile(fd);
}

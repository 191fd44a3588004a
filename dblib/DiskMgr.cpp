#include "dblib/DiskMgr.h"

#include "dblib/BlockCache.h"
#include "platform/FileSystem.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

char g_message[128];
IsamHook g_statusHook;
IsamHook g_errorHook;
IsamExitHandler g_exitHandler;
bool g_fatalPending = false;
int g_instances = 0;

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

int DiskMgr::Open(const std::string& path, int flags, int permission) {
    return platform::OpenFile(path, flags, platform::Share::DenyReadWrite, permission);
}

long DiskMgr::Read(int fd, void* buffer, int64_t offset, int length) {
    if (Cached()) return BlockCache::Instance()->Read(fd, buffer, offset, length);
    return platform::ReadAt(fd, buffer, size_t(length), offset);
}

long DiskMgr::Write(int fd, const void* buffer, int64_t offset, int length) {
    if (IsamFatalPending()) return 0;
    if (Cached()) return BlockCache::Instance()->Write(fd, buffer, offset, length);
    return platform::WriteAt(fd, buffer, size_t(length), offset);
}

int DiskMgr::Close(int fd) {
    if (Cached()) BlockCache::Instance()->Forget(fd);
    return platform::CloseFile(fd);
}

// Byte-range file access with an optional process-wide block cache, and the library's
// message hooks and fatal-error path shared by every layer of the database engine.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// ---- Library messages ----------------------------------------------------------------
// Every report is formatted into one 128-byte message buffer (cut to 127 characters).

using IsamHook = std::function<void(const char* text)>;
using IsamExitHandler = std::function<void(int code)>;

// Receives progress texts (index rebuilds). None by default: texts are dropped.
void IsamSetStatusHook(IsamHook hook);
// Receives fatal texts before the process ends. None by default.
void IsamSetErrorHook(IsamHook hook);
// Replaces the final step of the fatal path (std::exit of the code by default). A handler may
// throw to leave the failing call (tests); if it returns, the process ends with _Exit.
void IsamSetExitHandler(IsamExitHandler handler);

// Formats a status text and passes it to the status hook.
void IsamStatus(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Formats a fatal text, passes it to the error hook and ends the process with exit code 1.
// From the first fatal report on, the library writes nothing more to any file.
[[noreturn]] void IsamFatal(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True once a fatal error was reported in this process (file writes are suppressed).
bool IsamFatalPending();
// Lets a process that survived a fatal report (through a throwing exit handler) write again.
void IsamClearFatal();
// The text of the last report (status or fatal).
const char* IsamLastMessage();

// Fatal texts of the library.
inline constexpr const char* kIsamOutOfSync = "Error: Program and Data Files out of sync!";
inline constexpr const char* kIsamOutOfMemory = "Error: Out of Memory!";

// ---- DiskMgr -------------------------------------------------------------------------

class DiskMgr {
public:
    static constexpr int kCached = 0;
    static constexpr int kUncached = 1;

    // Mode kUncached goes straight to the file; any other mode goes through the BlockCache.
    // The first live DiskMgr of the process builds the cache, the last one writes it back.
    explicit DiskMgr(int mode);
    ~DiskMgr();
    DiskMgr(const DiskMgr&) = delete;
    DiskMgr& operator=(const DiskMgr&) = delete;

    // Opens with the given O_* flags, denying reading and writing to every other opener;
    // permission bits for a created file. Returns the descriptor, or -1 with errno ENOENT
    // (missing) or EACCES (held elsewhere).
    [[nodiscard]] int Open(const std::string& path, int flags, int permission = 0);
    // Reads up to length bytes at offset; returns the count delivered (short at end of file).
    [[nodiscard]] long Read(int fd, void* buffer, int64_t offset, int length);
    // Writes length bytes at offset; returns the count taken (the full length when cached).
    [[nodiscard]] long Write(int fd, const void* buffer, int64_t offset, int length);
    // Writes back and forgets every cache entry of the descriptor, then closes it.
    [[nodiscard]] int Close(int fd);

    int Mode() const { return m_mode; }
    bool Cached() const { return m_mode != kUncached; }

    // Number of live DiskMgr objects in the process.
    static int InstanceCount();
    // The path a descriptor of Open was opened with ("" when unknown), for messages.
    static const std::string& PathOf(int fd);
    // Reports a failed write of the descriptor's file through the fatal path, with the
    // system's reason from errno (EIO when none).
    [[noreturn]] static void WriteFailed(int fd);

private:
    int m_mode;
};

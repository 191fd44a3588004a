// An output file that replaces its target whole or not at all: the bytes go to a temporary file
// in the target's folder, which is synced and renamed over the target only at Commit. A file
// abandoned (or a process that ends or is killed before Commit) leaves the target as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

namespace platform {

class AtomicFile {
public:
    // What the temporary file starts with.
    enum class Start {
        Empty,      // the target is replaced
        CopyOfOld,  // the target's bytes (none when it does not exist), for appending
    };

    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Makes the temporary file. The target keeps the spelling of an existing case-insensitive
    // match; while the file is open, the target is held with `share` against other opens, and an
    // open fails (errno EACCES) when another open holds the target against it. False with errno
    // set on failure; nothing is left behind then.
    bool Open(const std::string& path, Start start, Share share = Share::DenyWrite);

    bool IsOpen() const { return fd_ >= 0; }
    // The temporary file's descriptor (positioned at its end), -1 when not open.
    int Descriptor() const { return fd_; }
    // The target as it will be named, and the file being written (the target itself for a
    // device or pipe, which is written in place).
    const std::string& Path() const { return target_; }
    const std::string& WritingPath() const { return temp_.empty() ? target_ : temp_; }

    // Writes at the file's end, or at an offset; false (and the error kept) on a short write.
    bool Write(const void* data, size_t length);
    bool WriteAt(const void* data, size_t length, int64_t offset);

    // Syncs the file, renames it over the target and syncs the folder. False with errno set when
    // any of that fails; the temporary file is removed and the target left as it was.
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Abandon();

    // The first error met (an errno value), 0 when none.
    int ErrorNumber() const { return error_; }

private:
    bool Fail(int error);
    void Release();

    int fd_ = -1;
    int holdFd_ = -1;  // the target, held against other opens while the file is written
    std::string target_;
    std::string temp_;
    int error_ = 0;
};

// Renames `from` over `to` in one step (an existing `to`, matched case-insensitively, is replaced
// whole) and syncs the folder. Fails (errno EACCES) while another open holds either file.
bool ReplaceFile(const std::string& from, const std::string& to);

}  // namespace platform

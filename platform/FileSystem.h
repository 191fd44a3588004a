// Files and folders with share modes, case-insensitive name matching and user paths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// How an open treats every other opener of the same file (in this or another process).
enum class Share {
    DenyNone,       // allows sharing: a shared lock, fails against a denying open
    DenyWrite,      // denies others: an exclusive lock, fails while any other open holds a lock
    DenyRead,
    DenyReadWrite,
};

// Open flags: the POSIX O_* flags (O_RDONLY, O_RDWR, O_CREAT, O_TRUNC, ...).
// Returns a descriptor, or -1 with errno set: ENOENT for a missing file or folder,
// EACCES when another open holds the file against this one, other values as the system gives.
// An existing file is found by a case-insensitive match in its folder when the exact name is
// missing; a created file takes the spelling of an existing case-insensitive match.
int OpenFile(const std::string& path, int flags, Share share, int mode = 0666);
// The same, giving the path the file was looked for by (as ResolveCase spells an existing one).
int OpenFile(const std::string& path, int flags, Share share, int mode, std::string& spelt);

// OpenFile for a path whose spelling the caller has settled (SpellingsInFolder): the path is
// taken as it is, without a case-insensitive look.
int OpenFileAsSpelt(const std::string& path, int flags, Share share, int mode = 0666);

// The paths that files of these names in the folder go by: each one's existing case-insensitive
// match, else the name as given; the folder is read once for all of them.
std::vector<std::string> SpellingsInFolder(const std::string& folder, const std::vector<std::string>& names);

// Closes a descriptor from OpenFile and releases its lock.
int CloseFile(int fd);

// Closes a descriptor from OpenFile and deletes the file, named by the path it was opened by as
// spelt, unless another open holds it: then false with errno EACCES and the file stays.
bool CloseAndDeleteFile(int fd, const std::string& path);

// Positioned reads and writes of a descriptor; return the byte count or -1.
long ReadAt(int fd, void* buf, size_t len, int64_t offset);
long WriteAt(int fd, const void* buf, size_t len, int64_t offset);
int64_t FileSize(int fd);
// Starts writing a written range out to the disk without waiting for it, so that a later sync
// of a large file has less left to wait for. A hint: nothing happens where the system has no
// such call.
void StartWriteBack(int fd, int64_t offset, int64_t len);

// Delete and rename fail (errno EACCES) while another open holds the file.
bool DeleteFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);

// True when the file exists (case-insensitive match included); the resolved path in *actual.
bool FileExists(const std::string& path, std::string* actual = nullptr);
bool IsDirectory(const std::string& path);
bool MakeDirectory(const std::string& path);

// A user-given path: backslashes read as '/'.
std::string NormalizePath(const std::string& path);

// The path of an existing file or folder matched case-insensitively component by component,
// or the path unchanged when nothing matches.
std::string ResolveCase(const std::string& path);

// The folder part of a path without its last component ("" when none), and the last component.
std::string DirName(const std::string& path);
std::string BaseName(const std::string& path);

// Names of the entries of a folder (no "." and ".."), empty when the folder cannot be read.
std::vector<std::string> ListDirectory(const std::string& path);

}  // namespace platform

// Atomic changes to the database files: a transaction keeps every changed block of the record
// and index files in memory; Commit saves the blocks' old bytes and the files' old lengths to
// a rollback journal in the database folder, syncs it, writes the new blocks, syncs the files
// and removes the journal. A journal left behind by an interrupted commit is played back by
// Recover, so the files are exactly as at the last commit.
//
// Outside a transaction every access goes straight to the file. Inside one, reads see the
// transaction's own writes; the files themselves change only at Commit, and the bytes they
// hold after it are those the same writes made directly would have left.
#pragma once

#include <cstdint>
#include <string>

namespace dbtx {

inline constexpr const char* kJournalName = "journal";

// Starts a transaction whose journal goes to `folder`/journal; nothing when one is open.
void Begin(const std::string& folder);
// Makes the transaction's changes durable. A failed write, sync or close undoes them, and is
// reported through the library's fatal path naming the file and the system's reason.
void Commit();
bool Active();
// Ends the transaction dropping its changes (the files stay as at the last commit).
void Abandon();

// A transaction of its own for work done outside one; inside an open transaction it adds
// nothing. Left without Commit (a fatal report thrown through it), its changes are dropped.
class ImplicitTransaction {
public:
    explicit ImplicitTransaction(const std::string& folder);
    ~ImplicitTransaction();
    ImplicitTransaction(const ImplicitTransaction&) = delete;
    ImplicitTransaction& operator=(const ImplicitTransaction&) = delete;
    void Commit();

private:
    bool m_began;
};

// Plays back and removes a journal left in `folder`. Returns false (errno set) when the
// journal exists but cannot be played back; a journal cut short before its end mark is only
// removed, as no file was changed after it.
[[nodiscard]] bool Recover(const std::string& folder);

// Positioned access to a database file by descriptor: through the open transaction, if any.
long ReadAt(int fd, void* buffer, size_t length, int64_t offset);
long WriteAt(int fd, const void* buffer, size_t length, int64_t offset);
int64_t FileSize(int fd);
// Whether commits wait for the disk (on by default). Off only for scratch databases (tests):
// a crash of the machine may then lose or tear the last commits.
void SetSynced(bool on);
bool Synced();
// Pages of the files held in memory at most (unchanged ones are dropped to stay below).
void SetCacheLimit(size_t bytes);
// Frees the held pages of the descriptor's file that the open transaction has not changed: a
// caller done with the file for a while gives their memory to other files' pages.
void DropUnchanged(int fd);
// The same for every file: when none holds a page, the page memory goes back to the allocator.
void DropAllUnchanged();
// A descriptor of the given path was opened / is being closed.
void Opened(int fd, const std::string& path);
void Closing(int fd);
// The pages held of the descriptor's file stay when it closes as the file's last descriptor,
// for its next open (soon after: say a list that draws and then goes on loading). That open
// takes them when the file is provably unchanged (same file, length and change time, a change
// time older than the close), else drops them as usual.
void KeepPagesAtClose(int fd);

// Counters of the system calls made on database files (reads, writes, syncs), for benchmarks.
struct IoCounts {
    uint64_t reads = 0;
    uint64_t writes = 0;
    uint64_t syncs = 0;
};
const IoCounts& Counts();

}  // namespace dbtx

#include "dblib/FileMgr.h"

#include "dblib/Transaction.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// False when the file exists and the permissions keep it from being read and written, or
// when it is missing and its folder may not be written.
bool MayWrite(const std::string& path) {
    std::string actual;
    if (platform::FileExists(path, &actual)) return ::access(actual.c_str(), R_OK | W_OK) == 0;
    const std::string folder = platform::ResolveCase(platform::DirName(path));
    return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
}

constexpr int kOpenTries = 20;            // while another program holds the file
constexpr useconds_t kOpenPause = 100000; // between tries: about two seconds in all

int32_t GetLE(const uint8_t* p, int width) {
    if (width == 2) return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8);
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void PutLE(uint8_t* p, int width, int32_t v) {
    if (width == 2) {
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
    } else {
        std::memcpy(p, &v, 4);
    }
}

}  // namespace

FileMgr::FileMgr(const std::string& path, int recordLength, int diskMode, int openMode,
                 int descriptor)
    : DiskMgr(diskMode),
      m_path(path),
      m_slotLength(recordLength + 2),
      m_recordLength(recordLength) {
    if (recordLength < 4 || m_slotLength > 0xFFFF) IsamFatal("%s", kIsamOutOfSync);
    m_slot.assign(size_t(m_slotLength), 0);
    // A fatal report may leave by an exception (tests): the descriptor must not leak then.
    try {
        if (openMode == kOpenNow) {
            // A file that cannot be opened leaves the object closed; owners test IsOpen().
            (void)Open();
        } else if (openMode == kAdopt) {
            AdoptDescriptor(descriptor);
        }
    } catch (...) {
        Close();
        throw;
    }
}

FileMgr::~FileMgr() { Close(); }

void FileMgr::AdoptDescriptor(int fd) {
    Close();
    m_fd = fd;
    m_ownsFd = false;
    if (fd >= 0 && ReadHeaderField(kSlotLengthField) != m_slotLength) {
        m_fd = -1;
        IsamFatal("%s", kIsamOutOfSync);
    }
}

int FileMgr::Open() {
    m_createdFile = false;
    m_openDenied = false;
    int busy = 0;
    int creates = 0;
    while (m_fd < 0) {
        int fd = DiskMgr::Open(m_path, O_RDWR);
        if (fd >= 0) {
            m_fd = fd;
            m_ownsFd = true;
            break;
        }
        m_openError = errno;
        if ((errno == EACCES || errno == EROFS || errno == EPERM) && !MayWrite(m_path)) {
            m_openDenied = true;
            m_openError = errno == EROFS ? EROFS : EACCES;
            errno = m_openError;
            return -1;
        }
        if (errno == ENOENT && creates++ < 3) {
            if (Create() == 0) {
                m_createdFile = true;
                continue;
            }
            m_openError = errno;
            const bool refused = errno == EACCES || errno == EROFS || errno == EPERM;
            if (refused && MayWrite(m_path) && ++busy < kOpenTries) {
                // Made by another program meanwhile, which holds it: as for a held file.
                usleep(kOpenPause);
                continue;
            }
            m_openDenied = refused && !MayWrite(m_path);
            errno = m_openError;
            return -1;
        } else if (errno == EACCES && ++busy < kOpenTries) {
            usleep(kOpenPause);
        } else {
            errno = m_openError;
            return -1;
        }
    }
    m_openError = 0;
    // Made here, but filled by another program before this one held it: not a new file.
    if (m_createdFile && dbtx::FileSize(m_fd) > kHeaderSize) m_createdFile = false;
    if (dbtx::FileSize(m_fd) == 0) {
        // Cut off right after it was made: the header it was to get.
        uint8_t h[kHeaderSize];
        FreshHeader(h);
        errno = 0;
        if (!IsamFatalPending() && dbtx::WriteAt(m_fd, h, kHeaderSize, 0) != kHeaderSize)
            WriteFailed();
    }
    CheckHeader();
    return 0;
}

void FileMgr::Damaged(const char* what) const {
    IsamFatal("Error: File Damaged (%s): %s", what, m_path.c_str());
}

void FileMgr::WriteBytes(const void* data, int64_t offset, int length) {
    errno = 0;
    if (Write(m_fd, data, offset, length) != length && !IsamFatalPending()) WriteFailed();
}

void FileMgr::WriteFailed() const {
    const int err = errno != 0 ? errno : EIO;
    IsamFatal("Cannot write %s: %s", m_path.c_str(), std::strerror(err));
}

void FileMgr::CheckHeader() {
    uint8_t h[16];
    int64_t size = dbtx::FileSize(m_fd);
    if (size < kHeaderSize || Read(m_fd, h, 0, 16) != 16) Damaged("header");
    if (GetLE(h + kSlotLengthField.offset, 2) != m_slotLength) {
        Close();
        IsamFatal("%s", kIsamOutOfSync);
    }
    int32_t count = GetLE(h + kSlotCountField.offset, 4);
    int32_t head = GetLE(h + kFreeHeadField.offset, 4);
    if (GetLE(h + kHeaderSizeField.offset, 2) != m_headerSize) Damaged("header size");
    if (count < 0 || SlotOffset(count) > size) Damaged("slot count");
    if (head < -1 || head >= count) Damaged("free list");
    m_headerKnown = !Cached() && m_ownsFd;
    m_count = count;
    m_head = head;
}

bool FileMgr::ReadCountAndHead(int32_t& count, int32_t& head) {
    if (m_headerKnown) {
        count = m_count;
        head = m_head;
        return true;
    }
    // Slot count and free-list head are adjacent: one read.
    uint8_t h[8];
    if (Read(m_fd, h, kSlotCountField.offset, 8) != 8) return false;
    count = GetLE(h, 4);
    head = GetLE(h + 4, 4);
    return true;
}

void FileMgr::FreshHeader(uint8_t* h) const {
    std::memset(h, 0, kHeaderSize);
    PutLE(h + kHeaderSizeField.offset, 2, kHeaderSize);
    PutLE(h + kSlotLengthField.offset, 2, m_slotLength);
    PutLE(h + kSlotCountField.offset, 4, 0);
    PutLE(h + kFreeHeadField.offset, 4, -1);
    PutLE(h + kIndexCountField.offset, 2, 0);
}

int FileMgr::Create() {
    int fd = DiskMgr::Open(m_path, O_CREAT | O_TRUNC | O_RDWR, 0666);
    if (fd < 0) return -1;
    uint8_t h[kHeaderSize];
    FreshHeader(h);
    errno = 0;
    const bool written =
        !IsamFatalPending() && platform::WriteAt(fd, h, sizeof h, 0) == long(sizeof h);
    int err = errno != 0 ? errno : EIO;
    const bool closed = DiskMgr::Close(fd) == 0;
    if (written && !closed) err = errno;
    if (!written || !closed) {
        platform::DeleteFile(m_path);
        if (IsamFatalPending()) return -1;
        errno = err;
        WriteFailed();
    }
    return 0;
}

void FileMgr::Close() {
    ClearCurrent();
    m_slotHolds = -1;
    m_headerKnown = false;
    const bool owned = m_fd >= 0 && m_ownsFd;
    const int fd = m_fd;
    m_fd = -1;
    m_ownsFd = true;
    // Closing writes back cached ranges: a failure there is a failed write of this file.
    if (owned && DiskMgr::Close(fd) != 0 && !IsamFatalPending()) WriteFailed();
}

int32_t FileMgr::ReadHeaderField(HeaderField field) {
    uint8_t b[4] = {};
    if (m_fd < 0 || Read(m_fd, b, field.offset, field.width) != field.width) return 0;
    return GetLE(b, field.width);
}

void FileMgr::WriteHeaderField(HeaderField field, int32_t value) {
    uint8_t b[4];
    PutLE(b, field.width, value);
    if (m_fd < 0) return;
    WriteBytes(b, field.offset, field.width);
    if (field.offset == kSlotCountField.offset) m_count = value;
    if (field.offset == kFreeHeadField.offset) m_head = value;
}

int32_t FileMgr::SlotCount() { return ReadHeaderField(kSlotCountField); }
int32_t FileMgr::FreeListHead() { return ReadHeaderField(kFreeHeadField); }

int FileMgr::NewRecord() {
    if (m_fd < 0) return -1;
    std::memset(m_slot.data(), 0, m_slot.size());
    StoreRecord(m_slot.data() + 2);
    int32_t count, head, slot;
    if (!ReadCountAndHead(count, head)) Damaged("header");
    if (head == -1) {
        if (count < 0 || count == INT32_MAX) Damaged("slot count");
        slot = count;
        // The slot first, then the count: an interrupted append leaves the header valid.
        WriteBytes(m_slot.data(), SlotOffset(slot), m_slotLength);
        WriteHeaderField(kSlotCountField, count + 1);
    } else {
        if (head < 0 || head >= count) Damaged("free list");
        uint8_t link[6];
        if (Read(m_fd, link, SlotOffset(head), 6) != 6) Damaged("free list");
        int32_t next = GetLE(link + 2, 4);
        if (GetLE(link, 2) != kSlotDeleted || next < -1 || next >= count || next == head)
            Damaged("free list");
        // The header first: an interrupted reuse leaks the slot instead of sharing it.
        slot = head;
        WriteHeaderField(kFreeHeadField, next);
        WriteBytes(m_slot.data(), SlotOffset(slot), m_slotLength);
    }
    m_current = slot;
    m_pastEnd = false;
    m_slotStatus = kSlotLive;
    m_slotHolds = slot;
    return 0;
}

int FileMgr::WriteRecord() {
    if (m_fd < 0 || m_current < 0) return -1;
    std::memset(m_slot.data(), 0, m_slot.size());
    StoreRecord(m_slot.data() + 2);
    WriteBytes(m_slot.data(), SlotOffset(m_current), m_slotLength);
    m_slotStatus = kSlotLive;
    m_slotHolds = m_current;
    return 0;
}

int FileMgr::FreeRecord() {
    if (m_fd < 0 || m_current < 0) return -1;
    int32_t count, head;
    if (!ReadCountAndHead(count, head)) Damaged("header");
    // Status and link in one write, then the head: an interrupted free leaks the slot.
    uint8_t mark[6];
    PutLE(mark, 2, kSlotDeleted);
    PutLE(mark + 2, 4, head);
    WriteBytes(mark, SlotOffset(m_current), 6);
    WriteHeaderField(kFreeHeadField, m_current);
    if (m_slotHolds == m_current) m_slotHolds = -1;
    ClearCurrent();
    return 0;
}

int FileMgr::ReadSlot(int32_t slot) {
    m_slotHolds = -1;
    if (Read(m_fd, m_slot.data(), SlotOffset(slot), m_slotLength) != m_slotLength) return -1;
    m_slotHolds = slot;
    return GetLE(m_slot.data(), 2);
}

int FileMgr::ReloadCurrent() {
    if (m_fd < 0 || m_current < 0) return -1;
    if (m_slotHolds != m_current && ReadSlot(m_current) < 0) return -1;
    m_slotStatus = GetLE(m_slot.data(), 2);
    if (m_slotStatus != kSlotLive) return -1;
    LoadRecord(m_slot.data() + 2);
    return 0;
}

int FileMgr::NextRecord() {
    if (m_fd < 0 || m_pastEnd) return -1;
    for (int32_t slot = m_current + 1; slot >= 0; ++slot) {
        int status = ReadSlot(slot);
        if (status < 0) break;
        if (status == kSlotDeleted) continue;
        m_current = slot;
        m_slotStatus = status;
        LoadRecord(m_slot.data() + 2);
        return 0;
    }
    m_current = -1;
    m_pastEnd = true;
    return -1;
}

int FileMgr::ReadRecord(int32_t slot) {
    if (m_fd < 0 || slot < 0) return -1;
    int status = ReadSlot(slot);
    if (status < 0) return -1;
    m_current = slot;
    m_pastEnd = false;
    m_slotStatus = status;
    LoadRecord(m_slot.data() + 2);
    return 0;
}

void FileMgr::LoadRecord(const uint8_t*) {}
void FileMgr::StoreRecord(uint8_t*) {}

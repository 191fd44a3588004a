// The 696 image file: a 512-byte header, a directory of 104 entries of 8 bytes, the sections
// one after another from byte 1344, and a 4-byte CRC seal at the end. Sections are appended at
// the file's end through a write buffer; positioned writes (directory, header fields) go to
// the file after the buffer is flushed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

inline constexpr uint32_t kHeaderSize696 = 512;
inline constexpr uint32_t kDirectoryStart696 = 512;
inline constexpr uint32_t kDirectoryEntries696 = 104;
inline constexpr uint32_t kDirectoryMaxEntries696 = 128;
inline constexpr uint32_t kEntrySize696 = 8;
inline constexpr uint32_t kSectionsStart696 = kDirectoryStart696 + kDirectoryEntries696 * kEntrySize696;  // 1344
inline constexpr uint32_t kMaxImageLength696 = 0x1000000;
// Header fields.
inline constexpr uint32_t kCycleOffset696 = 129;
inline constexpr uint32_t kDatesOffset696 = 131;     // valid from, valid to, created
inline constexpr uint32_t kAreaOffset696 = 150;
inline constexpr uint32_t kTitleOffset696 = 159;
inline constexpr uint32_t kLengthOffset696 = 248;

// One directory entry as kept in memory: its position in the directory too.
struct ImageDirectoryEntry {
    uint32_t start = 0;
    uint32_t count = 0;
    uint8_t size = 0;
    uint32_t position = 0;   // 512 + 8n
};

// Directory entry bytes: u32 start, u8 record size, u24 count.
void PackDirectoryEntry(uint8_t out[8], uint32_t start, uint32_t count, uint8_t size);
ImageDirectoryEntry UnpackDirectoryEntry(const uint8_t in[8], uint32_t position);

// The seal's register over bytes: reflected 0xEDB88320, no final inversion.
uint32_t ImageCrc696(uint32_t reg, const uint8_t* data, size_t size);
inline constexpr uint32_t kImageCrcStart696 = 0xFFFFFFFF;
// The register after `reg` has taken `size` zero bytes: with the register of some bytes B from
// 0, ImageCrcShift696(reg, |B|) ^ that is the register of B from reg.
uint32_t ImageCrcShift696(uint32_t reg, uint64_t size);

class ImageFile696 {
public:
    // Works on an open read-write descriptor (not owned); the image starts empty.
    explicit ImageFile696(int fd);
    ~ImageFile696();
    ImageFile696(const ImageFile696&) = delete;
    ImageFile696& operator=(const ImageFile696&) = delete;

    // The image's end: where the next section starts.
    uint32_t End() const { return end_; }
    // Moves the end forward (the bytes between are zero once written over or flushed).
    bool MoveEnd(uint32_t end);

    // Appends at the end (buffered). False on a write error.
    bool Append(const void* data, size_t size);
    // Room for `size` bytes at the end (at most one append buffer), to be filled by the caller
    // at once; null on a write error.
    uint8_t* AppendRoom(size_t size);
    // Writes at an offset (flushes first).
    bool WriteAt(uint32_t offset, const void* data, size_t size);
    bool Flush();
    // Flushes and starts syncing what the file holds so far on a thread of its own, so that the
    // sync that ends the image finds little left to do; a sync still under way is waited for
    // first. False on a write error. The sync only comes early: it reports nothing.
    bool StartEarlySync();
    // Drops what is buffered (the operation was stopped: nothing more is written).
    void Discard() {
        used_ = 0;
        dirtyFirst_ = -1;
    }

    // Zeroes the 832 directory bytes and the in-memory copy.
    bool ZeroDirectory();
    // Entry n: its 8 bytes in the file and its copy in memory. Once the sections have begun
    // (no append can reach the directory any more) the bytes go to the file with the next flush.
    bool SetDirectoryEntry(int n, uint32_t start, uint32_t count, uint8_t size);
    const ImageDirectoryEntry& Entry(int n) const { return entries_[static_cast<size_t>(n)]; }

    // Appends the CRC (little-endian) of the image and adds 4 to the end. Bytes appended and
    // not written over since count by the registers taken as they went to the file; the rest
    // (the header, the directory, what was written at an offset) is read back in chunks.
    bool SealImageCrc();
    const uint8_t* Seal() const { return seal_; }

private:
    // Appended bytes as they went to the file, with their register from 0; stale once written
    // over.
    struct Piece {
        uint32_t start;
        uint32_t size;
        uint32_t reg;
        bool stale;
    };
    bool WriteOut(const uint8_t* data, size_t size, uint32_t start);
    void WrittenOver(uint32_t offset, size_t size);

    int fd_;
    uint32_t end_ = 0;
    std::unique_ptr<uint8_t[]> buffer_;   // appended bytes not yet written, used_ of them
    size_t used_ = 0;
    std::vector<ImageDirectoryEntry> entries_;
    uint8_t directory_[kDirectoryEntries696 * kEntrySize696] = {};   // the entries' bytes as set
    int dirtyFirst_ = -1;   // the entries not yet in the file: first to last, -1 none
    int dirtyLast_ = -1;
    uint8_t seal_[4] = {};
    std::vector<Piece> pieces_;   // in file order
    uint32_t writtenBack_ = 0;    // appended bytes before this sent on to the disk
    std::thread earlySync_;       // on a descriptor of its own, which it closes
};

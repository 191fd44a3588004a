// Room gen/image: the image file format of the generators' unit families and everything that
// reads or writes it: parameter sets, header, part number, sumcheck, packet count, unit table,
// halves and regions, type check, the record, name and ident coders and the index writer.
//
// An image file of one unit family: positioned reads and writes, the 0xFF pre-fill, the
// little-endian field helpers and the file cut. The layout it is built to lives in ImageLayout.
//
// An image being built (Create) goes to its file through a few cached pages of kFlushPage
// bytes: writes and reads work on those, a page is read from the file when first touched and
// written back when another page needs its place, and every changed page reaches the file at
// Flush, at the cut and at Close. The pre-fill is flushed every kFlushPage bytes, so that a full
// disc shows at once. Bytes between the file's end and a later write are 0xFF. The file being
// built is a temporary one beside the target: Commit (or Close) syncs it and renames it over the
// target; an image abandoned, or a process ended before that, leaves an older file of the same
// name as it was. An image opened for reading (Open) is read from the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/ImageLayout.h"
#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"
#include "platform/AtomicFile.h"

class Image {
public:
    // Bytes written per pre-fill call.
    static constexpr uint32_t kPrefillBlock = 128;
    // Unit of the writes from memory to the file.
    static constexpr uint32_t kFlushPage = 0x10000;
    // No image offset lies this far: 24-bit pointers end at 16 MB. A write beyond it is refused.
    static constexpr uint64_t kMaxBuildLength = 0x4000000;

    explicit Image(const ImageParams& params);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    const ImageParams& Params() const { return *params_; }
    ImageLayout& Layout() { return layout_; }
    const ImageLayout& Layout() const { return layout_; }

    // Starts building the file; no other program may open an existing file of that name meanwhile.
    ImageResult Create(const std::string& path);
    // Opens an existing image for reading (sharing allowed).
    ImageResult Open(const std::string& path);
    // Writes what is pending, syncs the file and puts it in the target's place; the image is
    // then open for reading. A failure names the file and the reason; the target is unchanged.
    ImageResult Commit();
    // Drops the image being built; the target stays as it was.
    void Abandon();
    // Closes the file and frees the memory copy. An image being built is committed (a failure
    // there cannot be reported: call Commit where it matters).
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    // The file the bytes go to: while building, the temporary one.
    const std::string& WritingPath() const { return building_ ? out_.WritingPath() : path_; }

    // Writes at an offset; a gap between the file's end and the offset is filled with 0xFF, so
    // that no byte of an image is left as a file hole. Failure is an internal error.
    ImageResult Write(uint64_t offset, const void* data, size_t length);
    // Reads at an offset; returns the bytes read (fewer at the end of the file), -1 on failure.
    long Read(uint64_t offset, void* data, size_t length) const;
    // The file's length, with the bytes not yet flushed.
    uint64_t FileLength() const;
    // Sets the file's length; bytes added read as 0.
    ImageResult SetFileLength(uint64_t length);
    // Writes every byte changed since the last flush to the file.
    ImageResult Flush();

    ImageResult WriteU16(uint64_t offset, uint32_t value);
    // A 24-bit offset: the value must fit 24 bits and not be the absent mark 0x3FFFFF, unless it
    // is that mark itself (`absentAllowed`).
    ImageResult WriteU24(uint64_t offset, uint32_t value, bool absentAllowed = true);
    // Reads return 0 for bytes beyond the end of the file.
    uint32_t ReadU16(uint64_t offset) const;
    uint32_t ReadU24(uint64_t offset) const;

    // Pre-fill: PrefillBlockCount() calls of PrefillBlock(0, 1, ...), each writing 128 bytes of
    // 0xFF; a write that stores nothing is "Initialisation failed - check disc space".
    uint32_t PrefillBlockCount() const;
    ImageResult PrefillBlock(uint32_t index);

    // The family's end-of-file cut behind the image end; the file then holds every byte.
    ImageResult Cut(uint32_t imageEnd);

private:
    // Pages held in memory while building.
    static constexpr size_t kCachedPages = 4;
    struct CachedPage {
        std::vector<uint8_t> bytes;  // kFlushPage bytes
        uint64_t index = 0;
        uint64_t used = 0;  // last touch, for the choice of the page to give up
        bool held = false;
        bool dirty = false;
    };

    // The cached page of an offset below length_ (read from the file, 0xFF beyond it); null when
    // a changed page that had to give up its place could not be written.
    CachedPage* PageAt(uint64_t offset, uint64_t* failedAt) const;
    // Writes a changed page to the file, the gap before it as 0xFF; false on failure, with the
    // offset where writing stopped.
    bool WriteBack(CachedPage& page, uint64_t* failedAt) const;
    // Writes 0xFF from written_ up to `to`.
    bool FillGap(uint64_t to, uint64_t* failedAt) const;
    void DropCache(bool freeMemory);
    ImageResult CannotWrite(uint64_t offset) const;

    const ImageParams* params_;
    ImageLayout layout_;
    int fd_ = -1;
    std::string path_;
    bool building_ = false;
    platform::AtomicFile out_;  // building: the file that takes the target's place
    uint64_t length_ = 0;  // building: the file's length as it is to be
    // Building: the bytes below this are in the file (where no changed page holds newer ones);
    // reads fill the cache, so these change in const calls too.
    mutable uint64_t written_ = 0;
    mutable uint64_t touches_ = 0;
    mutable CachedPage pages_[kCachedPages];
    mutable CachedPage* last_ = nullptr;  // the page touched last: most writes stay inside it
};

// Little-endian helpers for byte buffers.
inline void PutU16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU24(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
}
inline void PutU32(uint8_t* p, uint32_t v) {
    PutU16(p, v);
    PutU16(p + 2, v >> 16);
}
inline uint32_t GetU16(const uint8_t* p) { return p[0] | static_cast<uint32_t>(p[1]) << 8; }
inline uint32_t GetU24(const uint8_t* p) { return GetU16(p) | static_cast<uint32_t>(p[2]) << 16; }
inline uint32_t GetU32(const uint8_t* p) { return GetU16(p) | GetU16(p + 2) << 16; }

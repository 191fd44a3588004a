// Room gen/image: the image file format of the generators' unit families and everything that
// reads or writes it: parameter sets, header, part number, sumcheck, packet count, unit table,
// halves and regions, type check, the record, name and ident coders and the index writer.
//
// An image file of one unit family: positioned reads and writes, the 0xFF pre-fill, the
// little-endian field helpers and the file cut. The layout it is built to lives in ImageLayout.
//
// An image being built (Create) is held whole in memory: writes and reads work on that copy,
// and the bytes changed since the last flush go to the file in pages of kFlushPage bytes: every
// kFlushPage bytes of the pre-fill (so that a full disc shows at once), at the cut, at Flush and
// at Close. The file being built is a temporary one beside the target: Commit (or Close) syncs
// it and renames it over the target; an image abandoned, or a process ended before that, leaves
// an older file of the same name as it was. An image opened for reading (Open) is read
// from the file.
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
    // The memory copy takes `length` bytes; bytes added take `fill` and are marked for the file.
    void Resize(uint64_t length, uint8_t fill);
    void MarkChanged(uint64_t from, uint64_t to);
    ImageResult CannotWrite(uint64_t offset) const;

    const ImageParams* params_;
    ImageLayout layout_;
    int fd_ = -1;
    std::string path_;
    bool building_ = false;
    platform::AtomicFile out_;  // building: the file that takes the target's place
    std::vector<uint8_t> bytes_;    // building: the file's bytes as they are to be
    std::vector<uint8_t> changed_;  // building: per kFlushPage page, 1 when not yet in the file
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

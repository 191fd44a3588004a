#include "gen/Image.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "common/CLocale.h"
#include "platform/FileSystem.h"

Image::Image(const ImageParams& params) : params_(&params), layout_(params) {}

Image::~Image() { Close(); }

ImageResult Image::Create(const std::string& path) {
    Close();
    fd_ = platform::OpenFile(path, O_RDWR | O_CREAT | O_TRUNC, platform::Share::DenyReadWrite);
    if (fd_ < 0) return ImageResult::Data(StringFormatC("Cannot open %s", path.c_str()));
    path_ = path;
    return ImageResult::Ok();
}

ImageResult Image::Open(const std::string& path) {
    Close();
    fd_ = platform::OpenFile(path, O_RDONLY, platform::Share::DenyNone);
    if (fd_ < 0) return ImageResult::Data(StringFormatC("Cannot open %s", path.c_str()));
    path_ = path;
    return ImageResult::Ok();
}

void Image::Close() {
    if (fd_ >= 0) platform::CloseFile(fd_);
    fd_ = -1;
}

ImageResult Image::Write(uint64_t offset, const void* data, size_t length) {
    if (fd_ < 0) return ImageResult::Internal("Program error: image file not open");
    const uint64_t size = FileLength();
    if (offset > size) {
        std::vector<uint8_t> fill(std::min<uint64_t>(offset - size, 65536), 0xFF);
        for (uint64_t at = size; at < offset;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(fill.size(), offset - at));
            if (platform::WriteAt(fd_, fill.data(), n, static_cast<int64_t>(at)) != static_cast<long>(n)) {
                return ImageResult::Internal(StringFormatC("Program error: cannot write image at %llx",
                                                           static_cast<unsigned long long>(at)));
            }
            at += n;
        }
    }
    if (length == 0) return ImageResult::Ok();
    if (platform::WriteAt(fd_, data, length, static_cast<int64_t>(offset)) != static_cast<long>(length)) {
        return ImageResult::Internal(StringFormatC("Program error: cannot write image at %llx",
                                                   static_cast<unsigned long long>(offset)));
    }
    return ImageResult::Ok();
}

long Image::Read(uint64_t offset, void* data, size_t length) const {
    if (fd_ < 0) return -1;
    size_t done = 0;
    auto* out = static_cast<uint8_t*>(data);
    while (done < length) {
        const long n = platform::ReadAt(fd_, out + done, length - done, static_cast<int64_t>(offset + done));
        if (n < 0) return done > 0 ? static_cast<long>(done) : -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<long>(done);
}

uint64_t Image::FileLength() const {
    if (fd_ < 0) return 0;
    const int64_t n = platform::FileSize(fd_);
    return n < 0 ? 0 : static_cast<uint64_t>(n);
}

ImageResult Image::SetFileLength(uint64_t length) {
    if (fd_ < 0 || ::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
        return ImageResult::Internal(StringFormatC("Program error: cannot set image length %llx",
                                                   static_cast<unsigned long long>(length)));
    }
    return ImageResult::Ok();
}

ImageResult Image::WriteU16(uint64_t offset, uint32_t value) {
    uint8_t b[2];
    PutU16(b, value);
    return Write(offset, b, 2);
}

ImageResult Image::WriteU24(uint64_t offset, uint32_t value, bool absentAllowed) {
    if (value > 0xFFFFFF || (value == kAbsent24 && !absentAllowed)) {
        return ImageResult::Data(StringFormatC(
            "Image offset %lx does not fit a 24-bit pointer (limit %x)", static_cast<unsigned long>(value), kAbsent24));
    }
    uint8_t b[3];
    PutU24(b, value);
    return Write(offset, b, 3);
}

uint32_t Image::ReadU16(uint64_t offset) const {
    uint8_t b[2] = {0, 0};
    Read(offset, b, 2);
    return GetU16(b);
}

uint32_t Image::ReadU24(uint64_t offset) const {
    uint8_t b[3] = {0, 0, 0};
    Read(offset, b, 3);
    return GetU24(b);
}

uint32_t Image::PrefillBlockCount() const { return params_->prefillSize / kPrefillBlock; }

ImageResult Image::PrefillBlock(uint32_t index) {
    uint8_t block[kPrefillBlock];
    std::memset(block, 0xFF, sizeof block);
    const long n = fd_ < 0 ? -1 : platform::WriteAt(fd_, block, sizeof block, static_cast<int64_t>(index) * kPrefillBlock);
    if (n != static_cast<long>(kPrefillBlock)) return ImageResult::Internal("Initialisation failed - check disc space");
    return ImageResult::Ok();
}

ImageResult Image::Cut(uint32_t imageEnd) {
    const uint64_t length = FileLength();
    const uint64_t cut = params_->cutLength(*params_, imageEnd, length);
    if (cut == length) return ImageResult::Ok();
    if (cut > length) {
        // The cut lies behind the bytes written: extend with 0xFF, never with a file hole.
        const uint8_t ff = 0xFF;
        return Write(cut - 1, &ff, 1);
    }
    return SetFileLength(cut);
}

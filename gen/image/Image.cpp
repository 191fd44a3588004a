#include "gen/image/Image.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "common/CLocale.h"
#include "platform/FileSystem.h"

namespace {

const char kPrefillFailed[] = "Initialisation failed - check disc space";

size_t PageCount(uint64_t length) { return static_cast<size_t>((length + Image::kFlushPage - 1) / Image::kFlushPage); }

}  // namespace

Image::Image(const ImageParams& params) : params_(&params), layout_(params) {}

Image::~Image() { Close(); }

ImageResult Image::Create(const std::string& path) {
    Close();
    if (!out_.Open(path, platform::AtomicFile::Start::Empty, platform::Share::DenyReadWrite)) {
        return ImageResult::Data(StringFormatC("Cannot open %s", path.c_str()));
    }
    fd_ = out_.Descriptor();
    path_ = path;
    building_ = true;
    bytes_.reserve(params_->prefillSize);
    return ImageResult::Ok();
}

ImageResult Image::Commit() {
    if (fd_ < 0 || !building_) return ImageResult::Internal("Program error: no image being built");
    ImageResult flushed = Flush();
    if (!flushed) {
        Abandon();
        return flushed;
    }
    if (!out_.Commit()) {
        const int error = out_.ErrorNumber() ? out_.ErrorNumber() : errno;
        Abandon();
        return ImageResult::Data(StringFormatC("Cannot write %s: %s", path_.c_str(), std::strerror(error)));
    }
    building_ = false;
    std::vector<uint8_t>().swap(bytes_);
    std::vector<uint8_t>().swap(changed_);
    fd_ = platform::OpenFile(path_, O_RDONLY, platform::Share::DenyNone);
    return ImageResult::Ok();
}

void Image::Abandon() {
    if (!building_) return;
    out_.Abandon();
    fd_ = -1;
    building_ = false;
    std::vector<uint8_t>().swap(bytes_);
    std::vector<uint8_t>().swap(changed_);
}

ImageResult Image::Open(const std::string& path) {
    Close();
    fd_ = platform::OpenFile(path, O_RDONLY, platform::Share::DenyNone);
    if (fd_ < 0) return ImageResult::Data(StringFormatC("Cannot open %s", path.c_str()));
    path_ = path;
    return ImageResult::Ok();
}

void Image::Close() {
    if (building_) Commit();
    Abandon();
    if (fd_ >= 0) platform::CloseFile(fd_);
    fd_ = -1;
    building_ = false;
    std::vector<uint8_t>().swap(bytes_);
    std::vector<uint8_t>().swap(changed_);
}

ImageResult Image::CannotWrite(uint64_t offset) const {
    return ImageResult::Internal(
        StringFormatC("Program error: cannot write image at %llx", static_cast<unsigned long long>(offset)));
}

void Image::MarkChanged(uint64_t from, uint64_t to) {
    if (from >= to) return;
    const size_t last = static_cast<size_t>((to - 1) / kFlushPage);
    for (size_t p = static_cast<size_t>(from / kFlushPage); p <= last; ++p) changed_[p] = 1;
}

void Image::Resize(uint64_t length, uint8_t fill) {
    const uint64_t old = bytes_.size();
    bytes_.resize(static_cast<size_t>(length), fill);
    changed_.resize(PageCount(length), 0);
    MarkChanged(old, length);
}

ImageResult Image::Write(uint64_t offset, const void* data, size_t length) {
    if (fd_ < 0) return ImageResult::Internal("Program error: image file not open");
    if (!building_ || offset > kMaxBuildLength || length > kMaxBuildLength - offset) return CannotWrite(offset);
    const uint64_t end = offset + length;
    if (end > bytes_.size()) {
        try {
            Resize(end, 0xFF);
        } catch (const std::bad_alloc&) {
            return ImageResult::Internal(StringFormatC("Program error: malloc failed to allocate %lu bytes",
                                                       static_cast<unsigned long>(end)));
        }
    }
    if (length == 0) return ImageResult::Ok();
    std::memcpy(bytes_.data() + offset, data, length);
    MarkChanged(offset, end);
    return ImageResult::Ok();
}

ImageResult Image::Flush() {
    if (fd_ < 0 || !building_) return ImageResult::Ok();
    for (size_t p = 0; p < changed_.size();) {
        if (!changed_[p]) {
            ++p;
            continue;
        }
        size_t q = p;
        while (q < changed_.size() && changed_[q]) ++q;
        const uint64_t from = uint64_t{p} * kFlushPage;
        const uint64_t to = std::min<uint64_t>(uint64_t{q} * kFlushPage, bytes_.size());
        const long n = platform::WriteAt(fd_, bytes_.data() + from, static_cast<size_t>(to - from),
                                         static_cast<int64_t>(from));
        if (n != static_cast<long>(to - from)) return CannotWrite(from + static_cast<uint64_t>(std::max(n, 0L)));
        std::fill(changed_.begin() + static_cast<long>(p), changed_.begin() + static_cast<long>(q), 0);
        p = q;
    }
    return ImageResult::Ok();
}

long Image::Read(uint64_t offset, void* data, size_t length) const {
    if (fd_ < 0) return -1;
    if (building_) {
        if (offset >= bytes_.size()) return 0;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(length, bytes_.size() - offset));
        std::memcpy(data, bytes_.data() + offset, n);
        return static_cast<long>(n);
    }
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
    if (building_) return bytes_.size();
    const int64_t n = platform::FileSize(fd_);
    return n < 0 ? 0 : static_cast<uint64_t>(n);
}

ImageResult Image::SetFileLength(uint64_t length) {
    const bool fits = !building_ || length <= kMaxBuildLength;
    if (fd_ < 0 || !fits || ::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
        return ImageResult::Internal(StringFormatC("Program error: cannot set image length %llx",
                                                   static_cast<unsigned long long>(length)));
    }
    // The file now ends at `length` too: bytes it gained are zeros there as here.
    if (building_) Resize(length, 0);
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
    const uint64_t end = (uint64_t{index} + 1) * kPrefillBlock;
    if (!Write(end - kPrefillBlock, block, sizeof block)) return ImageResult::Internal(kPrefillFailed);
    // The pre-fill reaches the file page by page, so that a full disc stops it here.
    if (end % kFlushPage == 0 || index + 1 >= PrefillBlockCount()) {
        if (!Flush()) return ImageResult::Internal(kPrefillFailed);
    }
    return ImageResult::Ok();
}

ImageResult Image::Cut(uint32_t imageEnd) {
    const uint64_t length = FileLength();
    const uint64_t cut = params_->cutLength(*params_, imageEnd, length);
    if (cut > length) {
        // The cut lies behind the bytes written: extend with 0xFF, never with a file hole.
        const uint8_t ff = 0xFF;
        if (ImageResult r = Write(cut - 1, &ff, 1); !r) return r;
    } else if (cut < length) {
        if (ImageResult r = SetFileLength(cut); !r) return r;
    }
    return Flush();
}

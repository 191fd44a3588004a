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

// 0xFF for the gaps of the file: the bytes between its end and a later write.
const uint8_t* FillBytes() {
    static const std::vector<uint8_t> ff(Image::kFlushPage, 0xFF);
    return ff.data();
}

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
    length_ = 0;
    written_ = 0;
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
    DropCache(true);
    fd_ = platform::OpenFile(path_, O_RDONLY, platform::Share::DenyNone);
    return ImageResult::Ok();
}

void Image::Abandon() {
    if (!building_) return;
    out_.Abandon();
    fd_ = -1;
    building_ = false;
    DropCache(true);
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
    DropCache(true);
}

ImageResult Image::CannotWrite(uint64_t offset) const {
    return ImageResult::Internal(
        StringFormatC("Program error: cannot write image at %llx", static_cast<unsigned long long>(offset)));
}

void Image::DropCache(bool freeMemory) {
    last_ = nullptr;
    for (CachedPage& page : pages_) {
        page.held = false;
        page.dirty = false;
        if (freeMemory) std::vector<uint8_t>().swap(page.bytes);
    }
}

bool Image::FillGap(uint64_t to, uint64_t* failedAt) const {
    while (written_ < to) {
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(to - written_, kFlushPage));
        const long n = platform::WriteAt(fd_, FillBytes(), piece, static_cast<int64_t>(written_));
        if (n != static_cast<long>(piece)) {
            *failedAt = written_ + static_cast<uint64_t>(std::max(n, 0L));
            return false;
        }
        written_ += piece;
    }
    return true;
}

bool Image::WriteBack(CachedPage& page, uint64_t* failedAt) const {
    const uint64_t from = page.index * kFlushPage;
    const uint64_t to = std::min<uint64_t>(from + kFlushPage, length_);
    if (!FillGap(from, failedAt)) return false;
    if (from < to) {
        const long n = platform::WriteAt(fd_, page.bytes.data(), static_cast<size_t>(to - from), static_cast<int64_t>(from));
        if (n != static_cast<long>(to - from)) {
            *failedAt = from + static_cast<uint64_t>(std::max(n, 0L));
            return false;
        }
        written_ = std::max(written_, to);
    }
    page.dirty = false;
    return true;
}

Image::CachedPage* Image::PageAt(uint64_t offset, uint64_t* failedAt) const {
    const uint64_t index = offset / kFlushPage;
    CachedPage* choice = &pages_[0];
    for (CachedPage& page : pages_) {
        if (page.held && page.index == index) {
            page.used = ++touches_;
            last_ = &page;
            return &page;
        }
        // A free place, else the page touched longest ago.
        if (choice->held && (!page.held || page.used < choice->used)) choice = &page;
    }
    if (choice->held && choice->dirty) {
        if (!WriteBack(*choice, failedAt)) return nullptr;
        // A page given up is mostly final: its way to the disk starts now, not at the sync.
        platform::StartWriteBack(fd_, static_cast<int64_t>(choice->index * kFlushPage), kFlushPage);
    }
    choice->held = false;
    choice->bytes.resize(kFlushPage);
    const uint64_t from = index * kFlushPage;
    size_t have = 0;
    if (from < written_) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(written_ - from, kFlushPage));
        while (have < want) {
            const long n = platform::ReadAt(fd_, choice->bytes.data() + have, want - have, static_cast<int64_t>(from + have));
            if (n <= 0) break;
            have += static_cast<size_t>(n);
        }
    }
    std::memset(choice->bytes.data() + have, 0xFF, kFlushPage - have);
    choice->index = index;
    choice->held = true;
    choice->dirty = false;
    choice->used = ++touches_;
    last_ = choice;
    return choice;
}

ImageResult Image::Write(uint64_t offset, const void* data, size_t length) {
    if (fd_ < 0) return ImageResult::Internal("Program error: image file not open");
    if (!building_ || offset > kMaxBuildLength || length > kMaxBuildLength - offset) return CannotWrite(offset);
    const auto* in = static_cast<const uint8_t*>(data);
    const uint64_t end = offset + length;
    // Within the page touched last: no search of the cache.
    const size_t first = static_cast<size_t>(offset % kFlushPage);
    if (CachedPage* page = last_;
        page && page->held && page->index == offset / kFlushPage && length > 0 && first + length <= kFlushPage) {
        std::memcpy(page->bytes.data() + first, in, length);
        page->dirty = true;
        page->used = ++touches_;
        length_ = std::max(length_, end);
        return ImageResult::Ok();
    }
    for (uint64_t at = offset; at < end;) {
        uint64_t failedAt = at;
        CachedPage* page = nullptr;
        try {
            page = PageAt(at, &failedAt);
        } catch (const std::bad_alloc&) {
            return ImageResult::Internal(StringFormatC("Program error: malloc failed to allocate %lu bytes",
                                                       static_cast<unsigned long>(kFlushPage)));
        }
        if (!page) return CannotWrite(failedAt);
        const size_t inPage = static_cast<size_t>(at % kFlushPage);
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(end - at, kFlushPage - inPage));
        std::memcpy(page->bytes.data() + inPage, in + (at - offset), piece);
        page->dirty = true;
        at += piece;
        // The file grows with the write: a page given up later is written up to here.
        length_ = std::max(length_, at);
    }
    return ImageResult::Ok();
}

ImageResult Image::Flush() {
    if (fd_ < 0 || !building_) return ImageResult::Ok();
    // In file order, each page's gap filled before it.
    for (;;) {
        CachedPage* next = nullptr;
        for (CachedPage& page : pages_) {
            if (page.held && page.dirty && (!next || page.index < next->index)) next = &page;
        }
        if (!next) break;
        uint64_t failedAt = 0;
        if (!WriteBack(*next, &failedAt)) return CannotWrite(failedAt);
    }
    uint64_t failedAt = 0;
    if (!FillGap(length_, &failedAt)) return CannotWrite(failedAt);
    return ImageResult::Ok();
}

long Image::Read(uint64_t offset, void* data, size_t length) const {
    if (fd_ < 0) return -1;
    size_t done = 0;
    auto* out = static_cast<uint8_t*>(data);
    if (building_) {
        const uint64_t end = offset + std::min<uint64_t>(length, length_ > offset ? length_ - offset : 0);
        for (uint64_t at = offset; at < end;) {
            uint64_t failedAt = 0;
            const CachedPage* page = nullptr;
            try {
                page = PageAt(at, &failedAt);
            } catch (const std::bad_alloc&) {
            }
            if (!page) return done > 0 ? static_cast<long>(done) : -1;
            const size_t inPage = static_cast<size_t>(at % kFlushPage);
            const size_t piece = static_cast<size_t>(std::min<uint64_t>(end - at, kFlushPage - inPage));
            std::memcpy(out + done, page->bytes.data() + inPage, piece);
            done += piece;
            at += piece;
        }
        return static_cast<long>(done);
    }
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
    if (building_) return length_;
    const int64_t n = platform::FileSize(fd_);
    return n < 0 ? 0 : static_cast<uint64_t>(n);
}

ImageResult Image::SetFileLength(uint64_t length) {
    const bool fits = !building_ || length <= kMaxBuildLength;
    const ImageResult failed = ImageResult::Internal(
        StringFormatC("Program error: cannot set image length %llx", static_cast<unsigned long long>(length)));
    if (fd_ < 0 || !fits) return failed;
    if (building_) {
        // Everything pending goes to the file first; bytes the file gains are zeros.
        if (!Flush()) return failed;
        DropCache(false);
    }
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) return failed;
    if (building_) {
        length_ = length;
        written_ = length;
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

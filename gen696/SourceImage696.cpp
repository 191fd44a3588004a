#include "gen696/SourceImage696.h"

#include <algorithm>

#include "common/CLocale.h"
#include "gen696/PointSections696.h"
#include "gen696/SectionFile696.h"
#include "platform/FileSystem.h"

namespace {

constexpr uint32_t kLoadSize = 1536;
constexpr size_t kCheckChunk = 1 << 20;
constexpr int kSectionStatic = 1;
constexpr int kSectionSuaShapes = 41;
constexpr uint32_t kStaticValues = 32;

bool ReadAll(int fd, uint8_t* buf, size_t size, uint64_t offset) {
    while (size > 0) {
        const long n = platform::ReadAt(fd, buf, size, static_cast<int64_t>(offset));
        if (n <= 0) return false;
        buf += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

}  // namespace

bool SourceImage696::Load(int fd, const std::string& name, std::string* error) {
    fd_ = fd;
    const int64_t size = fd >= 0 ? platform::FileSize(fd) : -1;
    if (size < 0) {
        *error = StringFormatC("Cannot open %s", name.c_str());
        return false;
    }
    fileSize_ = static_cast<uint64_t>(size);
    const std::string refused = name + " is not a usable 696 image: ";
    if (fileSize_ < kSectionsStart696 + 4) {
        *error = refused + "the file is too short for its header and directory";
        return false;
    }
    if (fileSize_ > kMaxImageLength696 + 4) {
        *error = refused + "the file is longer than an image can be";
        return false;
    }
    header_.assign(std::min<uint64_t>(kLoadSize, fileSize_), 0);
    if (!ReadAll(fd, header_.data(), header_.size(), 0)) {
        *error = StringFormatC("Cannot read %s", name.c_str());
        return false;
    }
    const ImageDirectoryEntry first = UnpackDirectoryEntry(&header_[kDirectoryStart696], kDirectoryStart696);
    if (first.start != kDirectoryStart696 || first.size != kEntrySize696 || first.count < 1 ||
        first.count > kDirectoryMaxEntries696) {
        *error = refused + "its directory entry 0 is damaged";
        return false;
    }
    directory_.clear();
    std::vector<uint8_t> entries(first.count * kEntrySize696);
    if (!ReadAll(fd, entries.data(), entries.size(), kDirectoryStart696)) {
        *error = refused + "its directory is cut short";
        return false;
    }
    for (uint32_t n = 0; n < first.count; ++n) {
        directory_.push_back(UnpackDirectoryEntry(&entries[n * kEntrySize696], kDirectoryStart696 + kEntrySize696 * n));
    }
    end_ = 0;
    uint32_t highest = 0;
    for (uint32_t n = 1; n < directory_.size(); ++n) {
        const ImageDirectoryEntry& e = directory_[n];
        const uint64_t last = static_cast<uint64_t>(e.start) + static_cast<uint64_t>(e.count) * e.size;
        if (e.start > fileSize_ || last > fileSize_) {
            *error = refused + StringFormatC("section %u lies beyond the end of the file", n);
            return false;
        }
        if (e.start >= highest) {
            highest = e.start;
            end_ = std::max(end_, static_cast<uint32_t>(last));
        }
    }
    const uint32_t lengthWord = header_[kLengthOffset696] | (header_[kLengthOffset696 + 1] << 8) |
                                (header_[kLengthOffset696 + 2] << 16) |
                                (static_cast<uint32_t>(header_[kLengthOffset696 + 3]) << 24);
    if (lengthWord != fileSize_) {
        *error = refused + StringFormatC("its length word says %u bytes, the file has %llu", lengthWord,
                                         static_cast<unsigned long long>(fileSize_));
        return false;
    }
    // Over the sealed file the register ends at 0.
    std::vector<uint8_t> chunk(kCheckChunk);
    uint32_t reg = kImageCrcStart696;
    for (uint64_t at = 0; at < fileSize_;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(chunk.size(), fileSize_ - at));
        if (!ReadAll(fd, chunk.data(), want, at)) {
            *error = StringFormatC("Cannot read %s", name.c_str());
            return false;
        }
        reg = ImageCrc696(reg, chunk.data(), want);
        at += want;
    }
    if (reg != 0) {
        *error = refused + "its CRC seal does not match its contents";
        return false;
    }
    if (directory_.size() > kSectionSuaShapes && directory_[kSectionSuaShapes].start >= 3) {
        directory_[kSectionSuaShapes].start -= 3;
    }
    staticValues_.clear();
    if (directory_.size() > kSectionStatic) {
        const ImageDirectoryEntry& e = directory_[kSectionStatic];
        const uint32_t bytes = std::min<uint32_t>(e.count * e.size, kStaticValues * 2);
        std::vector<uint8_t> data(bytes);
        if (e.start != 0 && bytes > 0 && ReadAll(fd, data.data(), bytes, e.start)) {
            for (uint32_t i = 0; i + 1 < bytes; i += 2) staticValues_.push_back(data[i] | (data[i + 1] << 8));
        }
    }
    return true;
}

std::vector<std::string> SourceImage696::SectionMapLines() const {
    auto start = [this](int n) -> unsigned long {
        return n < static_cast<int>(directory_.size()) ? directory_[static_cast<size_t>(n)].start : 0;
    };
    auto count = [this](int n) -> unsigned {
        return n < static_cast<int>(directory_.size()) ? directory_[static_cast<size_t>(n)].count : 0;
    };
    auto end = [this](int n) -> unsigned long {
        return n < static_cast<int>(directory_.size()) ? SectionEnd696(directory_, n) : 0;
    };
    std::vector<std::string> lines;
    lines.push_back("Figures following '=' are hex addresses, and following '/' are decimal counts");
    for (const PointSections696& t : kPointSections696) {
        lines.push_back(StringFormatC("%s:X1=%lx, X4=%lx/%u, X3=%lx/%u, RECS=%lx/%u, X2=%lx/%u, X5=%lx/%u", t.name,
                                      start(t.x1), start(t.x4), count(t.x4), start(t.x3), count(t.x3), start(t.recs),
                                      count(t.recs), start(t.x2), count(t.x2), start(t.x5), count(t.x5)));
    }
    const unsigned long countries = (end(2) - start(2)) / 9;
    lines.push_back(StringFormatC("CNT:RECS=%lx/%ld", start(2), static_cast<long>(countries)));
    lines.push_back(StringFormatC("APID:RECS=%lx/%d, VLR:ST=%lx, ND=%lx", start(11), static_cast<int>(count(11)),
                                  start(10), end(10)));
    lines.push_back(StringFormatC("FSS:ST=%lx, RECS=%lx/%ld, FREQ_ST=%lx", start(30), start(29),
                                  static_cast<long>(count(29)), start(30)));
    lines.push_back(StringFormatC("TCC:ST=%lx, RECS=%lx/%ld, FREQS=%lx/%ld, STNS=%lx/%ld", start(36), start(33),
                                  static_cast<long>(count(33)), start(36), static_cast<long>(count(36)), start(35),
                                  static_cast<long>(count(35))));
    lines.push_back(StringFormatC("SUA:ST=%lx, ND=%lx, X1=%lx, A=%lx/%d, B=%lx/%d, INF:ST=%lx, ND=%lx, X2=%x/%d, X5=%x/%d",
                                  start(41), end(40), 808ul, start(39), static_cast<int>(count(39)), start(40),
                                  static_cast<int>(count(40)), start(41), end(41), static_cast<unsigned>(start(38)),
                                  static_cast<int>(count(38)), static_cast<unsigned>(start(37)),
                                  static_cast<int>(count(37))));
    lines.push_back(StringFormatC("AWY:RECS=%x/%d, WPTS=%x/%d, X2=%x/%d, X5=%x/%d", static_cast<unsigned>(start(45)),
                                  static_cast<int>(count(45)), static_cast<unsigned>(start(46)),
                                  static_cast<int>(count(46)), static_cast<unsigned>(start(74)),
                                  static_cast<int>(count(74)), static_cast<unsigned>(start(73)),
                                  static_cast<int>(count(73))));
    return lines;
}

#include "gen/createimage/CreateImageAirspace.h"

#include <fcntl.h>

#include <algorithm>
#include <cstring>

#include "gen/image/Image.h"
#include "platform/FileSystem.h"

namespace {

constexpr uint32_t kSuaRecordNumber = 2;
constexpr uint32_t kSuaGridCell = 20;
constexpr uint32_t kMaxRecordSize = 32;

int HexValue(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// `count` hexadecimal values separated by '|', after the tag when there is one, closed by '<'.
bool ParseHexLine(const uint8_t* text, size_t n, const char* tag, uint32_t* values, int count, uint32_t* lineLength) {
    size_t at = 0;
    if (tag) {
        const size_t t = std::strlen(tag);
        if (n < t || std::memcmp(text, tag, t) != 0) return false;
        at = t;
    }
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (at >= n || text[at] != '|') return false;
            ++at;
        }
        uint64_t value = 0;
        size_t digits = 0;
        for (int h; at < n && (h = HexValue(text[at])) >= 0; ++at, ++digits) {
            value = value * 16 + static_cast<uint64_t>(h);
            if (value > 0xFFFFFFFFu) return false;
        }
        if (digits == 0) return false;
        values[i] = static_cast<uint32_t>(value);
    }
    if (at >= n || text[at] != '<') return false;
    *lineLength = static_cast<uint32_t>(at + 1);
    return true;
}

void AddPiece(std::vector<AirspacePiece>& pieces, uint64_t offset, uint64_t length,
              const AirspaceRecordLayout* layout = nullptr, uint32_t offsetBase = 0) {
    if (length == 0) return;
    pieces.push_back({static_cast<uint32_t>(offset), static_cast<uint32_t>(length), layout, offsetBase});
}

const AirspaceLayouts kLayouts496 = {&kFssRecord496, &kTccRecord496, &kSuaRecordA496, &kSuaRecordB496};
const AirspaceLayouts kLayouts18 = {&kFssRecord18, &kTccRecord18, &kSuaRecordA18, &kSuaRecordB18};

bool Tagged(const ImageParams& params) { return params.nameOffsetBits == 20; }

}  // namespace

// The 18-bit records keep the high name bits in the byte that the 20-bit records use for
// other fields: FSS byte 8 bits 0-1, TCC byte 17 bits 6-7, SUA byte 17 bits 6-7 and 4-5.
const AirspaceRecordLayout kFssRecord18 = {"FSS", 9, 1, {{6, 70, 67}, {0, 0, 0}}, -1, 0, -1};
const AirspaceRecordLayout kTccRecord18 = {"TCC", 18, 1, {{10, 136, 104}, {0, 0, 0}}, 14, 24, -1};
const AirspaceRecordLayout kSuaRecordA18 = {"SUA", 24, 2, {{18, 136, 40}, {20, 138, 88}}, 14, 21, 22};
const AirspaceRecordLayout kSuaRecordB18 = {"SUA", 22, 2, {{18, 136, 40}, {20, 138, 88}}, 14, 21, -1};

const AirspaceLayouts& AirspaceLayoutsOf(const ImageParams& params) {
    return Tagged(params) ? kLayouts496 : kLayouts18;
}

bool ParseTccHeaderLine(const uint8_t* text, size_t n, bool tagged, TccSectionHeader* out, uint32_t* lineLength) {
    return ParseHexLine(text, n, tagged ? "TCC_02|" : nullptr, out->v, 8, lineLength);
}

bool ParseSuaHeaderLine(const uint8_t* text, size_t n, bool tagged, SuaSectionHeader* out, uint32_t* lineLength) {
    return ParseHexLine(text, n, tagged ? "SUA_02|" : nullptr, out->v, 11, lineLength);
}

std::vector<AirspacePiece> TccPieces(const ImageParams& params, const TccSectionHeader& h) {
    const uint32_t* v = h.v;
    for (int i = 1; i < 8; ++i) {
        const uint32_t next = i < 7 ? v[i + 1] : v[0];
        if (v[i] > next) return {};
    }
    const AirspaceLayouts& layouts = AirspaceLayoutsOf(params);
    if ((v[2] - v[1]) % layouts.fss->size != 0 || (v[6] - v[5]) % layouts.tcc->size != 0) return {};
    std::vector<AirspacePiece> pieces;
    AddPiece(pieces, 0, v[1]);
    AddPiece(pieces, v[1], v[2] - v[1], layouts.fss);
    AddPiece(pieces, v[2], v[5] - v[2]);
    AddPiece(pieces, v[5], v[6] - v[5], layouts.tcc, v[4]);
    AddPiece(pieces, v[6], v[0] - v[6]);
    return pieces;
}

std::vector<AirspacePiece> SuaPieces(const ImageParams& params, const SuaSectionHeader& h) {
    using H = SuaSectionHeader;
    const AirspaceLayouts& layouts = AirspaceLayoutsOf(params);
    const uint64_t a = uint64_t{h.v[H::C2]} * layouts.suaA->size;
    const uint64_t b = uint64_t{h.v[H::C3]} * layouts.suaB->size;
    const uint64_t numbers = uint64_t{h.v[H::C1]} * kSuaRecordNumber;
    const uint64_t cells = uint64_t{h.v[H::C0]} * kSuaGridCell;
    // Table m from the start, then tables a, b, the record numbers and the grid cells.
    const bool inOrder = h.v[H::S] == 0 && h.v[H::E] >= h.v[H::S] && h.v[H::O2] == h.v[H::E] &&
                         h.v[H::O3] == h.v[H::O2] + a && h.v[H::O1] == h.v[H::O3] + b &&
                         h.v[H::O0] == h.v[H::O1] + numbers && h.v[H::L] == h.v[H::O0] + cells;
    if (!inOrder) return {};
    std::vector<AirspacePiece> pieces;
    AddPiece(pieces, 0, h.v[H::E]);
    AddPiece(pieces, h.v[H::O2], a, layouts.suaA, h.v[H::S]);
    AddPiece(pieces, h.v[H::O3], b, layouts.suaB, h.v[H::S]);
    AddPiece(pieces, h.v[H::O1], numbers + cells);
    return pieces;
}

ImageResult AirspaceSource::Open(const std::string& path, const ImageParams& params) {
    Close();
    params_ = &params;
    const int fd = platform::OpenFile(path, O_RDONLY, platform::Share::DenyNone);
    if (fd < 0) return ImageResult::Ok();
    const ImageResult corrupt = ImageResult::Data(kind_ == AirspaceKind::Tcc ? kTccCorruptText : kSuaCorruptText);
    uint8_t head[kAirspaceHeaderRead];
    const long got = platform::ReadAt(fd, head, sizeof head, 0);
    const size_t minimum = kind_ == AirspaceKind::Tcc ? kTccHeaderMinimum : kSuaHeaderMinimum;
    bool ok = got >= static_cast<long>(minimum);
    uint32_t lineLength = 0;
    if (ok && kind_ == AirspaceKind::Tcc) {
        ok = ParseTccHeaderLine(head, static_cast<size_t>(got), Tagged(params), &tcc_, &lineLength);
        if (ok) {
            bodyLength_ = tcc_.v[0];
            pieces_ = TccPieces(params, tcc_);
        }
    } else if (ok) {
        ok = ParseSuaHeaderLine(head, static_cast<size_t>(got), Tagged(params), &sua_, &lineLength);
        if (ok) {
            bodyLength_ = sua_.v[SuaSectionHeader::L];
            pieces_ = SuaPieces(params, sua_);
        }
    }
    // The tables must follow one another in the body, and the file must hold the whole body.
    ok = ok && (bodyLength_ == 0 || !pieces_.empty()) &&
         platform::FileSize(fd) >= static_cast<int64_t>(lineLength) + bodyLength_;
    if (!ok) {
        platform::CloseFile(fd);
        pieces_.clear();
        return corrupt;
    }
    fd_ = fd;
    headerLength_ = lineLength;
    recordPiece_ = copyPiece_ = 0;
    recordAt_ = copyAt_ = 0;
    return ImageResult::Ok();
}

void AirspaceSource::Close() {
    if (fd_ >= 0) platform::CloseFile(fd_);
    fd_ = -1;
}

ImageResult AirspaceSource::ReadBody(uint32_t offset, uint8_t* buf, uint32_t length) const {
    if (platform::ReadAt(fd_, buf, length, int64_t{headerLength_} + offset) != static_cast<long>(length)) {
        return ImageResult::Data(kind_ == AirspaceKind::Tcc ? kTccCorruptText : kSuaCorruptText);
    }
    return ImageResult::Ok();
}

ImageResult AirspaceSource::NextRecord(uint8_t* buf, const AirspaceRecordLayout** layout, bool* found) {
    *found = false;
    for (; recordPiece_ < pieces_.size(); ++recordPiece_, recordAt_ = 0) {
        const AirspacePiece& p = pieces_[recordPiece_];
        if (!p.layout || recordAt_ >= p.length) continue;
        if (ImageResult r = ReadBody(p.offset + recordAt_, buf, p.layout->size); !r) return r;
        recordAt_ += p.layout->size;
        *layout = p.layout;
        *found = true;
        return ImageResult::Ok();
    }
    return ImageResult::Ok();
}

ImageResult AirspaceSource::CopyStep(Image& image, uint32_t position, const NameMap& names,
                                     const SerialMap& airports, bool* done) {
    *done = copyPiece_ >= pieces_.size();
    if (*done) return ImageResult::Ok();
    const AirspacePiece& p = pieces_[copyPiece_];
    uint8_t buf[std::max(kAirspaceCopyPiece, kMaxRecordSize)];
    const uint32_t length = p.layout ? p.layout->size : std::min(kAirspaceCopyPiece, p.length - copyAt_);
    if (ImageResult r = ReadBody(p.offset + copyAt_, buf, length); !r) return r;
    if (p.layout) {
        if (ImageResult r = RelocateAirspaceRecord(*params_, *p.layout, buf, names, position + p.offsetBase, airports);
            !r) {
            return r;
        }
    }
    if (ImageResult r = image.Write(uint64_t{position} + p.offset + copyAt_, buf, length); !r) return r;
    copyAt_ += length;
    if (copyAt_ >= p.length) {
        ++copyPiece_;
        copyAt_ = 0;
    }
    *done = copyPiece_ >= pieces_.size();
    return ImageResult::Ok();
}

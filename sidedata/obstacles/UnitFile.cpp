#include "sidedata/obstacles/UnitFile.h"

#include <algorithm>
#include <cstring>

namespace obstacles {

std::string Bytes::Text(size_t at, size_t maxLength) const {
    if (at >= data_.size()) return {};
    size_t n = std::min(maxLength, data_.size() - at);
    const void* nul = std::memchr(data_.data() + at, 0, n);
    if (nul) n = static_cast<size_t>(static_cast<const uint8_t*>(nul) - (data_.data() + at));
    return std::string(reinterpret_cast<const char*>(data_.data() + at), n);
}

std::string Bytes::Raw(size_t at, size_t length) const {
    if (at >= data_.size()) return {};
    length = std::min(length, data_.size() - at);
    return std::string(reinterpret_cast<const char*>(data_.data() + at), length);
}

Bytes Bytes::Sub(size_t offset, size_t length) const {
    if (offset > data_.size()) return Bytes();
    return Bytes(data_.subspan(offset, std::min(length, data_.size() - offset)));
}

std::string CleanText(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return text;
}

DataSection FindDataSection(std::span<const uint8_t> file) {
    Bytes bytes(file);
    DataSection none;
    size_t head = std::min(file.size(), kSignatureSearch);
    for (size_t s = 0; s < head; ++s) {
        if (!bytes.Has(s, sizeof kSignature) || std::memcmp(file.data() + s, kSignature, sizeof kSignature) != 0) {
            continue;
        }
        uint32_t strings = bytes.U32(s + 6);
        if (!bytes.ok()) return none;
        size_t at = s + 24;
        for (uint32_t i = 0; i < strings; ++i) {
            while (at < kHeaderStringLimit && at < file.size() && file[at] != 0) ++at;
            ++at;  // the NUL
            if (at >= kHeaderStringLimit) return none;
        }
        if (at >= kHeaderStringLimit) return none;
        for (;;) {
            if (!bytes.Has(at, kSectionHeaderSize)) return none;
            uint16_t type = bytes.U16(at + 5);
            uint32_t length = bytes.U32(at + 11);
            if (type == 0) return none;
            size_t data = at + kSectionHeaderSize;
            if (type == 12 || type == 50) {
                if (length > file.size() - data) return none;  // the chain leaves the file
                at = data + length;
                continue;
            }
            DataSection found;
            found.kind = type;
            found.offset = data;
            found.length = std::min<size_t>(length, file.size() - data);
            return found;
        }
    }
    if (bytes.Has(0, 6) && bytes.U32(0) == 0 && bytes.U16(4) == 10) return {kKindObstacles, 0, file.size()};
    return none;
}

int ClassifyDataSection(std::span<const uint8_t> file, const DataSection& section) {
    if (section.kind != kKindObstacles && section.kind != kKindFixedObstacles &&
        section.kind != kKindObstacleSection) {
        return section.kind;
    }
    Bytes data = Bytes(file).Sub(section.offset, std::min<size_t>(section.length, 256));
    if (data.U32(0) == 0 && data.U16(4) == 10 && data.U32(6) == 28 && data.ok()) return kKindObstacles;
    if (data.Raw(kFixedPartNumberAt, 9) == kFixedPartNumber) return kKindFixedObstacles;
    return kKindNone;
}

}  // namespace obstacles

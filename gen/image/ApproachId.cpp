#include "gen/image/ApproachId.h"

#include <algorithm>
#include <cstring>

#include "common/Bits.h"
#include "common/CLocale.h"

namespace {

std::string Text(const std::string& id) { return id.substr(0, std::min(id.size(), std::strlen(id.c_str()))); }

unsigned char SortByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') ? static_cast<unsigned char>(u + 0x40) : u;
}

}  // namespace

void PackApproachId(uint8_t out[4], const std::string& id) {
    const std::string text = Text(id);
    std::memset(out, 0, 4);
    uint8_t bits[4] = {};
    uint32_t at = 0;
    for (size_t i = 0; i < kApproachIdLength; ++i) {
        const uint32_t c = i < text.size() ? static_cast<unsigned char>(text[i]) & 0x7F : 0;
        const uint32_t code = c <= 0x20 ? 0 : c < 'A' ? c - 16 : c - 0x40;
        at = PutBits(at, 6, bits, code);
    }
    for (int i = 0; i < 4; ++i) out[i] = bits[3 - i];
}

int CompareApids(const std::string& a, const std::string& b) {
    // The texts up to their first NUL, compared in place.
    const size_t nx = strnlen(a.c_str(), a.size());
    const size_t ny = strnlen(b.c_str(), b.size());
    const size_t n = std::min(nx, ny);
    for (size_t i = 0; i < n; ++i) {
        const unsigned char p = SortByte(a[i]);
        const unsigned char q = SortByte(b[i]);
        if (p != q) return p < q ? -1 : 1;
    }
    return nx == ny ? 0 : (nx < ny ? -1 : 1);
}

void ApproachIdTable::Insert(const std::string& id) {
    const std::string text = Text(id);
    auto it = std::lower_bound(ids_.begin(), ids_.end(), text,
                               [](const std::string& e, const std::string& v) { return CompareApids(e, v) < 0; });
    if (it != ids_.end() && CompareApids(*it, text) == 0) return;
    ids_.insert(it, text);
}

ImageResult ApproachIdTable::Index(const std::string& id, uint32_t* index) const {
    const std::string text = Text(id);
    auto it = std::lower_bound(ids_.begin(), ids_.end(), text,
                               [](const std::string& e, const std::string& v) { return CompareApids(e, v) < 0; });
    if (it == ids_.end() || CompareApids(*it, text) != 0) {
        return ImageResult::Internal(StringFormatC("apid string \"%s\" not found", text.c_str()));
    }
    *index = static_cast<uint32_t>(it - ids_.begin());
    return ImageResult::Ok();
}

ImageResult ApproachIdTable::CheckCount() const {
    if (ids_.size() >= 0xFFFF) {
        return ImageResult::Data(StringFormatC("Too many approach IDs: %u (limit 65534)", Count()));
    }
    return ImageResult::Ok();
}

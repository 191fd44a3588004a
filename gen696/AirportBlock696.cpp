#include "gen696/AirportBlock696.h"

#include <algorithm>

#include "common/CLocale.h"

namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

constexpr uint8_t kOlderTypeCodes[16] = {0, 5, 6, 7, 10, 11, 12, 62, 17, 18, 19, 20, 22, 23, 24, 25};

bool Runways(const AirportBlockInput696& in, std::vector<uint8_t>& b, std::string* error) {
    const size_t fixed = std::max<size_t>(7, in.runwayFixedLength);
    const size_t picsExtra = in.pictureLength > 8 ? in.pictureLength - 8 : 0;
    const size_t count = std::min(in.runways.size(), kMaxRunways696);
    for (size_t i = 0; i < count; ++i) {
        RunwaySlot696 r = in.runways[i];
        if (r.flags == -1) {
            r.flags = static_cast<int32_t>(r.picture[1] >> 24);
            r.picture[0] = r.picture[1] = 0;
        }
        if (r.length > 0xFFFF || r.width > 0x7FF) {
            *error = StringFormatC("runway %d: length %u or width %u does not fit its field (65535, 2047)",
                                   r.serial, r.length, r.width);
            return false;
        }
        const size_t start = b.size();
        Put16(b, r.length);
        b.push_back(static_cast<uint8_t>((r.surface & 0x3F) | (i + 1 < count ? 0x80 : 0)));
        b.push_back(static_cast<uint8_t>(r.designator));
        b.push_back(static_cast<uint8_t>(r.flags));
        const bool pictures = r.picture[0] != 0 || r.picture[1] != 0;
        Put16(b, r.width << 5 | (r.pictureFlags & 0x13) | (r.pictureFlags & 4) | (pictures ? 8 : 0));
        const bool longDesignator = r.pictureFlags & 4;
        if (longDesignator) b.push_back(static_cast<uint8_t>(r.designator >> 8));
        b.resize(start + fixed + (longDesignator ? 1 : 0), 0);
        if (pictures) {
            Put32(b, r.picture[0]);
            Put32(b, r.picture[1]);
            for (size_t k = 0; k < picsExtra; ++k) b.push_back(k < kRunwayExtraBytes696 ? r.extra[k] : 0);
        }
        if (r.pictureFlags & 16) {
            for (size_t k = picsExtra; k < picsExtra + 4; ++k) b.push_back(k < kRunwayExtraBytes696 ? r.extra[k] : 0);
        }
    }
    return true;
}

bool Frequencies(const AirportBlockInput696& in, std::vector<uint8_t>& b, std::string* error) {
    const size_t count = std::min(in.frequencies.size(), kMaxFrequencies696);
    for (size_t i = 0; i < count; ++i) {
        const FrequencySlot696& f = in.frequencies[i];
        if (f.value > 0xFFF) {
            *error = StringFormatC("frequency %u.%02u outside 108.00-148.95", (f.value + 10800) / 100,
                                   (f.value + 10800) % 100);
            return false;
        }
        const bool allOnes = f.flags == -1;
        const uint32_t flags = static_cast<uint32_t>(f.flags);
        Put16(b, f.value | (allOnes ? 0 : (flags & 0x70) << 8) | (i + 1 < count ? 0x8000 : 0));
        // Flags of all ones give nothing here either, as for the frequency word and the flags byte.
        const uint8_t r = static_cast<uint8_t>((allOnes ? 0 : (flags >> 16) & 0x60) | (f.blob.size() > 1 ? f.blob[1] & 0x9F : 0));
        b.push_back(static_cast<uint8_t>((f.type & 0x7F) | (r ? 0x80 : 0)));
        b.push_back(allOnes ? 0 : static_cast<uint8_t>(flags >> 8));
        if (r) {
            b.push_back(r);
            for (size_t k = 2; k < f.blob.size() && k <= f.blob[0]; ++k) b.push_back(f.blob[k]);
        }
    }
    return true;
}

}  // namespace

uint8_t FrequencyTypeCode696(int32_t ftype, int32_t flags) {
    if (flags != -1) return static_cast<uint8_t>(ftype >> 8);
    return static_cast<uint8_t>(((ftype >> 1) & 64) | kOlderTypeCodes[ftype & 15]);
}

bool AirportShortForm696(const AirportBlockInput696& in, uint32_t* value) {
    if (!in.frequencies.empty() || in.runways.empty() || in.runways[0].designator != 0) return false;
    const uint32_t hundreds = in.runways[0].length / 100;
    if (hundreds > 255) return false;   // a block keeps the length whole
    *value = hundreds | (in.runways[0].surface & 15u) << 8;
    return true;
}

bool BuildAirportBlock696(const AirportBlockInput696& in, std::vector<uint8_t>* block, std::string* error) {
    std::vector<uint8_t> parts[2];
    if (!Runways(in, parts[0], error) || !Frequencies(in, parts[1], error)) return false;
    block->clear();
    uint32_t mask = 0;
    size_t total = 2;
    for (int k = 0; k < 2; ++k) {
        if (!parts[k].empty()) {
            mask |= 1u << k;
            total += 2 + parts[k].size();
        }
    }
    if (total > 0xFFFF) {
        *error = StringFormatC("block of %zu bytes is over 65535", total);
        return false;
    }
    Put16(*block, mask);
    for (const auto& p : parts) {
        if (!p.empty()) Put16(*block, static_cast<uint32_t>(p.size()));
    }
    for (const auto& p : parts) block->insert(block->end(), p.begin(), p.end());
    return true;
}

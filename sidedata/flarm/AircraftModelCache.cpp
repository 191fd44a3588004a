#include "sidedata/flarm/AircraftModelCache.h"

#include <cstring>

AircraftModelMatch AircraftModelCache::Find(const char (&text)[kKeyBytes]) {
    const size_t length = strnlen(text, kKeyBytes);
    if (length == kKeyBytes) return FindAircraftModel(text);
    // The key loaded whole and the bytes from the terminator on cleared: no narrower stores
    // for the loads to wait on.
    uint64_t key[kKeyWords];
    for (size_t k = 0; k < kKeyWords; ++k) {
        std::memcpy(&key[k], text + 8 * k, sizeof key[k]);
        const size_t kept = length > 8 * k ? length - 8 * k : 0;
        key[k] &= kept >= 8 ? ~uint64_t{0} : (uint64_t{1} << 8 * kept) - 1;
    }
    auto slotOf = [](const uint64_t* k, size_t mask) {
        uint64_t h = k[0] * 0x9E3779B97F4A7C15u ^ k[1] * 0xC2B2AE3D27D4EB4Fu ^ k[2] * 0x165667B19E3779F9u;
        return static_cast<size_t>(h ^ h >> 29) & mask;
    };
    size_t mask = slots_.size() - 1;
    size_t at = slotOf(key, mask);
    for (; slots_[at].used; at = (at + 1) & mask) {
        if (std::memcmp(slots_[at].key, key, sizeof key) == 0) return slots_[at].match;
    }
    const AircraftModelMatch match = FindAircraftModel(text);
    if (2 * (used_ + 1) > slots_.size()) {
        // Twice the slots, every text placed again.
        std::vector<Slot> fewer(2 * slots_.size());
        fewer.swap(slots_);
        mask = slots_.size() - 1;
        for (const Slot& slot : fewer) {
            if (!slot.used) continue;
            size_t to = slotOf(slot.key, mask);
            while (slots_[to].used) to = (to + 1) & mask;
            slots_[to] = slot;
        }
        at = slotOf(key, mask);
        while (slots_[at].used) at = (at + 1) & mask;
    }
    std::memcpy(slots_[at].key, key, sizeof key);
    slots_[at].match = match;
    slots_[at].used = true;
    ++used_;
    return match;
}

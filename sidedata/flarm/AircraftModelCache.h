// Aircraft model matches already found, by type text: a save looks each text up once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sidedata/flarm/AircraftModelTable.h"

// An open-addressed table keyed by the text's bytes.
class AircraftModelCache {
public:
    static constexpr size_t kKeyBytes = sizeof(FlarmRecord::TYPE);

    // FindAircraftModel of a TYPE text.
    AircraftModelMatch Find(const char (&text)[kKeyBytes]);

private:
    static constexpr size_t kKeyWords = kKeyBytes / 8;  // texts of up to 23 bytes are kept
    struct Slot {
        uint64_t key[kKeyWords] = {};  // the text, zero-padded
        AircraftModelMatch match;
        bool used = false;
    };
    std::vector<Slot> slots_ = std::vector<Slot>(64);
    size_t used_ = 0;
};

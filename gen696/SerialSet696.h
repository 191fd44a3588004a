// A set of serial numbers asked whether it holds one: a flag per number when they run close
// together from 0, else the numbers sorted and searched.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class SerialSet696 {
public:
    explicit SerialSet696(std::vector<int32_t> serials) {
        const auto [low, high] = std::minmax_element(serials.begin(), serials.end());
        if (low != serials.end() && *low >= 0 && static_cast<uint64_t>(*high) <= 4 * serials.size() + kSpare) {
            flags_.assign(static_cast<size_t>(*high) + 1, 0);
            for (int32_t s : serials) flags_[static_cast<size_t>(s)] = 1;
            return;
        }
        sorted_ = std::move(serials);
        std::sort(sorted_.begin(), sorted_.end());
    }

    bool Has(int32_t serial) const {
        if (!flags_.empty()) return serial >= 0 && static_cast<size_t>(serial) < flags_.size() && flags_[static_cast<size_t>(serial)];
        return std::binary_search(sorted_.begin(), sorted_.end(), serial);
    }

private:
    static constexpr uint64_t kSpare = 1 << 16;
    std::vector<uint8_t> flags_;
    std::vector<int32_t> sorted_;
};

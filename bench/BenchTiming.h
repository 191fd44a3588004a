// The benchmarks' timing: the best of three rounds of a piece of work, in seconds.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>

namespace bench {

inline double BestOfThree(const std::function<void()>& work) {
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

}  // namespace bench

#include "transfer/common/LineChunks.h"

void LineChunks::MakeRoom(size_t n) {
    HandOn();
    if (size_ < n) {
        buffer_ = std::make_unique_for_overwrite<char[]>(n);
        size_ = n;
    }
}

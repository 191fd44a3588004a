#include "sidedata/flarm/FlarmInput.h"

#include <cstring>

size_t FlarmInput::ReadUntil(char delimiter) {
    size_t left = data_.size() - pos_;
    const char* start = data_.data() + pos_;
    const void* hit = std::memchr(start, delimiter, left);
    size_t length = hit ? static_cast<size_t>(static_cast<const char*>(hit) - start) : left;
    pos_ += length + (hit ? 1 : 0);
    line_ = std::string_view(start, length < kLineBuffer - 1 ? length : kLineBuffer - 1);
    return line_.size();
}

std::string_view FlarmInput::Take(size_t count) {
    size_t left = data_.size() - pos_;
    size_t n = count < left ? count : left;
    std::string_view bytes = data_.substr(pos_, n);
    pos_ += n;
    return bytes;
}

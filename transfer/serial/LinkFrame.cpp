#include "transfer/serial/LinkFrame.h"

#include <algorithm>
#include <cstring>

uint8_t FrameChecksum(const uint8_t* bytes, int n) {
    unsigned sum = 0;
    for (int i = 0; i < n; ++i) sum += bytes[i];
    return static_cast<uint8_t>(-sum);
}

void LinkFrame::Set(int id, const uint8_t* data, int size) {
    size = std::clamp(size, 0, 255);
    bytes_[0] = kDle;
    bytes_[1] = static_cast<uint8_t>(id);
    bytes_[2] = static_cast<uint8_t>(size);
    if (size > 0 && data) std::memmove(bytes_ + 3, data, static_cast<size_t>(size));
}

void LinkFrame::Set2(int id, int a, int b) {
    const uint8_t data[2] = {static_cast<uint8_t>(a), static_cast<uint8_t>(b)};
    Set(id, data, 2);
}

void LinkFrame::Seal() {
    const int size = bytes_[2];
    bytes_[size + 3] = FrameChecksum(bytes_ + 1, size + 2);
    bytes_[size + 4] = kDle;
    bytes_[size + 5] = kEtx;
}

int LinkFrame::Stuff(uint8_t* out) const {
    const int size = bytes_[2];
    int n = 0;
    out[n++] = bytes_[0];
    for (int i = 1; i <= size + 3; ++i) {
        out[n++] = bytes_[i];
        if (bytes_[i] == kDle) out[n++] = kDle;
    }
    out[n++] = bytes_[size + 4];
    out[n++] = bytes_[size + 5];
    return n;
}

void FrameAssembler::Reset() {
    fill_ = 0;
    discards_ = 0;
    loneDle_ = false;
}

bool FrameAssembler::Add(uint8_t byte) {
    buffer_[fill_] = byte;
    fill_ = std::min(fill_ + 1, kBufferSize - 1);
    if (fill_ == 1) {
        if (byte != kDle) {
            fill_ = 0;
            ++discards_;
        }
        loneDle_ = false;
        return false;
    }
    if (fill_ == 2) {
        if (byte == kEtx) {
            fill_ = 0;
            discards_ += 2;
        } else if (byte == kDle) {
            fill_ = 1;
            ++discards_;
        }
        return false;
    }
    if (!loneDle_) {
        loneDle_ = byte == kDle;
        return false;
    }
    loneDle_ = false;
    if (byte == kEtx) return true;
    if (byte == kDle) {
        --fill_;  // the second half of a stuffed pair
        return false;
    }
    // A new frame began at the lone DLE: this byte is its id.
    buffer_[0] = kDle;
    buffer_[1] = byte;
    fill_ = 2;
    return false;
}

int FrameAssembler::Residue() const {
    const int size = buffer_[2];
    const int last = std::min(size + 3, fill_ - 3);
    unsigned sum = 0;
    for (int i = 1; i <= last; ++i) sum += buffer_[i];
    sum &= 0xFF;
    const bool placed = fill_ == size + 6 && buffer_[size + 4] == kDle && buffer_[size + 5] == kEtx;
    if (sum != 0) return static_cast<int>(sum);
    return placed ? 0 : 256;
}
